#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>
#include <tuple>

using namespace ostan;

namespace tira4 {

TForm1::TForm1()
{
    setupUi(this);
    BOff->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    std::tie(FastLineSeries7, FastLineSeries6) = SetUpTrend(Chart1->Chart(), BatterySide, AbsoluteSensorVoltageSide);

    FlagLabels = TFlagLabels(this, Flags);
    SetSpins(Spins);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::ProcessPacket()
{
    const double Un2 = PluginPacket->GetIn16(NitrogenVoltageWord) / 10.0;
    ShowText(LUazot, FixedText(Un2, 1));
    const double Uair = PluginPacket->GetIn16(AirVoltageWord) / 10.0;
    ShowText(LUvozd, FixedText(Uair, 1));
    ShowText(LPorog2, FixedText(PluginPacket->GetIn(Threshold2Byte) / 10.0, 1));
    ShowText(LPorog1, FixedText(PluginPacket->GetIn(Threshold1Byte) / 10.0, 1));
    ShowText(LLCD, FixedText(PluginPacket->GetInSigned16(DisplayWord) / 10.0, 1));
    const double Us = PluginPacket->GetIn16(SensorVoltageWord) / 10.0;
    ShowText(LUsens, FixedText(Us, 1));
    const double Ub = PluginPacket->GetIn16(BatteryWord) / 1000.0;
    ShowText(LUakk, FixedText(Ub, 3));
    ShowText(LSensSensit, QuotientText(Uair - Un2, 21, 1));
    FlagLabels.Show(PluginPacket->GetIn(FlagsByte));
    if (PluginChart)
        PluginChart->AddValues(Ub, Us);
}

void TForm1::SendRecord(uint8_t Operation, uint8_t Argument)
{
    PluginPacket->Send({CommandLead, Operation, Argument, 0});
}

} // namespace tira4

OSTAN_PLUGIN_LIBRARY(tira4::TForm1, tira4::Profile);
