#include "CommonInterfacesImp.h"

#include "ButtonFace.h"
#include "PluginForm.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <array>
#include <cmath>

namespace ostan {

std::unique_ptr<IHostCallback> HostCallback;
std::unique_ptr<TPluginPacket> PluginPacket;
std::unique_ptr<TPluginChart> PluginChart;

// ---------------------------------------------------------------- the program's callback

namespace {

// Holds the callback reference; each call holds it once more, so a call that
// ends with the plug-in released (and this link freed) still returns into a
// live object.
class TOstanBackLink final : public IHostCallback {
public:
    explicit TOstanBackLink(ComPtr<IOstanBack> Back) : Back(std::move(Back)) {}
    void SendPacket(const TDynamicByteArray& Packet) override
    {
        const ComPtr<IOstanBack> Keep = Back;
        Keep->SendPacket(Packet);
    }
    void RestartDevice() override
    {
        const ComPtr<IOstanBack> Keep = Back;
        Keep->RestartDevice();
    }
    void DisableAutoSwitch() override
    {
        const ComPtr<IOstanBack> Keep = Back;
        Keep->DisableAutoSwitch();
    }

private:
    ComPtr<IOstanBack> Back;
};

} // namespace

std::unique_ptr<IHostCallback> ConnectOstanBack()
{
    return std::make_unique<TOstanBackLink>(ComCast<IOstanBack>(CreateComObject(CLSID_OstanBack)));
}

// ---------------------------------------------------------------- buffers

TPluginData::TPluginData(int InLen, int OutLen)
{
    if (InLen > 0 && OutLen > 0) {
        FInLen = InLen;
        In.assign(static_cast<size_t>(InLen), 0);
        FOutLen = OutLen;
        Out.assign(static_cast<size_t>(OutLen), 0);
    }
}

uint8_t TPluginData::GetIn(int I) const
{
    return I >= 1 && I <= FInLen ? In[static_cast<size_t>(I - 1)] : 0;
}

uint8_t TPluginData::GetOut(int I) const
{
    return I >= 1 && I <= FOutLen ? Out[static_cast<size_t>(I - 1)] : 0;
}

void TPluginData::SetIn(int I, uint8_t B)
{
    if (I >= 1 && I <= FInLen)
        In[static_cast<size_t>(I - 1)] = B;
}

void TPluginData::SetOut(int I, uint8_t B)
{
    if (I >= 1 && I <= FOutLen)
        Out[static_cast<size_t>(I - 1)] = B;
}

double TPluginData::DF(int N) const
{
    return DeviceFloatToDouble(GetIn(N), GetIn(N + 1), GetIn(N + 2), GetIn(N + 3));
}

double TPluginData::RDF(int N) const
{
    return DeviceFloatToDouble(GetIn(N), GetIn(N + 3), GetIn(N + 2), GetIn(N + 1));
}

TPluginPacket::TPluginPacket(int InLen, int OutLen, const HostCallbackFactory& Connect)
    : TPluginData(InLen, OutLen)
{
    if (!Connect)
        return;
    try {
        HostCallback = Connect();
    } catch (...) {
        // As the destruction of the half-built packet would.
        HostCallback.reset();
        throw;
    }
}

TPluginPacket::~TPluginPacket()
{
    HostCallback.reset();
}

void TPluginPacket::Send(std::span<const uint8_t> Data)
{
    const int N = OutLen();
    if (N <= 0)
        return;
    for (size_t i = 0; i < Data.size() && i < static_cast<size_t>(N); ++i)
        SetOut(static_cast<int>(i) + 1, Data[i]);
    uint8_t X = 0;
    for (int i = 1; i < N; ++i)
        X ^= GetOut(i);
    SetOut(N, X);
    TDynamicByteArray Packet;
    Packet.SetLength(N);
    for (int i = 1; i <= N; ++i)
        Packet[i - 1] = GetOut(i);
    if (HostCallback)
        HostCallback->SendPacket(Packet);
}

// ---------------------------------------------------------------- flags, floats

namespace {

// FlagColourName as text, made once: flags are lit by the thousand a second.
QString FlagDescription(uint32_t Argb)
{
    static const std::array<std::pair<uint32_t, QString>, 3> Names{{
        {FlagRed, QString::fromUtf8(FlagColourName(FlagRed))},
        {FlagYellow, QString::fromUtf8(FlagColourName(FlagYellow))},
        {FlagLime, QString::fromUtf8(FlagColourName(FlagLime))},
    }};
    for (const auto& [Colour, Name] : Names)
        if (Colour == Argb)
            return Name;
    return {}; // FlagColourName names no other colour
}

} // namespace

void ShowFlag(uint8_t Value, uint8_t Mask, QLabel* Lbl, const QColor& Color)
{
    if (!Lbl)
        return;
    const bool On = (Value & Mask) == Mask;
    const QColor Paint = On ? Color : ButtonFace(Lbl);
    // Enabled alone does not tell a screen reader's user an alarm from a
    // warning: a lit flag says its colour.
    const QString Description = On ? FlagDescription(Color.rgba()) : QString();
    // Only a change reaches the label, at the panel's pace.
    if (TShownState* S = ShownStateOf(Lbl))
        S->SetFlag(Lbl, On, Paint, Description);
    else
        PutFlag(Lbl, On, Paint, Description);
}

double DeviceFloatToDouble(uint8_t Exponent, uint8_t M0, uint8_t M1, uint8_t M2)
{
    if (Exponent == 0 || Exponent == 0xFF)
        return 0.0;
    const uint32_t Mantissa = (uint32_t(M2 & 0x7F) << 16) | (uint32_t(M1) << 8) | M0;
    const double V = std::ldexp(1.0 + Mantissa / 8388608.0, int(Exponent) - 127);
    return (M2 & 0x80) ? -V : V;
}

// ---------------------------------------------------------------- trend

namespace {

constexpr int NullPointsAtStart = 5;

} // namespace

TPluginChart::TPluginChart(TChart* Chart, double Span0, double Span1, const TPluginChartVariant& Variant)
    : FChart(Chart), FSpan0(Span0), FSpan1(Span1), FVariant(Variant)
{
    if (!FChart)
        return;
    for (int i = 0; i < FChart->SeriesCount(); ++i) {
        TFastLineSeries& S = FChart->Series(i);
        while (S.Count() < NullPointsAtStart)
            S.AddNull();
    }
}

void TPluginChart::AddValues(double A, double B)
{
    if (!FChart)
        return;
    if (FChart->SeriesCount() >= 1) {
        if (FVariant.ScaleSeries0)
            AddPoint(FChart->Series(0), A);
        else
            AppendAfterLast(FChart->Series(0), A);
    }
    if (FChart->SeriesCount() >= 2)
        AddPoint(FChart->Series(1), B);
}

void TPluginChart::AddPoint(TFastLineSeries& Series, double Value)
{
    if (Series.VertAxis() == TVertAxis::Left)
        ScaleLeft(Value);
    else if (Series.VertAxis() == TVertAxis::Right)
        ScaleRight(Value);
    AppendAfterLast(Series, Value);
}

void TPluginChart::AppendAfterLast(TFastLineSeries& Series, double Value)
{
    // The last X is read before the oldest point goes, so a series of one
    // point continues its numbering; an empty one starts at 0.
    const double X = Series.Count() > 0 ? Series.XValueLast() + 1 : 0.0;
    if (Series.Count() > 0)
        Series.Delete(0);
    Series.AddXY(X, Value);
}

void TPluginChart::Recentre(TChartAxis& Axis, double Span, double Value)
{
    const double M = Span * 0.05;
    if (Value >= Axis.Minimum() + M && Value <= Axis.Maximum() - M)
        return;
    Axis.SetMinMax(Value - Span / 2, Value + Span / 2);
}

void TPluginChart::ScaleLeft(double Value)
{
    if (FChart && FVariant.ScaleLeftAxis)
        Recentre(FChart->LeftAxis(), FSpan0, Value);
}

void TPluginChart::ScaleRight(double Value)
{
    if (FChart)
        Recentre(FChart->RightAxis(), FSpan1, Value);
}

int TPluginChart::PointCount() const
{
    if (!FChart || FVariant.Divisor <= 0)
        return 0;
    return std::max(0, FChart->Width()) / FVariant.Divisor;
}

void TPluginChart::Resize()
{
    if (!FChart)
        return;
    const int N = PointCount();
    for (int i = 0; i < FChart->SeriesCount(); ++i) {
        TFastLineSeries& S = FChart->Series(i);
        while (S.Count() > N)
            S.Delete(0);
        double X = S.Count() > 0 ? std::nearbyint(S.XValueLast()) - S.Count() : 0.0;
        while (S.Count() < N) {
            S.AddXY(X, 0);
            X -= 1;
        }
    }
}

void TPluginChart::Shift(TFastLineSeries& Series)
{
    const int N = Series.Count();
    if (N < 3)
        return;
    const double Y1 = Series.YValue(0);
    const double Xn = Series.XValueLast();
    const double Yn = Series.YValue(N - 1);
    Series.Delete(0);
    Series.AddXY(Xn + 1, Yn);
    for (int i = N - 3; i >= 0; --i)
        Series.SetYValue(i + 1, Series.YValue(i));
    Series.SetYValue(0, Y1);
}

void TPluginChart::AddValue0(double Value)
{
    if (!FChart)
        return;
    if (FChart->SeriesCount() >= 1)
        AddPoint(FChart->Series(0), Value);
    if (FChart->SeriesCount() >= 2)
        Shift(FChart->Series(1));
}

void TPluginChart::AddValue1(double Value)
{
    if (!FChart || FChart->SeriesCount() < 2)
        return;
    AddPoint(FChart->Series(1), Value);
    Shift(FChart->Series(0));
}

void TPluginChart::Clear()
{
    if (!FChart)
        return;
    for (int i = 0; i < FChart->SeriesCount(); ++i)
        FChart->Series(i).Clear();
    Resize();
}

} // namespace ostan
