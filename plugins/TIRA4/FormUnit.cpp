#include "FormUnit.h"

#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>

using namespace ostan;

namespace tira4 {

namespace {

int16_t Signed16(int N) { return static_cast<int16_t>(PluginPacket->GetIn(N) | PluginPacket->GetIn(N + 1) << 8); }
uint16_t Unsigned16(int N) { return static_cast<uint16_t>(PluginPacket->GetIn(N) | PluginPacket->GetIn(N + 1) << 8); }

} // namespace

TForm1::TForm1()
{
    setupUi(this);
    BOff->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    TChart& C = Chart1->Chart();
    C.Title.clear();
    C.LegendVisible = true;
    C.BottomAxis().Visible = false;
    C.LeftAxis().Title = QStringLiteral("Аккум, В");
    C.LeftAxis().SetMinMax(4.8, 5.2);
    C.LeftAxis().SetIncrement(0.05);
    C.RightAxis().Title = QStringLiteral("U сенс. абс., мВ");
    C.RightAxis().SetMinMax(990, 1100);
    C.RightAxis().SetIncrement(20);
    FastLineSeries7 = &C.AddSeries(TVertAxis::Left);
    FastLineSeries7->Color = QColor(0, 128, 255);
    FastLineSeries7->Title = QStringLiteral("Аккум.");
    FastLineSeries6 = &C.AddSeries(TVertAxis::Right);
    FastLineSeries6->Color = Qt::black;
    FastLineSeries6->Title = QStringLiteral("Uсенс. абс.");

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
    const double Un2 = Unsigned16(2) / 10.0;
    ShowText(LUazot, FixedText(Un2, 1));
    const double Uair = Unsigned16(4) / 10.0;
    ShowText(LUvozd, FixedText(Uair, 1));
    ShowText(LPorog2, FixedText(PluginPacket->GetIn(6) / 10.0, 1));
    ShowText(LPorog1, FixedText(PluginPacket->GetIn(7) / 10.0, 1));
    ShowText(LLCD, FixedText(Signed16(12) / 10.0, 1));
    const double Us = Unsigned16(14) / 10.0;
    ShowText(LUsens, FixedText(Us, 1));
    const double Ub = Unsigned16(16) / 1000.0;
    ShowText(LUakk, FixedText(Ub, 3));
    ShowText(LSensSensit, QuotientText(Uair - Un2, 21, 1));
    FlagLabels.Show(PluginPacket->GetIn(9));
    if (PluginChart)
        PluginChart->AddValues(Ub, Us);
}

void TForm1::SendRecord(uint8_t Operation, uint8_t Argument)
{
    PluginPacket->Send({CommandLead, Operation, Argument, 0});
}

} // namespace tira4

OSTAN_PLUGIN_LIBRARY(tira4::TForm1, tira4::Profile);
