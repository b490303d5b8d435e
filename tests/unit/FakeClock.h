#pragma once
// The tick counter under a test's control, for as long as it lives.
#include "Ticks.h"

#include <cstdint>

namespace ostan::fakes {

class FakeClock {
public:
    explicit FakeClock(uint32_t Start = 100000) : Now(Start)
    {
        SetTickSourceForTest([this] { return Now; });
    }
    ~FakeClock() { SetTickSourceForTest({}); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    uint32_t Now;
};

} // namespace ostan::fakes
