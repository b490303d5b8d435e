#include "FormUnit.h"

#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "SensorBlockTrend.h"
#include "Tables.h"

#include <QStyle>
#include <QTimer>

using namespace ostan;

namespace karn7 {

namespace {

uint8_t Bit(uint8_t Byte, uint8_t Mask) { return (Byte & Mask) ? 1 : 0; }

} // namespace

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(BReset, &QPushButton::clicked, this, &TForm1::BResetClick);

    FastLineSeries3 = &SetUpSensorBlockTrend(Chart1->Chart(), -10, 150, 0.01);

    ThresholdFlags = TFlagLabels(this, karn7::ThresholdFlags);
    FaultFlags = TFlagLabels(this, karn7::FaultFlags);
    RangeFlag = TFlagLabels(this, karn7::RangeFlag);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);

    AutoSwithDisableTimer = new QTimer(this);
    AutoSwithDisableTimer->setObjectName(QStringLiteral("AutoSwithDisableTimer"));
    AutoSwithDisableTimer->setInterval(500);
    connect(AutoSwithDisableTimer, &QTimer::timeout, this, &TForm1::AutoSwithDisableTimerTimer);
    AutoSwithDisableTimer->start();
}

void TForm1::ProcessPacket()
{
    const uint8_t B2 = PluginPacket->GetIn(FlagsByte);
    const uint8_t B3 = PluginPacket->GetIn(ValueByte);
    const int Gas = B2 >> GasShift;
    TChartAxis& Axis = Chart1->Chart().LeftAxis();
    if (Gas == GasCarbonMonoxide) {
        ShowText(LType, QStringLiteral("СО угарный газ"));
        Axis.SetMinimum(-12);
        Axis.SetMaximum(140);
        ShowUnit(QStringLiteral("мг./м3"));
    } else if (Gas == GasMethane) {
        ShowText(LType, QStringLiteral("Метан"));
        Axis.SetMinimum(-0.25);
        Axis.SetMaximum(2.75);
        ShowUnit(QStringLiteral("% об.д."));
    } else {
        ShowText(LType, QStringLiteral("Не определен"));
    }

    ThresholdFlags.Show(B2);

    double Chart = 0;
    if (B2 & ErrorPacketBit) {
        // Byte 3 holds the fault flags; the value fields keep what they show.
        FaultFlags.Show(B3);
    } else {
        FaultFlags.Show(0);
        RangeFlag.Show(B2);
        const int V = Bit(B2, ValueBit8) * 256 + B3;
        if (B2 & RangeExceededBit) {
            if (Gas == GasCarbonMonoxide)
                ShowText(LRange, QString::number(V));
            else if (Gas == GasMethane)
                ShowText(LRange, FixedText(V / 100.0, 2));
            else
                ShowText(LRange, QString());
        } else {
            ShowText(LRange, QString());
            if (Gas == GasCarbonMonoxide) {
                Chart = V;
                ShowText(LConcentr, FixedText(Chart, 0));
            } else if (Gas == GasMethane) {
                Chart = V / 100.0;
                ShowText(LConcentr, FixedText(Chart, 2));
            } else {
                ShowText(LConcentr, QStringLiteral("0"));
            }
        }
    }

    if (PluginChart)
        PluginChart->AddValues(Chart, 0);
}

QString TForm1::GetColumnCaption(int Index)
{
    // The unit of the values below it: a carbon-monoxide block's are in
    // mg/m3, not in percent by volume.
    const QString Caption = TPluginForm::GetColumnCaption(Index);
    return Index == 2 ? Caption + ShownText(LConcentrLabel) : Caption;
}

void TForm1::ShowUnit(const QString& Unit)
{
    if (ShownText(LConcentrLabel) == Unit)
        return;
    ShowText(LConcentrLabel, Unit);
    LConcentr->setAccessibleName(QStringLiteral("Текущая концентрация, ") + Unit);
}

void TForm1::BResetClick()
{
    if (HostCallback)
        HostCallback->RestartDevice();
    for (QLineEdit* Edit : {LType, LConcentr, LRange})
        ShowText(Edit, QString());
}

void TForm1::AutoSwithDisableTimerTimer()
{
    if (HostCallback)
        HostCallback->DisableAutoSwitch();
}

} // namespace karn7

OSTAN_PLUGIN_LIBRARY(karn7::TForm1, karn7::Profile);
