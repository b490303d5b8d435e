#pragma once
// Number <-> text conversions of the numeric edit controls. The controls keep
// their value only as text, so these three functions define what a control
// shows and what it reads back.
#include <QString>

namespace ostan {

enum class TNumberFormat { Standard, Thousands, Scientific, Engineering };

// Extended precision, as the controls' values have always been.
using TNumValue = long double;

// Finite stand-in for any value: infinities become the largest finite
// magnitudes, NaN becomes 0. No text is ever made from a non-finite value.
TNumValue SaturateValue(TNumValue x);

// A bound or step given in double precision stands for the decimal it was
// written as: 3.05, held as 3.0499999999999998, becomes the extended value
// nearest 3.05, which is what the text "3.05" reads as. A value finer than a
// double is kept as it is.
TNumValue WrittenDecimal(TNumValue x);

// The places after the point in the shortest text that reads back as x
// (0.35 has 2, 1E-20 has 20, 1500 has 0).
int DecimalPlaces(TNumValue x);

class TNumFormatter {
public:
    static constexpr int MaxDecimals = 14;
    static constexpr int SignificantDigits = 15;

    int Decimals = -1; // -1 free, 0 integer, 1..14 fixed
    TNumberFormat NumberFormat = TNumberFormat::Standard;

    TNumFormatter() = default;
    TNumFormatter(int Dec, TNumberFormat Format) : Decimals(Dec), NumberFormat(Format) {}

    QString FormatValue(TNumValue x) const;

    // Decimals as a control stores a written value: below 0 is -1 (free),
    // above 14 is 14, and a positive MaxLength leaves room for two more
    // characters.
    static int ClampDecimals(int Written, int MaxLength);

    // The text without thousands separators; "" reads "0" and "-" reads "-0".
    static QString StripThousands(const QString& s);

    // The number a control's text shows. Total: every text reads as a number,
    // a missing digit group counting as 0 ("1.5E" is 1.5, "-E3" is -0), and
    // magnitudes beyond the value range saturate.
    static TNumValue GetValue(const QString& Text) { return StrToFloat(StripThousands(Text)); }

    // The lenient conversion behind GetValue (separators of the locale; the
    // exponent mark may be "E" or "e"). Reads the longest leading number.
    static TNumValue StrToFloat(const QString& s);

    // Picture formatter for the pictures FormatValue builds: an optional ","
    // (group thousands), "0", optionally "." followed by "0" (always written)
    // and "#" (written when significant) placeholders, optionally "E-" at the
    // end (scientific: one integer digit, exponent without plus sign or
    // padding). The value is first taken to 15 significant digits; further
    // places are zeros. Ties are rounded away from zero; a value that rounds
    // to zero has no sign.
    static QString FormatFloat(const QString& Picture, TNumValue x);
};

} // namespace ostan
