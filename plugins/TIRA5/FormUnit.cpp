#include "FormUnit.h"

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
    BCoffCalarm->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));

    TChart& C = Chart7->Chart();
    C.Title.clear();
    C.LegendVisible = true;
    C.BottomAxis().Visible = false;
    C.LeftAxis().Title = QStringLiteral("U сенс. абс., мВ");
    C.LeftAxis().SetMinMax(-10, 100);
    C.LeftAxis().SetIncrement(20);
    C.RightAxis().Title = QStringLiteral("Аккум, В");
    C.RightAxis().SetMinMax(4.8, 5.2);
    C.RightAxis().SetIncrement(0.05);
    FastLineSeries10 = &C.AddSeries(TVertAxis::Left);
    FastLineSeries10->Color = Qt::black;
    FastLineSeries10->Title = QStringLiteral("Uсенс. абс.");
    FastLineSeries11 = &C.AddSeries(TVertAxis::Right);
    FastLineSeries11->Color = QColor(0, 128, 255);
    FastLineSeries11->Title = QStringLiteral("Аккум.");

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
