#pragma once
// Stepping of the spin control: one step per click or arrow key, quick
// series accelerate, range ends wrap or stop, values snap to the grid
// MinValue + k * Increment. The control's value lives in its text, so the
// stepper reads and writes it through the host's functions.
#include "NumFormat.h"
#include "NumRange.h"

#include <cstdint>
#include <functional>

namespace ostan {

struct TNumStepHost {
    std::function<TNumValue()> GetValue;
    std::function<void(TNumValue)> SetValue;
    std::function<void()> InvalidEntry; // out of range or at a range end
};

// Nearest integer, a half going to the even neighbour.
TNumValue RoundHalfEven(TNumValue x);

class TNumStepper {
public:
    using TClock = std::function<uint32_t()>;
    static constexpr uint32_t QuickStepMs = 200;

    // An empty clock reads the platform's tick counter.
    explicit TNumStepper(TClock Clock = {});

    TNumValue Increment() const { return FIncrement; }
    TNumValue CurrentStep() const { return FCurrentStep; }
    int ClickCount() const { return FClickCount; }
    uint32_t LastClickTick() const { return FLastClickTick; }

    // False when refused: equal, not above 0, or wider than a set range.
    // An accepted increment also restarts the step.
    bool SetIncrement(TNumValue x, const TNumRange& Range);

    // Ends an accelerated series.
    void EndSeries();

    // One step up or down, then the snap when RoundValues.
    void Step(bool Up, const TNumRange& Range, bool Wrap, bool RoundValues, const TNumStepHost& Host);

    void RoundToIncrement(const TNumRange& Range, const TNumStepHost& Host) const;

private:
    uint32_t Now() const;
    void Accelerate(const TNumRange& Range);
    // v + Step when it does not pass Bound; Bound itself when it passes it
    // only by rounding noise.
    bool Reach(TNumValue v, TNumValue Step, TNumValue Bound, bool Up, TNumValue& Out) const;

    TClock Clock;
    TNumValue FIncrement = 1.0L;
    TNumValue FCurrentStep = 1.0L;
    int FClickCount = 0;
    uint32_t FLastClickTick = 0;
};

} // namespace ostan
