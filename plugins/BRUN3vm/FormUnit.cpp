#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "ButtonFace.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>
#include <cmath>

using namespace ostan;

namespace brun3vm {

namespace {

uint8_t In(int N) { return PluginPacket->GetIn(N); }

// A whole number of mV, halves to even. Two device floats can differ by far
// more than a 64-bit integer holds; such a difference has no text but "---",
// and the rest of the packet is shown all the same.
QString DifferenceText(double Difference)
{
    constexpr double Limit = 9223372036854775808.0; // 2^63
    const double R = std::nearbyint(Difference);
    if (!(R >= -Limit && R < Limit))
        return QStringLiteral("---");
    return QString::number(static_cast<qint64>(R));
}

uint8_t XorOf(int First, int Last)
{
    uint8_t X = 0;
    for (int i = First; i <= Last; ++i)
        X ^= In(i);
    return X;
}

} // namespace

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    const TAnalyserTrend Trend = SetUpAnalyserTrend(Chart7->Chart());
    FastLineSeries10 = Trend.SensorVoltage;
    FastLineSeries11 = Trend.Battery;

    ErrorLabels = TFlagLabels(this, ErrorFlags);
    SoundLabels = TFlagLabels(this, SoundFlags);
    StateLabels = TFlagLabels(this, StateFlags);
    SetSpins(Spins);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

bool TForm1::CheckPacket()
{
    if (!PluginPacket || PluginPacket->InLen() < 2)
        return false;
    return XorOf(2, CheckByte) == 0;
}

void TForm1::ProcessPacket()
{
    ShowText(LADCCurrent, FixedText((In(AdcCurrentByte) >> 4) * AdcCurrentStep, 1));
    const double Uair = PluginPacket->DF(AirVoltageFloat);
    ShowText(LUvozd, FixedText(Uair, 1));
    const double Ugas = PluginPacket->DF(GasVoltageFloat);
    ShowText(LUpgs, FixedText(Ugas, 1));
    ShowText(LUsensDelta, DifferenceText(Uair - Ugas));
    ShowText(LSensSensit, QString::number(In(SensitivityByte)));
    ShowEepromVerdict(XorOf(EepromFirstByte, EepromLastByte) == 0);
    const double Uabs = PluginPacket->DF(AbsVoltageFloat);
    ShowText(LUsensAbs, FixedText(Uabs, 1));
    const double Ubat = PluginPacket->GetIn16(BatteryWord) / BatteryDivisor;
    ShowText(LUakk, FixedText(Ubat, 3));
    ErrorLabels.Show(In(ErrorFlagsByte));
    SoundLabels.Show(In(SoundFlagsByte));
    StateLabels.Show(In(StateFlagsByte));
    if (PluginChart)
        PluginChart->AddValues(Uabs, Ubat);
}

void TForm1::ShowEepromVerdict(bool Intact)
{
    ShowText(lEEPROMXOR, Intact ? QStringLiteral("OK") : QStringLiteral("Нарушена"));
    ShowBase(lEEPROMXOR, Intact ? ButtonFace(lEEPROMXOR) : QColor(Qt::red));
}

} // namespace brun3vm

OSTAN_PLUGIN_LIBRARY(brun3vm::TForm1, brun3vm::Profile);
