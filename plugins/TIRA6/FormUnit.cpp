#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>
#include <algorithm>
#include <tuple>

using namespace ostan;

namespace tira6 {

namespace {

constexpr int GuardColumn = static_cast<int>(Columns.size()) + 1;

} // namespace

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    std::tie(FastLineSeries8, FastLineSeries9) =
        SetUpTrend(Chart6->Chart(), SensorVoltageSide, BatterySide);

    FlagLabels = TFlagLabels(this, Flags);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::ProcessPacket()
{
    ShowText(LUvozd, FixedText(PluginPacket->GetIn16(AirVoltageWord) / 10.0, 1));
    ShowText(LUazot, FixedText(PluginPacket->GetIn16(ThresholdVoltageWord) / 10.0, 1));
    const double Us = PluginPacket->GetIn16(SensorVoltageWord) / 10.0;
    ShowText(LUsens, FixedText(Us, 1));
    const double Ub = PluginPacket->GetIn16(BatteryWord) / 1000.0;
    ShowText(LUakk, FixedText(Ub, 3));
    ShowText(LADCCurrent, FixedText((PluginPacket->GetIn(CurrentByte) >> 4) * 2.5, 1));
    const QString Guard = PluginPacket->GetIn(GuardByte) == GuardOn ? QStringLiteral("Включена") : QStringLiteral("Отключена");
    ShowText(LGuard, Guard);
    // The bar ignores a position outside its range and would keep showing
    // the last one; what lies beyond shows as its end.
    const int Bar = std::clamp<int>(PluginPacket->GetIn(BarByte), ProgressBar1->minimum(), ProgressBar1->maximum());
    ShowValue(ProgressBar1, Bar);
    ShowText(LRange, QString::number(PluginPacket->GetIn(RangeByte) + 1));
    FlagLabels.Show(PluginPacket->GetIn(FlagsByte));
    if (PluginChart)
        PluginChart->AddValues(Us, Ub);
}

QString TForm1::GetColumnCaption(int Index)
{
    return Index == GuardColumn ? QString::fromUtf8(GuardColumnCaption) : TPluginForm::GetColumnCaption(Index);
}

QString TForm1::GetColumnValue(int Index)
{
    return Index == GuardColumn ? ShownText(LGuard) : TPluginForm::GetColumnValue(Index);
}

} // namespace tira6

OSTAN_PLUGIN_LIBRARY(tira6::TForm1, tira6::Profile);
