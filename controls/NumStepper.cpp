#include "NumStepper.h"

#include "Ticks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace ostan {

TNumValue RoundHalfEven(TNumValue x)
{
    const TNumValue f = std::floor(x);
    const TNumValue d = x - f;
    if (d > 0.5L)
        return f + 1;
    if (d < 0.5L)
        return f;
    return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

TNumStepper::TNumStepper(TClock C) : Clock(std::move(C)) {}

uint32_t TNumStepper::Now() const { return Clock ? Clock() : GetTickCount(); }

bool TNumStepper::SetIncrement(TNumValue x, const TNumRange& Range)
{
    if (x == FIncrement || !(x > 0))
        return false;
    x = SaturateValue(x);
    if (Range.IsSet() && x > Range.MaxValue() - Range.MinValue())
        return false;
    FIncrement = x;
    FCurrentStep = x;
    return true;
}

void TNumStepper::EndSeries()
{
    FCurrentStep = FIncrement;
    FClickCount = 0;
}

void TNumStepper::Accelerate(const TNumRange& Range)
{
    const uint32_t now = Now();
    if (TicksSince(FLastClickTick, now) > QuickStepMs) {
        EndSeries();
    } else if (FCurrentStep < (Range.MaxValue() - Range.MinValue()) / 5) {
        ++FClickCount;
        if (FClickCount > 4 && FClickCount % 2 == 0)
            FCurrentStep += FIncrement;
    }
    FLastClickTick = now;
}

bool TNumStepper::Reach(TNumValue v, TNumValue Step, TNumValue Bound, bool Up, TNumValue& Out) const
{
    const TNumValue t = SaturateValue(Up ? v + Step : v - Step);
    if (Up ? t <= Bound : t >= Bound) {
        Out = t;
        return true;
    }
    const TNumValue scale = std::max({std::fabs(v), std::fabs(Step), std::fabs(Bound)});
    const TNumValue noise = std::max(FIncrement * 1e-9L, scale * (128 * LDBL_EPSILON));
    if (std::fabs(t - Bound) <= noise) {
        Out = Bound;
        return true;
    }
    return false;
}

void TNumStepper::Step(bool Up, const TNumRange& Range, bool Wrap, bool RoundValues, const TNumStepHost& Host)
{
    Accelerate(Range);
    const TNumValue v = Host.GetValue();
    const TNumValue far = Up ? Range.MaxValue() : Range.MinValue();
    const bool beyondStart = Up ? v < Range.MinValue() : v > Range.MaxValue();
    TNumValue t;
    if (Range.IsSet() && beyondStart) {
        Host.InvalidEntry();
    } else if (Reach(v, FCurrentStep, far, Up, t)) {
        Host.SetValue(t);
    } else if (!Range.IsSet()) {
        Host.SetValue(SaturateValue(Up ? v + FCurrentStep : v - FCurrentStep));
    } else if (Wrap) {
        Host.SetValue(Up ? Range.MinValue() : Range.MaxValue());
    } else if (Reach(v, FIncrement, far, Up, t)) {
        FCurrentStep = FIncrement; // the accelerated step falls back to one plain step
        Host.SetValue(t);
    } else {
        Host.InvalidEntry();
    }
    if (RoundValues)
        RoundToIncrement(Range, Host);
}

void TNumStepper::RoundToIncrement(const TNumRange& Range, const TNumStepHost& Host) const
{
    const TNumValue min = Range.MinValue();
    const TNumValue q = (Host.GetValue() - min) / FIncrement;
    // Beyond 2^63 steps every representable value already lies on the grid.
    if (!std::isfinite(q) || std::fabs(q) > 0x1p63L)
        return;
    const TNumValue r = RoundHalfEven(q) * FIncrement + min;
    if (!std::isfinite(r))
        return;
    Host.SetValue(r);
    if (Range.IsSet() && Host.GetValue() > Range.MaxValue())
        Host.SetValue(Host.GetValue() - FIncrement);
}

} // namespace ostan
