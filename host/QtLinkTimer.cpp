#include "QtLinkTimer.h"

namespace ostan {

TQtLinkTimer::TQtLinkTimer(int IntervalMs)
{
    Timer.setInterval(IntervalMs);
    QObject::connect(&Timer, &QTimer::timeout, [this] {
        if (OnTimer)
            OnTimer();
    });
}

void TQtLinkTimer::SetEnabled(bool On)
{
    // Enabling a running timer leaves its period alone, as the toolkit's
    // timer component does; Restart() disables first.
    if (On && !Timer.isActive())
        Timer.start();
    else if (!On)
        Timer.stop();
}

} // namespace ostan
