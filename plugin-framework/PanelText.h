#pragma once
// The texts of a panel's value fields.
#include <QString>

namespace ostan {

// Fixed point with Decimals decimals, 15 significant digits, the locale's
// decimal separator, no thousands separators.
QString FixedText(double Value, int Decimals);

// The text of a computed value: "---" when it has no finite result (a zero
// divisor above all), otherwise FixedText.
QString ComputedText(double Value, int Decimals);
inline QString QuotientText(double Dividend, double Divisor, int Decimals)
{
    return ComputedText(Dividend / Divisor, Decimals);
}

} // namespace ostan
