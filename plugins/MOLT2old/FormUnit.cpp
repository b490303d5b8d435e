#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "Tables.h"

#include <QStyle>
#include <cmath>
#include <tuple>

using namespace ostan;

namespace molt2old {

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));

    std::tie(FastLineSeries7, FastLineSeries6) =
        SetUpTrend(Chart1->Chart(), BatterySide, AbsoluteSensorVoltageSide);

    FlagLabels = TFlagLabels(this, Flags);
    SetSpins(Spins);
    SetCommands(Commands);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::ProcessPacket()
{
    const TPluginPacket& P = *PluginPacket;
    const double F0 = P.DF(ZeroReading);
    const double Scale = P.DF(ScaleReading) - F0;
    const double F2 = P.DF(BatteryReading);
    const double F3 = P.DF(DiffReading);
    const double F4 = P.DF(AbsReading);
    const double S = P.RDF(Sensitivity) * 10;
    const double Uair = P.RDF(AirVoltage) / 10;
    const double Ugas = P.RDF(GasVoltage) / 10;
    const double K = P.RDF(ScaleVoltage);

    // Every quotient on its own: one with no finite result shows "---" and
    // the rest of the packet is still shown.
    const double Ubat = F2 * K * BatteryFactor / Scale / 1000;
    const double Uabs = (F4 - F0) / Scale * K * 1000;
    const double Udif = F3 / Scale * 1000 * K;
    ShowText(LUakk, ComputedText(Ubat, 3));
    ShowText(LUsensAbs, ComputedText(Uabs, 3));
    ShowText(LUsensDif, ComputedText(Udif, 1));
    // Without a differential voltage there is no reading either.
    ShowText(LLCD, QuotientText(Udif - Uair, S, 2));

    ShowText(LUvozd, FixedText(Uair, 1));
    ShowText(LUpgs, FixedText(Ugas, 1));
    ShowText(LCpgs, FixedText((P.GetIn(GasCode) + ConcentrationOffset) / 100.0, 2));
    ShowText(LCoff, FixedText(P.GetIn(SwitchOffCode) * 2 / 100.0, 2));
    ShowText(LCalarm, FixedText(P.GetIn(AlarmCode) / 100.0, 2));
    ShowText(LSensSensit, FixedText(S, 1));

    FlagLabels.Show(FlagConditions(P.GetIn(ErrorByte), P.GetIn(WarningByte)));
    if (PluginChart && std::isfinite(Ubat) && std::isfinite(Uabs))
        PluginChart->AddValues(Ubat, Uabs);
}

} // namespace molt2old

OSTAN_PLUGIN_LIBRARY(molt2old::TForm1, molt2old::Profile);
