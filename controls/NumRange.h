#pragma once
// The optional range of a numeric control. Both bounds 0 means no range.
// A bound write that would cross the other bound is ignored, so code that
// moves a range writes the bound that makes room first. A bound given as a
// double is taken as the decimal it was written as (WrittenDecimal), so a
// bound the control shows reads back inside the range.
#include "NumFormat.h"

#include <optional>

namespace ostan {

class TNumRange {
public:
    TNumValue MinValue() const { return Min; }
    TNumValue MaxValue() const { return Max; }

    // Each returns false when the write was ignored (equal, crossing, NaN).
    bool SetMinValue(TNumValue x);
    bool SetMaxValue(TNumValue x);

    bool IsSet() const { return Min != 0 || Max != 0; }
    bool OutOfRange(TNumValue v) const { return IsSet() && (v < Min || v > Max); }

    // The bound an out-of-range value is pulled back to; none inside.
    std::optional<TNumValue> ClampTarget(TNumValue v) const;

private:
    TNumValue Min = 0;
    TNumValue Max = 0;
};

} // namespace ostan
