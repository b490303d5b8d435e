#include "PanelText.h"

#include "NumFormat.h"
#include "NumberSeparators.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace ostan {

namespace {

// A panel formats its value fields for every packet, while most of them read
// as they did a packet ago: the last texts are kept, a slot per value.
struct TRemembered {
    uint64_t Bits = 0;
    int Decimals = -1;
    QChar Separator;
    QString Text;
};
constexpr int RememberedBits = 6;
std::array<TRemembered, 1u << RememberedBits> Remembered;

QString FormatFixed(double Value, int Decimals)
{
    static const std::array<QString, 16> Pictures = [] {
        std::array<QString, 16> P;
        P[0] = QStringLiteral("0");
        for (int i = 1; i < int(P.size()); ++i)
            P[size_t(i)] = QStringLiteral("0.") + QString(i, u'0');
        return P;
    }();
    if (Decimals <= 0)
        return TNumFormatter::FormatFloat(Pictures[0], Value);
    if (Decimals < int(Pictures.size()))
        return TNumFormatter::FormatFloat(Pictures[size_t(Decimals)], Value);
    return TNumFormatter::FormatFloat(QStringLiteral("0.") + QString(Decimals, u'0'), Value);
}

} // namespace

QString FixedText(double Value, int Decimals)
{
    const uint64_t Bits = std::bit_cast<uint64_t>(Value);
    const QChar Separator = DecimalSeparator();
    const uint64_t Slot = ((Bits ^ uint64_t(Decimals)) * 0x9E3779B97F4A7C15u) >> (64 - RememberedBits);
    TRemembered& R = Remembered[size_t(Slot)];
    if (R.Bits != Bits || R.Decimals != Decimals || R.Separator != Separator) {
        R.Text = FormatFixed(Value, Decimals);
        R.Bits = Bits;
        R.Decimals = Decimals;
        R.Separator = Separator;
    }
    return R.Text;
}

QString ComputedText(double Value, int Decimals)
{
    return std::isfinite(Value) ? FixedText(Value, Decimals) : QStringLiteral("---");
}

} // namespace ostan
