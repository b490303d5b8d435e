#pragma once
// The supervision timer of the main window on a QTimer: repeating, fires on
// the GUI thread, also inside nested event loops.
#include "AdapterLink.h"

#include <QTimer>

namespace ostan {

class TQtLinkTimer : public ILinkTimer {
public:
    explicit TQtLinkTimer(int IntervalMs = 1600);

    void SetEnabled(bool On) override;
    bool Enabled() const override { return Timer.isActive(); }
    int Interval() const override { return Timer.interval(); }
    void SetInterval(int Ms) { Timer.setInterval(Ms); }

private:
    QTimer Timer;
};

} // namespace ostan
