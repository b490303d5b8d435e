#include "NumRange.h"

#include <cmath>

namespace ostan {

bool TNumRange::SetMinValue(TNumValue x)
{
    if (std::isnan(x))
        return false;
    x = WrittenDecimal(SaturateValue(x));
    if (x == Min || x > Max)
        return false;
    Min = x;
    return true;
}

bool TNumRange::SetMaxValue(TNumValue x)
{
    if (std::isnan(x))
        return false;
    x = WrittenDecimal(SaturateValue(x));
    if (x == Max || x < Min)
        return false;
    Max = x;
    return true;
}

std::optional<TNumValue> TNumRange::ClampTarget(TNumValue v) const
{
    if (v < Min)
        return Min;
    if (v > Max)
        return Max;
    return std::nullopt;
}

} // namespace ostan
