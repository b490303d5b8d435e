#include "NumStepper.h"

#include "Ticks.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>

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
    if (!(x > 0))
        return false;
    x = WrittenDecimal(SaturateValue(x));
    if (x == FIncrement)
        return false;
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

namespace {

// k * inc + min for the k nearest (v - min) / inc, halves to the even k,
// worked on the numbers as written: scaled by a power of ten to whole
// numbers, a half-way quotient is exact, whatever binary error 0.1 or 0.35
// carry. None when the numbers do not fit such a scale.
std::optional<TNumValue> DecimalGridPoint(TNumValue v, TNumValue min, TNumValue inc)
{
    const int places = std::max({DecimalPlaces(v), DecimalPlaces(min), DecimalPlaces(inc)});
    if (places > 18)
        return std::nullopt;
    TNumValue scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    const TNumValue V = std::rint(v * scale), M = std::rint(min * scale), I = std::rint(inc * scale);
    constexpr TNumValue Limit = 0x1p60L; // whole numbers, their sums too, stay exact
    if (!(std::fabs(V) < Limit && std::fabs(M) < Limit && I >= 1 && I < Limit))
        return std::nullopt;
    return (RoundHalfEven((V - M) / I) * I + M) / scale;
}

// The same in binary, for what no decimal scale holds.
std::optional<TNumValue> BinaryGridPoint(TNumValue v, TNumValue min, TNumValue inc)
{
    const TNumValue q = (v - min) / inc;
    // Beyond 2^63 steps every representable value already lies on the grid.
    if (!std::isfinite(q) || std::fabs(q) > 0x1p63L)
        return std::nullopt;
    const TNumValue r = RoundHalfEven(q) * inc + min;
    if (!std::isfinite(r))
        return std::nullopt;
    return r;
}

} // namespace

void TNumStepper::RoundToIncrement(const TNumRange& Range, const TNumStepHost& Host) const
{
    const TNumValue v = Host.GetValue();
    auto r = DecimalGridPoint(v, Range.MinValue(), FIncrement);
    if (!r)
        r = BinaryGridPoint(v, Range.MinValue(), FIncrement);
    if (!r)
        return;
    Host.SetValue(*r);
    if (Range.IsSet() && Host.GetValue() > Range.MaxValue())
        Host.SetValue(Host.GetValue() - FIncrement);
}

} // namespace ostan
