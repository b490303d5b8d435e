#pragma once
// The supervision timer on a QTimer.
#include "AdapterLink.h"

#include <QTimer>

namespace ostan {

class TQtLinkTimer : public ILinkTimer {
public:
    explicit TQtLinkTimer(int IntervalMs);
    void SetEnabled(bool On) override;
    bool Enabled() const override { return Timer.isActive(); }
    int Interval() const override { return Timer.interval(); }

private:
    QTimer Timer;
};

} // namespace ostan
