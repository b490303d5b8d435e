#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "PanelText.h"
#include "Tables.h"

#include <QStyle>

using namespace ostan;

namespace tira5 {

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    const TAnalyserTrend Trend = SetUpAnalyserTrend(Chart7->Chart());
    FastLineSeries10 = Trend.SensorVoltage;
    FastLineSeries11 = Trend.Battery;

    FlagLabels = TFlagLabels(this, Flags);
    SetSpins(Spins);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::ProcessPacket()
{
    const TPluginPacket& P = *PluginPacket;
    const double Uair = P.DF(AirVoltageFloat);
    ShowText(LUvozd, FixedText(Uair, 1));
    const double Ugas = P.DF(GasVoltageFloat);
    ShowText(LUpgs, FixedText(Ugas, 1));
    const double Uabs = P.DF(AbsVoltageFloat);
    ShowText(LUsensAbs, FixedText(Uabs, 1));
    const double Ubat = (P.GetIn(BatteryWord) | P.GetIn(BatteryWord + 1) << 8) / 1000.0;
    ShowText(LUakk, FixedText(Ubat, 3));
    const double Cgas = (P.GetIn(GasCodeByte) + ConcentrationOffset) / 100.0;
    ShowText(LCpgs, FixedText(Cgas, 2));
    ShowText(LCoff, FixedText(P.GetIn(SwitchOffCodeByte) * 2 / 100.0, 2));
    ShowText(LCalarm, FixedText(P.GetIn(AlarmCodeByte) / 100.0, 2));
    ShowText(LADCCurrent, FixedText((P.GetIn(CurrentByte) >> 4) * 2.5, 1));
    // Equal calibration voltages leave the concentration without a value;
    // the rest of the packet is shown all the same.
    ShowText(LLCD, ComputedText((Uabs - Uair) / (Ugas - Uair) * Cgas, 2));
    ShowText(LSensSensit, QuotientText(Ugas - Uair, Cgas, 1));
    FlagLabels.Show(P.GetIn(FlagsByte));
    if (PluginChart)
        PluginChart->AddValues(Uabs, Ubat);
}

} // namespace tira5
