#pragma once
// The paint pacer on the fake clock: an interval ends only when the test
// moves the clock on.
#include "PaintPacer.h"
#include "unit/FakeClock.h"

#include <QCoreApplication>
#include <functional>

namespace ostan::test {

class TManualPacing {
public:
    TManualPacing() { TPaintPacer::Instance().SetManualForTest(true); }
    ~TManualPacing() { TPaintPacer::Instance().SetManualForTest(false); }
    TManualPacing(const TManualPacing&) = delete;
    TManualPacing& operator=(const TManualPacing&) = delete;

    // Moves the clock on by Ms, a millisecond at a time; at each, EachMs
    // first (a packet, say), then the event loop and the pacer run.
    void Advance(uint32_t Ms, const std::function<void()>& EachMs = {})
    {
        for (uint32_t i = 0; i < Ms; ++i) {
            ++Clock.Now;
            if (EachMs)
                EachMs();
            QCoreApplication::processEvents();
            TPaintPacer::Instance().Poll();
        }
    }

    fakes::FakeClock Clock;
};

} // namespace ostan::test
