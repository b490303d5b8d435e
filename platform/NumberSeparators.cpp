#include "NumberSeparators.h"

#include <QLocale>
#include <optional>

namespace ostan {

namespace {

struct Fixed { QChar Decimal, Thousands; };

std::optional<Fixed>& Override()
{
    static std::optional<Fixed> f;
    return f;
}

// Qt hands the separators out as strings; every locale we meet uses one
// character, and an empty answer falls back to the C locale's.
QChar FirstOr(const QString& s, QChar Fallback) { return s.isEmpty() ? Fallback : s.at(0); }

} // namespace

QChar DecimalSeparator()
{
    if (Override())
        return Override()->Decimal;
    return FirstOr(QLocale::system().decimalPoint(), u'.');
}

QChar ThousandSeparator()
{
    if (Override())
        return Override()->Thousands;
    return FirstOr(QLocale::system().groupSeparator(), u',');
}

void SetSeparatorsForTest(QChar Decimal, QChar Thousands) { Override() = Fixed{Decimal, Thousands}; }

void ResetSeparatorsForTest() { Override().reset(); }

} // namespace ostan
