#include "FormUnit.h"

#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "SensorBlockTrend.h"
#include "Tables.h"

#include <QShowEvent>
#include <QStyle>
#include <QTimer>

using namespace ostan;

namespace karn7e {

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(BReset, &QPushButton::clicked, this, &TForm1::BResetClick);

    FastLineSeries3 = &SetUpSensorBlockTrend(Chart4->Chart(), -0.25, 2.75, 0.02);

    FaultFlag = TFlagLabels(this, karn7e::FaultFlag);
    SetSpins(Spins);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
    connect(SpinConc, &QLineEdit::textChanged, this, &TForm1::SpinConcChange);

    AutoSwithDisableTimer = new QTimer(this);
    AutoSwithDisableTimer->setObjectName(QStringLiteral("AutoSwithDisableTimer"));
    AutoSwithDisableTimer->setInterval(500);
    connect(AutoSwithDisableTimer, &QTimer::timeout, this, &TForm1::AutoSwithDisableTimerTimer);
    AutoSwithDisableTimer->start();
}

bool TForm1::CheckPacket()
{
    if (!PluginPacket || PluginPacket->InLen() < 2)
        return false;
    uint8_t X = 0;
    for (int i = 2; i <= PluginPacket->InLen(); ++i)
        X ^= NibbleFold(PluginPacket->GetIn(i));
    return X == 0;
}

void TForm1::ProcessPacket()
{
    const int Type = PluginPacket->GetIn(2) >> 4;
    const int R = static_cast<int16_t>(PluginPacket->GetIn(3) << 8 | PluginPacket->GetIn(4));
    ShowText(LType, QString::fromUtf8(TypeNames[Type]));
    if (Type == TypeFault) {
        FaultFlag.Show(1);
    } else if (Type == TypeAirVoltage) {
        AirVoltage = R / 10.0;
        ShowText(LUvozd, FixedText(AirVoltage, 1));
    } else if (Type == TypeGasVoltage) {
        GasVoltage = R / 10.0;
        ShowText(LUpgs, FixedText(GasVoltage, 1));
    }
    if (Type < FirstGasType)
        return;

    // R is the concentration in thousandths of the calibration one. The
    // spin reads any text as a number, an empty one as 0; a calibration
    // concentration of 0 leaves the sensitivity without a value.
    const double Calibration = static_cast<double>(SpinConc->Value());
    ShowText(LConcentr, QString::number(R));
    ShowText(LUsensAbs, FixedText((GasVoltage - AirVoltage) / 1000.0 * R + AirVoltage, 1));
    const double Concentration = Calibration * R / 1000.0;
    ShowText(LConcentrGood, ComputedText(Concentration, 2));
    ShowText(LSensitiv, QuotientText(GasVoltage - AirVoltage, Calibration, 2));
    if (PluginChart)
        PluginChart->AddValues(Concentration, 0);
}

void TForm1::SpinConcChange()
{
    const double Calibration = static_cast<double>(SpinConc->Value());
    Chart4->Chart().LeftAxis().SetRange(-(Calibration * 0.1), Calibration * 1.1);
}

void TForm1::BResetClick()
{
    if (HostCallback)
        HostCallback->RestartDevice();
    AirVoltage = 0;
    GasVoltage = 0;
    for (QLineEdit* Edit : {LType, LConcentr, LUsensAbs, LUvozd, LUpgs, LConcentrGood})
        ShowText(Edit, QString());
}

void TForm1::showEvent(QShowEvent* Event)
{
    TPluginForm::showEvent(Event);
    if (!Event->spontaneous())
        BResetClick();
}

void TForm1::AutoSwithDisableTimerTimer()
{
    if (HostCallback)
        HostCallback->DisableAutoSwitch();
}

} // namespace karn7e

OSTAN_PLUGIN_LIBRARY(karn7e::TForm1, karn7e::Profile);
