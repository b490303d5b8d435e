#include "NumFormat.h"

#include "NumberSeparators.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace ostan {

namespace {

// A value as decimal digits: Digits[0].Digits[1]... x 10^Exp.
struct TDecimal {
    bool Neg = false;
    std::string Digits;
    int Exp = 0;

    bool IsZero() const { return Digits.find_first_not_of('0') == std::string::npos; }
};

// |x| as to_chars writes it in scientific form: to Precision digits after
// the first, or without one the fewest that read back as x.
TDecimal Scientific(TNumValue x, std::optional<int> Precision)
{
    TDecimal d;
    d.Neg = std::signbit(x);
    char buf[64];
    const TNumValue a = std::fabs(x);
    const auto r = Precision ? std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, *Precision)
                             : std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    const std::string s(buf, r.ptr);
    const size_t e = s.find('e');
    // "d.ddde+xx", or "de+xx" when there is one digit alone.
    d.Digits = s.substr(0, 1) + (e > 1 ? s.substr(2, e - 2) : std::string());
    size_t i = e + 1;
    const bool expNeg = s[i] == '-';
    if (s[i] == '-' || s[i] == '+')
        ++i;
    std::from_chars(s.data() + i, s.data() + s.size(), d.Exp);
    if (expNeg)
        d.Exp = -d.Exp;
    return d;
}

// The value to 15 significant digits, correctly rounded.
TDecimal Decompose(TNumValue x)
{
    TDecimal d = Scientific(SaturateValue(x), TNumFormatter::SignificantDigits - 1);
    if (d.IsZero())
        d.Exp = 0;
    return d;
}

// Keeps the first Keep digits, rounding half away from zero.
void RoundAt(TDecimal& d, int Keep)
{
    const int n = int(d.Digits.size());
    if (Keep >= n)
        return;
    if (Keep < 0) {
        d.Digits.assign(n, '0');
        d.Exp = 0;
        return;
    }
    const bool up = d.Digits[Keep] >= '5';
    std::fill(d.Digits.begin() + Keep, d.Digits.end(), '0');
    if (up) {
        int i = Keep - 1;
        while (i >= 0 && d.Digits[i] == '9')
            d.Digits[i--] = '0';
        if (i >= 0) {
            ++d.Digits[i];
        } else {
            d.Digits.insert(d.Digits.begin(), '1');
            d.Digits.pop_back();
            ++d.Exp;
        }
    }
    if (d.IsZero())
        d.Exp = 0;
}

char DigitAt(const TDecimal& d, int Index)
{
    return Index >= 0 && Index < int(d.Digits.size()) ? d.Digits[Index] : '0';
}

struct TPicture {
    bool Thousands = false;
    int MinDecimals = 0; // "0" placeholders after the point
    int MaxDecimals = 0; // all placeholders after the point
    bool Scientific = false;
};

TPicture ParsePicture(const QString& p)
{
    TPicture r;
    int i = 0;
    const int n = int(p.size());
    if (i < n && p[i] == u',') {
        r.Thousands = true;
        ++i;
    }
    while (i < n && p[i] == u'0')
        ++i;
    if (i < n && p[i] == u'.') {
        ++i;
        while (i < n && (p[i] == u'0' || p[i] == u'#')) {
            ++r.MaxDecimals;
            if (p[i] == u'0')
                r.MinDecimals = r.MaxDecimals;
            ++i;
        }
    }
    r.Scientific = p.mid(i) == QLatin1String("E-");
    return r;
}

QString Group(const QString& Digits)
{
    const QChar sep = ThousandSeparator();
    QString out;
    const int n = int(Digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += sep;
        out += Digits[i];
    }
    return out;
}

QString Fraction(const TDecimal& d, int FirstIndex, const TPicture& pic)
{
    QString f;
    for (int j = 0; j < pic.MaxDecimals; ++j)
        f += QChar(DigitAt(d, FirstIndex + j));
    while (f.size() > pic.MinDecimals && f.endsWith(u'0'))
        f.chop(1);
    return f;
}

// 10^e as the text "1E<e>" denotes it.
TNumValue Pow10(int e) { return TNumFormatter::StrToFloat(QStringLiteral("1E%1").arg(e)); }

} // namespace

TNumValue SaturateValue(TNumValue x)
{
    if (std::isnan(x))
        return 0;
    if (std::isinf(x))
        return x > 0 ? LDBL_MAX : -LDBL_MAX;
    return x;
}

TNumValue WrittenDecimal(TNumValue x)
{
    const double d = static_cast<double>(x);
    if (!std::isfinite(d) || static_cast<TNumValue>(d) != x)
        return x;
    char buf[64];
    const auto w = std::to_chars(buf, buf + sizeof buf, d);
    TNumValue v = x;
    std::from_chars(buf, w.ptr, v);
    return v;
}

int DecimalPlaces(TNumValue x)
{
    if (!std::isfinite(x))
        return 0;
    const TDecimal d = Scientific(x, std::nullopt);
    return std::max(0, int(d.Digits.size()) - 1 - d.Exp);
}

QString TNumFormatter::FormatFloat(const QString& Picture, TNumValue x)
{
    const TPicture pic = ParsePicture(Picture);
    TDecimal d = Decompose(x);
    QString text;
    if (pic.Scientific) {
        RoundAt(d, std::min(1 + pic.MaxDecimals, SignificantDigits));
        text = QChar(d.Digits[0]);
        const QString f = Fraction(d, 1, pic);
        if (!f.isEmpty())
            text += DecimalSeparator() + f;
        text += u'E';
        if (d.Exp < 0)
            text += u'-';
        text += QString::number(std::abs(d.Exp));
    } else {
        RoundAt(d, d.Exp + 1 + pic.MaxDecimals);
        QString whole;
        if (d.Exp < 0)
            whole = QStringLiteral("0");
        else
            for (int i = 0; i <= d.Exp; ++i)
                whole += QChar(DigitAt(d, i));
        text = pic.Thousands ? Group(whole) : whole;
        const QString f = Fraction(d, d.Exp + 1, pic);
        if (!f.isEmpty())
            text += DecimalSeparator() + f;
    }
    if (d.Neg && !d.IsZero())
        text.prepend(u'-');
    return text;
}

QString TNumFormatter::FormatValue(TNumValue x) const
{
    x = SaturateValue(x);
    if (NumberFormat == TNumberFormat::Engineering && x != 0) {
        const int n = int(std::trunc(std::log(std::fabs(x)) / std::log(10.0L) / 3));
        const int e = 3 * n;
        const QString suffix = QStringLiteral("E%1").arg(e);
        TNumValue p = Pow10(e);
        TNumValue m;
        if (p > 0 && std::isfinite(p))
            m = x / p;
        else // 10^e underflows for the smallest magnitudes: scale first
            m = (x * 1e64L) / Pow10(e + 64);
        int places = MaxDecimals;
        if (m > 9)
            --places;
        if (m > 99)
            --places;
        if (Decimals != -1 && places > Decimals)
            places = Decimals;
        QString picture;
        if (Decimals < 0)
            picture = QStringLiteral("0.") + QString(places, u'#');
        else if (Decimals == 0)
            picture = QStringLiteral("0");
        else
            picture = QStringLiteral("0.") + QString(places, u'0');
        return FormatFloat(picture, m) + suffix;
    }

    const bool thousands = NumberFormat == TNumberFormat::Thousands;
    QString picture = thousands ? QStringLiteral(",0") : QStringLiteral("0");
    if (Decimals > 0)
        picture += u'.' + QString(Decimals, u'0');
    else if (Decimals < 0)
        picture += u'.' + QString(MaxDecimals, u'#');
    if (NumberFormat == TNumberFormat::Scientific || NumberFormat == TNumberFormat::Engineering)
        picture += QStringLiteral("E-");
    QString text = FormatFloat(picture, x);
    if (text.contains(u'E'))
        return text;
    const int p = int(text.indexOf(DecimalSeparator()));
    if (p < 0)
        return text;
    int k = 0; // integer digits
    for (int i = 0; i < p; ++i)
        if (text[i] >= u'0' && text[i] <= u'9')
            ++k;
    const int room = SignificantDigits - k;
    const QString lead = thousands ? QStringLiteral(",0.") : QStringLiteral("0.");
    if (Decimals < 0) {
        if (thousands && room > 0)
            text = FormatFloat(lead + QString(room, u'#'), x);
        return text;
    }
    // With 15 or more integer digits the places stay as zeros: cutting them
    // and appending zeros would multiply the value.
    if (room < Decimals && room > 0)
        text = FormatFloat(lead + QString(room, u'0'), x) + QString(Decimals - room, u'0');
    return text;
}

int TNumFormatter::ClampDecimals(int Written, int MaxLength)
{
    int d = std::clamp(Written, -1, MaxDecimals);
    if (MaxLength > 0 && d > MaxLength - 2)
        d = MaxLength - 2;
    return d;
}

QString TNumFormatter::StripThousands(const QString& s)
{
    QString out = s;
    out.remove(ThousandSeparator());
    if (out.isEmpty())
        return QStringLiteral("0");
    if (out == QLatin1String("-"))
        return QStringLiteral("-0");
    return out;
}

TNumValue TNumFormatter::StrToFloat(const QString& s)
{
    const QChar dec = DecimalSeparator();
    const int n = int(s.size());
    int i = 0;
    auto isDigit = [&](int j) { return j < n && s[j] >= u'0' && s[j] <= u'9'; };

    bool neg = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+'))
        neg = s[i++] == u'-';
    std::string whole, frac;
    while (isDigit(i))
        whole += char(s[i++].unicode());
    if (i < n && s[i] == dec) {
        ++i;
        while (isDigit(i))
            frac += char(s[i++].unicode());
    }
    long exp = 0;
    if (i < n && (s[i] == u'E' || s[i] == u'e')) {
        ++i;
        bool expNeg = false;
        if (i < n && (s[i] == u'-' || s[i] == u'+'))
            expNeg = s[i++] == u'-';
        while (isDigit(i))
            exp = std::min(exp * 10 + (s[i++].unicode() - '0'), 10'000'000L);
        if (expNeg)
            exp = -exp;
    }

    const std::string canonical = std::string(neg ? "-" : "") + (whole.empty() ? "0" : whole) + '.' +
                                  (frac.empty() ? "0" : frac) + 'e' + std::to_string(exp);
    TNumValue v = 0;
    const auto r = std::from_chars(canonical.data(), canonical.data() + canonical.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow saturates, underflow reads as zero: decide by the position
        // of the first significant digit.
        long magnitude;
        const size_t w = whole.find_first_not_of('0');
        if (w != std::string::npos)
            magnitude = long(whole.size() - w - 1) + exp;
        else
            magnitude = -long(frac.find_first_not_of('0') + 1) + exp;
        v = magnitude > 0 ? LDBL_MAX : 0;
        if (neg)
            v = -v;
    }
    return v;
}

} // namespace ostan
