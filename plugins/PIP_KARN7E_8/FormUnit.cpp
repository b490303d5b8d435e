#include "FormUnit.h"

#include "AnalyserTrend.h"
#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "NumSpin.h"
#include "PanelText.h"
#include "Profile.h"
#include "SensorBlockTrend.h"

#include <QShowEvent>
#include <QStyle>
#include <cmath>
#include <tuple>

using namespace ostan;

namespace karn7e8 {

namespace {

// Millivolts of a voltage packet's R.
double Millivolts(int R) { return R / CountsPerVolt * 1000.0; }

const QString RawUnit = QStringLiteral("/4096");
const QString VoltUnit = QStringLiteral("В");

} // namespace

TForm1::TForm1()
{
    setupUi(this);
    BReset->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(BReset, &QPushButton::clicked, this, &TForm1::BResetClick);

    std::tie(FastLineSeries7, FastLineSeries6) =
        SetUpTrend(Chart1->Chart(), ConcentrationSide, AbsoluteSensorVoltageSide);
    Chart1->Chart().BottomAxis().Automatic = true;

    FaultFlags = TFlagLabels(this, karn7e8::FaultFlags);
    NoSettingsFlag = TFlagLabels(this, karn7e8::NoSettingsFlag);
    SetColumns(Columns);
    FinishForm(OSTAN_PLUGIN_NAME);
}

void TForm1::showEvent(QShowEvent* Event)
{
    TPluginForm::showEvent(Event);
    // Only the program's showing; a window coming back from the taskbar
    // restarts nothing.
    if (!Event->spontaneous())
        FormShow();
}

double TForm1::CalibrationConcentration() const
{
    // Any text reads as a number; one too large for a double is infinite
    // and its results show as "---".
    return static_cast<double>(SpinConc->Value());
}

void TForm1::ProcessPacket()
{
    const uint8_t B3 = PluginPacket->GetIn(3);
    const uint8_t B4 = PluginPacket->GetIn(4);
    const uint8_t B5 = PluginPacket->GetIn(5);
    const uint8_t T = TypeOf(B3);
    const uint8_t G = GasOf(B3);
    const int R = static_cast<int16_t>(static_cast<uint16_t>(B4 << 8 | B5));

    if (G != GasCode) {
        ClearPanel();
        SetGasType(G);
    } else if (ShownText(LGasType).isEmpty()) {
        // After "Перезапуск" the block goes on with the same gas: the name
        // its code showed comes back ("Неопределен" too), the user's
        // calibration settings stay.
        ShowText(LGasType, GasName);
    }

    switch (T) {
    case TypeWarmUp: {
        const QString WarmUp = QString::fromUtf8(TypeNames[TypeWarmUp]);
        ShowText(LType, WarmUp);
        ShowText(LConcentr, WarmUp);
        ShowText(LConcentrGood, WarmUp);
        break;
    }
    case TypeConcentration: {
        ShowText(LType, QString::fromUtf8(TypeNames[TypeConcentration]));
        ShowText(LConcentr, QString::number(R));
        ShowConcentrUnit(RawUnit);
        const double C = CalibrationConcentration() * R / CountsPerVolt;
        ShowText(LConcentrGood, ComputedText(C, ConcDecimals));
        if (PluginChart && std::isfinite(C))
            PluginChart->AddValue0(C);
        break;
    }
    case TypeSensorVoltage: {
        ShowText(LType, QString::fromUtf8(TypeNames[TypeSensorVoltage]));
        const double U = Millivolts(R);
        ShowText(LConcentr, FixedText(U / 1000.0, 3));
        ShowConcentrUnit(VoltUnit);
        ShowText(LConcentrGood, QStringLiteral("0"));
        if (PluginChart)
            PluginChart->AddValue1(U);
        break;
    }
    case TypeStatus:
        break;
    case TypeDiffVoltage:
        ShowText(LType, QString::fromUtf8(TypeNames[TypeDiffVoltage]));
        DiffVoltage = Millivolts(R);
        ShowText(LUpgs, FixedText(DiffVoltage, 1));
        // A calibration concentration of 0 has no sensitivity: "---".
        ShowText(LSensitiv, QuotientText(DiffVoltage, CalibrationConcentration(), 0));
        // A run of difference voltages adds one point, for its first.
        if (T != LastPacketType && PluginChart)
            PluginChart->AddValue1(ZeroVoltage + DiffVoltage);
        break;
    case TypeZeroVoltage:
        ShowText(LType, QString::fromUtf8(TypeNames[TypeZeroVoltage]));
        ZeroVoltage = Millivolts(R);
        ShowText(LUvozd, FixedText(ZeroVoltage / 1000.0, 3));
        break;
    case TypeTemperature:
        ShowText(LType, QString::fromUtf8(TypeNames[TypeTemperature]));
        ShowText(LTemperature, QString::number(int(B4) - TemperatureOffset));
        break;
    default:
        ShowText(LType, QString::fromUtf8(ReservedTypeName));
        break;
    }

    NoSettingsFlag.Show(T == TypeSensorVoltage ? 0x01 : 0x00);
    FaultFlags.Show(T == TypeStatus ? B5 : 0x00);

    LastPacketType = T;
    GasCode = G;
}

void TForm1::SetGasType(uint8_t Code)
{
    const TGasDef* Gas = FindGas(Code);
    GasName = QString::fromUtf8(Gas ? Gas->Name : UnknownGasName);
    ShowText(LGasType, GasName);
    if (!Gas)
        return;
    const QString Unit = QString::fromUtf8(Gas->Unit);
    ShowText(LConcentrGoodLabel, Unit);
    LConcentrGood->setAccessibleName(QStringLiteral("Текущая концентрация, ") + Unit);
    ConcDecimals = static_cast<uint8_t>(Gas->Decimals);
    // The decimals before the value, so the spin shows the table's value
    // exactly and not one rounded to the previous gas's digits.
    SetSpins({&Gas->Spin, 1});
    ShowText(LConcText, Unit);
    SpinConc->setAccessibleName(QStringLiteral("Концен., ") + Unit);
    TChart& C = Chart1->Chart();
    C.LeftAxis().SetMinMax(Gas->Left.Min, Gas->Left.Max);
    C.LeftAxis().SetIncrement(Gas->Left.Increment);
    C.RightAxis().SetMinMax(Gas->Right.Min, Gas->Right.Max);
}

void TForm1::ShowConcentrUnit(const QString& Unit)
{
    if (ShownText(LConcentrLabel) == Unit)
        return;
    ShowText(LConcentrLabel, Unit);
    LConcentr->setAccessibleName(QStringLiteral("Значение посылки, ") + Unit);
}

void TForm1::ClearPanel()
{
    ZeroVoltage = 0;
    DiffVoltage = 0;
    for (QLineEdit* E : {LType, LGasType, LConcentr, LConcentrGood, LSensitiv, LUvozd, LUpgs, LTemperature})
        ShowText(E, QString());
    NoSettingsFlag.Show(0);
    FaultFlags.Show(0);
    if (PluginChart)
        PluginChart->Clear();
}

void TForm1::BResetClick()
{
    if (HostCallback)
        HostCallback->RestartDevice();
    ClearPanel();
}

void TForm1::FormShow()
{
    BResetClick();
}

} // namespace karn7e8

OSTAN_PLUGIN_LIBRARY(karn7e8::TForm1, karn7e8::Profile);
