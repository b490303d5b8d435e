#include "NumControlsSupport.h"
#include "NumFormat.h"
#include "NumRange.h"

#include <QLocale>
#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>

using namespace ostan;
using ostan::test::FixedSeparators;
using F = TNumberFormat;

namespace {

struct FormatCase {
    F Format;
    int Decimals;
    TNumValue Value;
    const char* Text;
};

QString Fmt(F f, int d, TNumValue v) { return TNumFormatter(d, f).FormatValue(v); }

} // namespace

TEST(NumFormat, FormatsEveryFormatWithFreeAndFixedDecimals)
{
    FixedSeparators sep;
    const FormatCase cases[] = {
        {F::Standard, 2, 2.5L, "2.50"},
        {F::Standard, 2, 1, "1.00"},
        {F::Standard, -1, 2.5L, "2.5"},
        {F::Standard, -1, 2, "2"},
        {F::Standard, 0, 2, "2"},
        {F::Thousands, 0, 1234567, "1,234,567"},
        {F::Thousands, -1, 1234.5L, "1,234.5"},
        {F::Standard, 6, 12345678901.23456L, "12345678901.234600"},
        {F::Standard, 4, 12345678901.23456L, "12345678901.2346"},
        {F::Engineering, 2, 1234.5L, "1.23E3"},
        {F::Engineering, 2, 0.5L, "0.50E0"},
        {F::Engineering, 2, 0.0005L, "0.50E-3"},
        {F::Engineering, 2, -1234.5L, "-1.23E3"},
        // free decimals: at most 14 places, 15 significant digits, no trailing zeros
        {F::Standard, -1, 1.0L / 3, "0.33333333333333"},
        {F::Standard, -1, 100.0L / 3, "33.3333333333333"},
        {F::Standard, -1, 0.1L + 0.2L, "0.3"},
        {F::Standard, -1, 1e-20L, "0"},
        // rounding: ties away from zero, no sign on a value that rounds to zero
        {F::Standard, 2, 0.125L, "0.13"},
        {F::Standard, 0, 2.5L, "3"},
        {F::Standard, 2, -0.001L, "0.00"},
        {F::Standard, -1, -0.0L, "0"},
        {F::Standard, 1, 9.96L, "10.0"},
        {F::Thousands, 2, -1234567.891L, "-1,234,567.89"},
        {F::Thousands, -1, 999.9999999999999L, "1,000"},
        {F::Scientific, -1, 1234.5L, "1.2345E3"},
        {F::Scientific, 2, 0.000123L, "1.23E-4"},
        {F::Scientific, 2, 9.999L, "1.00E1"},
        {F::Scientific, 0, 1234.5L, "1E3"},
        {F::Scientific, -1, 0, "0E0"},
        {F::Scientific, 2, -250, "-2.50E2"},
        {F::Engineering, -1, 0, "0E0"},
        {F::Engineering, 2, 0, "0.00E0"},
        {F::Engineering, 2, 999999, "1000.00E3"}, // the mantissa is not normalised again
        {F::Engineering, -1, 12345, "12.345E3"},
        {F::Engineering, 0, 123456, "123E3"},
        {F::Engineering, -1, 1e-7L, "0.1E-6"},
        // 15 or more integer digits with fixed places keep the magnitude
        {F::Standard, 2, 1234567890123456.0L, "1234567890123460.00"},
        {F::Thousands, 3, 1e15L, "1,000,000,000,000,000.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fmt(c.Format, c.Decimals, c.Value), QString::fromLatin1(c.Text))
            << int(c.Format) << " " << c.Decimals << " " << double(c.Value);
}

TEST(NumFormat, UsesTheSeparatorsOfTheService)
{
    FixedSeparators sep(u',', QChar(0xA0));
    EXPECT_EQ(Fmt(F::Thousands, 2, 1234567.5L), QString::fromUtf8("1\u00A0234\u00A0567,50"));
    EXPECT_EQ(Fmt(F::Standard, -1, 2.5L), "2,5");
    EXPECT_EQ(Fmt(F::Engineering, 2, 1234.5L), "1,23E3");
    EXPECT_EQ(TNumFormatter::GetValue(QString::fromUtf8("-1\u00A0234,5E1")), -12345.0L);
    EXPECT_EQ(TNumFormatter::GetValue("1.5"), 1.0L); // "." is no separator here
}

TEST(NumFormat, NeverFormatsANonFiniteValue)
{
    FixedSeparators sep;
    EXPECT_EQ(Fmt(F::Standard, 2, NAN), "0.00");
    EXPECT_EQ(Fmt(F::Scientific, -1, INFINITY), "1.18973149535723E4932");
    EXPECT_EQ(Fmt(F::Engineering, 2, -INFINITY), "-1.19E4932");
    const QString huge = Fmt(F::Standard, -1, INFINITY);
    EXPECT_EQ(huge.size(), 4933);
    EXPECT_TRUE(huge.startsWith("118973149535723000"));
    EXPECT_EQ(TNumFormatter::GetValue(huge), TNumFormatter::GetValue("1.18973149535723E4932"));
    // The smallest magnitudes still get an engineering mantissa.
    EXPECT_TRUE(Fmt(F::Engineering, -1, LDBL_TRUE_MIN).endsWith("E-4950"));
}

TEST(NumFormat, GetValueReadsEveryTextAsANumber)
{
    FixedSeparators sep;
    struct Case { const char* Text; TNumValue Value; bool Negative; };
    const Case cases[] = {
        {"", 0, false},          {"-", 0, true},           {"1,234.5", 1234.5L, false},
        {"1.5E", 1.5L, false},   {"-E3", 0, true},         {"0.E", 0, false},
        {"1.5E-", 1.5L, false},  {"E5", 0, false},         {".5", 0.5L, false},
        {"1.5E-3", 0.0015L, false}, {"-2.5e2", -250, true}, {"12abc", 12, false},
        {"9E9999", LDBL_MAX, false}, {"-9E4932", -LDBL_MAX, true}, {"1E-9999", 0, false},
        {"0.0000001E-4940", 0, false}, {"1000E-4931", 1e-4928L, false},
    };
    for (const auto& c : cases) {
        const TNumValue v = TNumFormatter::GetValue(QString::fromLatin1(c.Text));
        EXPECT_EQ(v, c.Value) << c.Text;
        EXPECT_EQ(std::signbit(v), c.Negative) << c.Text;
    }
    EXPECT_EQ(TNumFormatter::StripThousands(""), "0");
    EXPECT_EQ(TNumFormatter::StripThousands("-"), "-0");
    EXPECT_EQ(TNumFormatter::StripThousands("-1,234,567"), "-1234567");
}

TEST(NumFormat, DecimalsAreClampedAsWritten)
{
    struct Case { int Written, MaxLength, Stored; };
    const Case cases[] = {{20, 0, 14}, {-5, 0, -1}, {5, 6, 4}, {3, 0, 3}, {2, 2, 0}, {0, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(TNumFormatter::ClampDecimals(c.Written, c.MaxLength), c.Stored) << c.Written << " " << c.MaxLength;
}

TEST(NumRange, BoundWritesThatWouldCrossAreRefused)
{
    TNumRange r;
    EXPECT_FALSE(r.IsSet());
    EXPECT_FALSE(r.SetMinValue(10)); // above the current maximum 0
    EXPECT_TRUE(r.SetMaxValue(5));
    EXPECT_FALSE(r.SetMinValue(10));
    EXPECT_TRUE(r.SetMinValue(1));
    EXPECT_FALSE(r.SetMaxValue(0.5L)); // below the minimum
    EXPECT_FALSE(r.SetMaxValue(NAN));
    EXPECT_EQ(r.MinValue(), 1);
    EXPECT_EQ(r.MaxValue(), 5);
    // moving up: raise the maximum first
    EXPECT_TRUE(r.SetMaxValue(20));
    EXPECT_TRUE(r.SetMinValue(10));
    EXPECT_TRUE(r.IsSet());

    EXPECT_EQ(r.ClampTarget(9), 10);
    EXPECT_EQ(r.ClampTarget(21), 20);
    EXPECT_FALSE(r.ClampTarget(10).has_value());
    EXPECT_FALSE(r.ClampTarget(20).has_value());
    EXPECT_TRUE(r.OutOfRange(9.99L));
    EXPECT_FALSE(TNumRange().OutOfRange(-1e9L)); // no range, no check
}

// Bounds come from tables of doubles, where 3.05 is 3.0499999999999998:
// the text a control shows for a bound must read back inside the range.
TEST(NumRange, ADoubleBoundIsTheDecimalItWasWrittenAs)
{
    FixedSeparators sep;
    for (const double bound : {3.05, 3.55, 5.10, 2.55, 25.5, 9.9, 0.1, 0.5, 255.0, 1e-5, 123456.789}) {
        TNumRange r;
        ASSERT_TRUE(r.SetMaxValue(bound));
        ASSERT_TRUE(r.SetMinValue(-bound));
        for (const int decimals : {-1, TNumFormatter::MaxDecimals}) {
            const TNumFormatter f(decimals, F::Standard);
            EXPECT_FALSE(r.OutOfRange(TNumFormatter::GetValue(f.FormatValue(r.MaxValue())))) << bound;
            EXPECT_FALSE(r.OutOfRange(TNumFormatter::GetValue(f.FormatValue(r.MinValue())))) << bound;
        }
        const QString shortest = QString::number(bound, 'g', QLocale::FloatingPointShortest);
        EXPECT_EQ(r.MaxValue(), TNumFormatter::StrToFloat(shortest)) << bound;
    }
    // finer than a double, or beyond its range: kept as given
    for (const TNumValue fine : {3.05L, 0.1L, LDBL_MAX, 1e-4000L}) {
        TNumRange r;
        ASSERT_TRUE(r.SetMaxValue(fine));
        EXPECT_EQ(r.MaxValue(), fine);
    }
}

TEST(NumFormat, DecimalPlacesOfTheShortestText)
{
    struct Case { TNumValue Value; int Places; };
    const Case cases[] = {{0.35L, 2}, {0.1L, 1}, {1500, 0}, {1e-20L, 20}, {-2.5L, 1}, {0, 0}, {1e300L, 0}, {12.125L, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(DecimalPlaces(c.Value), c.Places) << double(c.Value);
    EXPECT_EQ(DecimalPlaces(WrittenDecimal(3.05)), 2);
}
