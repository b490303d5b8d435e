#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>

using namespace ostan;

namespace molt2 {

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    const TAnalyserTrend Trend = SetUpAnalyserTrend(Chart1->Chart());
    FastLineSeries6 = Trend.SensorVoltage;
    FastLineSeries7 = Trend.Battery;

    FlagLabels = TFlagLabels(this, Flags);
    SetSpins(Spins);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::ProcessPacket()
{
    const double Uair = PluginPacket->GetInSigned16(AirVoltageWord) / 10.0;
    ShowText(LUvozd, FixedText(Uair, 1));
    const double Ugas = PluginPacket->GetInSigned16(GasVoltageWord) / 10.0;
    ShowText(LUpgs, FixedText(Ugas, 1));
    ShowText(LUsensDif, FixedText(PluginPacket->GetInSigned16(DiffVoltageWord) / 10.0, 1));
    const double Cgas = (PluginPacket->GetIn(GasCodeByte) + ConcentrationOffset) / 100.0;
    ShowText(LCpgs, FixedText(Cgas, 2));
    ShowText(LCalarm, FixedText(PluginPacket->GetIn(AlarmCodeByte) / 100.0, 2));
    ShowText(LCoff, FixedText(PluginPacket->GetIn(SwitchOffCodeByte) * 2 / 100.0, 2));
    ShowText(LLCD, FixedText(PluginPacket->GetInSigned16(DisplayWord) / 100.0, 2));
    const double Uabs = PluginPacket->GetIn16(AbsVoltageWord);
    ShowText(LUsensAbs, FixedText(Uabs, 1));
    const double Ubat = PluginPacket->GetIn16(BatteryWord) / 1000.0;
    ShowText(LUakk, FixedText(Ubat, 3));
    ShowText(LADCCurrent, FixedText((PluginPacket->GetIn(CurrentByte) >> 4) * 2.5, 1));
    ShowText(LSensSensit, QuotientText(Ugas - Uair, Cgas, 1));
    FlagLabels.Show(PluginPacket->GetIn(FlagsByte));
    if (PluginChart)
        PluginChart->AddValues(Uabs, Ubat);
}

} // namespace molt2

OSTAN_PLUGIN_LIBRARY(molt2::TForm1, molt2::Profile);
