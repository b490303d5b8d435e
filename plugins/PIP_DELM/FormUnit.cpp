#include "FormUnit.h"

#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "PanelText.h"
#include "Profile.h"
#include "SensorBlockTrend.h"
#include "Tables.h"

#include <QShowEvent>
#include <QStyle>

using namespace ostan;

namespace delm {

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(BReset, &QPushButton::clicked, this, &TForm1::BResetClick);

    FastLineSeries2 = &SetUpSensorBlockTrend(Chart3->Chart(), -0.25, 2.75, 0.02);

    MeasurementFlags = TFlagLabels(this, delm::MeasurementFlags);
    ErrorFlags = TFlagLabels(this, delm::ErrorFlags);
    SetSpins(Spins);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
    connect(SpinConc, &QLineEdit::textChanged, this, &TForm1::SpinConcChange);
}

void TForm1::ProcessPacket()
{
    const uint8_t Kind = PluginPacket->GetIn(2);
    const uint8_t B3 = PluginPacket->GetIn(3);
    if (Kind == KindGas)
        ShowText(LType, QString::fromUtf8(GasName(B3)));
    if (IsMeasurement(Kind)) {
        const int V = static_cast<int8_t>(B3) * 65536 + PluginPacket->GetIn(4) * 256 + PluginPacket->GetIn(5);
        ShowText(LConcentr, QString::number(V));
        MeasurementFlags.Show(Kind);
        // The spin reads any text as a number, an empty one as 0.
        const double Concentration = static_cast<double>(SpinConc->Value()) * V / ValueScale;
        ShowText(LConcentrGood, ComputedText(Concentration, 2));
        if (PluginChart)
            PluginChart->AddValues(Concentration, 0);
    }
    if (Kind == KindError)
        ErrorFlags.Show(B3);
}

void TForm1::SpinConcChange()
{
    const double Calibration = static_cast<double>(SpinConc->Value());
    Chart3->Chart().LeftAxis().SetRange(-(Calibration * 0.1), Calibration * 1.1);
}

void TForm1::BResetClick()
{
    if (HostCallback)
        HostCallback->RestartDevice();
    for (QLineEdit* Edit : {LType, LConcentr, LConcentrGood})
        ShowText(Edit, QString());
}

void TForm1::showEvent(QShowEvent* Event)
{
    TPluginForm::showEvent(Event);
    if (!Event->spontaneous())
        BResetClick();
}

} // namespace delm

OSTAN_PLUGIN_LIBRARY(delm::TForm1, delm::Profile);
