#include "PanelText.h"

#include "NumFormat.h"

#include <cmath>

namespace ostan {

QString FixedText(double Value, int Decimals)
{
    return TNumFormatter::FormatFloat(Decimals > 0 ? QStringLiteral("0.") + QString(Decimals, u'0') : QStringLiteral("0"),
                                      Value);
}

QString ComputedText(double Value, int Decimals)
{
    return std::isfinite(Value) ? FixedText(Value, Decimals) : QStringLiteral("---");
}

} // namespace ostan
