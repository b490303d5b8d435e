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
    if (!PluginPacket)
        return;
    const double Uair = PluginPacket->GetInSigned16(2) / 10.0;
    ShowText(LUvozd, FixedText(Uair, 1));
    const double Ugas = PluginPacket->GetInSigned16(4) / 10.0;
    ShowText(LUpgs, FixedText(Ugas, 1));
    ShowText(LUsensDif, FixedText(PluginPacket->GetInSigned16(15) / 10.0, 1));
    const double Cgas = (PluginPacket->GetIn(6) + 50) / 100.0;
    ShowText(LCpgs, FixedText(Cgas, 2));
    ShowText(LCalarm, FixedText(PluginPacket->GetIn(7) / 100.0, 2));
    ShowText(LCoff, FixedText(PluginPacket->GetIn(8) * 2 / 100.0, 2));
    ShowText(LLCD, FixedText(PluginPacket->GetInSigned16(13) / 100.0, 2));
    const double Uabs = PluginPacket->GetIn16(17);
    ShowText(LUsensAbs, FixedText(Uabs, 1));
    const double Ubat = PluginPacket->GetIn16(19) / 1000.0;
    ShowText(LUakk, FixedText(Ubat, 3));
    ShowText(LADCCurrent, FixedText((PluginPacket->GetIn(12) >> 4) * 2.5, 1));
    ShowText(LSensSensit, QuotientText(Ugas - Uair, Cgas, 1));
    FlagLabels.Show(PluginPacket->GetIn(10));
    if (PluginChart)
        PluginChart->AddValues(Uabs, Ubat);
}

} // namespace molt2

OSTAN_PLUGIN_LIBRARY(molt2::TForm1, molt2::Profile);
