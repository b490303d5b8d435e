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
    if (On)
        Timer.start();
    else
        Timer.stop();
}

} // namespace ostan
