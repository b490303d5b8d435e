#include "FormUnit.h"

#include "CommonInterfacesImp.h"
#include "CommonPlugInMethods.h"
#include "ConstUnit.h"
#include "NumFormat.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using namespace ostan;

namespace karn7 {

namespace {

// Gas codes of byte 2, bits 7-5.
constexpr int GasCarbonMonoxide = 1;
constexpr int GasMethane = 4;

// Bits of byte 2.
constexpr uint8_t Threshold2Bit = 0x10;
constexpr uint8_t Threshold1Bit = 0x08;
constexpr uint8_t ErrorPacketBit = 0x04;
constexpr uint8_t RangeExceededBit = 0x02;
constexpr uint8_t ValueBit8 = 0x01;

// Fault flags of byte 3 in an error packet.
constexpr uint8_t AdcFailure = 0x01;
constexpr uint8_t SensorFault = 0x02;
constexpr uint8_t NoCalibration = 0x04;

const QColor Fault = Qt::red;
const QColor Warning = Qt::yellow;

QColor ButtonFace(const QWidget* W) { return QApplication::palette(W).color(QPalette::Active, QPalette::Button); }

// Fixed point, 15 significant digits, the locale's decimal separator.
QString FixedText(double Value, int Decimals)
{
    return TNumFormatter::FormatFloat(Decimals > 0 ? QStringLiteral("0.") + QString(Decimals, u'0') : QStringLiteral("0"),
                                      Value);
}

uint8_t Bit(uint8_t Byte, uint8_t Mask) { return (Byte & Mask) ? 1 : 0; }

// Disabled and in the button-face colour, as a clear flag.
void SwitchOff(QLabel* Lbl) { ShowFlag(0, 1, Lbl, Fault); }

// Read-only, in the button-face colour, out of the tab order.
QLineEdit* ShowEdit(QWidget* Parent, const char* Name)
{
    auto* E = new QLineEdit(Parent);
    E->setObjectName(QLatin1String(Name));
    E->setReadOnly(true);
    E->setFocusPolicy(Qt::ClickFocus);
    QPalette P = E->palette();
    P.setColor(QPalette::Base, ButtonFace(E));
    E->setPalette(P);
    return E;
}

QLabel* FlagLabel(QWidget* Parent, const char* Name, const QString& Text)
{
    auto* L = new QLabel(Text, Parent);
    L->setObjectName(QLatin1String(Name));
    L->setMargin(2);
    L->setEnabled(false);
    return L;
}

TImage* HiddenImage(QWidget* Parent, const char* Name)
{
    auto* I = new TImage(Parent);
    I->setObjectName(QLatin1String(Name));
    I->LoadFromJpegFile(QStringLiteral(":/" OSTAN_PLUGIN_NAME "/%1.jpg").arg(QLatin1String(Name)));
    I->hide();
    return I;
}

} // namespace

TForm1::TForm1()
{
    QPalette FormPalette = palette();
    FormPalette.setColor(QPalette::Window, ButtonFace(this));
    setPalette(FormPalette);
    setAutoFillBackground(true);

    LTypeLabel = new QLabel(QStringLiteral("Тип блока датчика:"), this);
    LTypeLabel->setObjectName(QStringLiteral("LTypeLabel"));
    LType = ShowEdit(this, "LType");
    LType->setFixedWidth(200);
    LTypeLabel->setBuddy(LType);

    // The group boxes are of fixed size, as on the form, and place their
    // components themselves below their titles.
    GroupBox4 = new QGroupBox(QStringLiteral("Текущая концентрация"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    LConcentr = ShowEdit(GroupBox4, "LConcentr");
    LConcentr->setFixedWidth(110);
    LConcentrLabel = new QLabel(QStringLiteral("% об.д."), GroupBox4);
    LConcentrLabel->setObjectName(QStringLiteral("LConcentrLabel"));
    LConcentrLabel->setBuddy(LConcentr);
    {
        const QMargins M = GroupBox4->contentsMargins();
        const int H = LConcentr->sizeHint().height();
        LConcentr->setGeometry(M.left() + 8, M.top() + 6, 110, H);
        LConcentrLabel->setGeometry(M.left() + 124, M.top() + 6, 70, H);
        GroupBox4->setFixedSize(M.left() + 200 + M.right(), M.top() + H + 12 + M.bottom());
    }

    BReset = new QPushButton(style()->standardIcon(QStyle::SP_DialogNoButton), QStringLiteral("Перезапуск"), this);
    BReset->setObjectName(QStringLiteral("BReset"));
    connect(BReset, &QPushButton::clicked, this, &TForm1::BResetClick);

    GroupBox3 = new QGroupBox(QStringLiteral("Внутренние ошибки"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    lNoSettings = FlagLabel(GroupBox3, "lNoSettings", QStringLiteral("Нет настройки"));
    lLimit1Ex = FlagLabel(GroupBox3, "lLimit1Ex", QStringLiteral("Превышение порога 1"));
    lLimit2Ex = FlagLabel(GroupBox3, "lLimit2Ex", QStringLiteral("Превышение порога 2"));
    lRangeEx = FlagLabel(GroupBox3, "lRangeEx", QStringLiteral("Прев. диап. индик."));
    LRange = ShowEdit(GroupBox3, "LRange");
    lADCErr = FlagLabel(GroupBox3, "lADCErr", QStringLiteral("Авария АЦП"));
    lSensBad = FlagLabel(GroupBox3, "lSensBad", QStringLiteral("Неисправность сенсора"));
    {
        const QMargins M = GroupBox3->contentsMargins();
        const int H = LRange->sizeHint().height();
        int Y = M.top() + 4;
        for (QLabel* L : {lNoSettings, lLimit1Ex, lLimit2Ex, lRangeEx, lADCErr, lSensBad}) {
            L->setGeometry(M.left() + 8, Y, 160, H);
            Y += H + 2;
        }
        LRange->setGeometry(M.left() + 174, lRangeEx->y(), 66, H);
        GroupBox3->setFixedSize(M.left() + 248 + M.right(), Y + 4 + M.bottom());
    }

    Chart1 = new TChartView(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    TChart& C = Chart1->Chart();
    C.Title.clear();
    C.LegendVisible = false;
    C.BottomAxis().Visible = false;
    C.BottomAxis().Automatic = true;
    C.LeftAxis().Title = QStringLiteral("Концентрация");
    C.LeftAxis().SetMinMax(-10, 150);
    C.LeftAxis().SetIncrement(0.01);
    C.RightAxis().Title = QStringLiteral("Аккум, В");
    C.RightAxis().Visible = false;
    C.RightAxis().SetMinMax(4.8, 5.2);
    C.RightAxis().SetIncrement(0.05);
    FastLineSeries3 = &C.AddSeries(TVertAxis::Left);
    FastLineSeries3->Color = Qt::black;
    FastLineSeries3->Title = QStringLiteral("Uсенс. абс.");

    MainImage = HiddenImage(this, "MainImage");
    ConnectionBLD4 = HiddenImage(this, "ConnectionBLD4");
    ConnectionBLD5 = HiddenImage(this, "ConnectionBLD5");

    auto* Left = new QVBoxLayout;
    Left->addWidget(LTypeLabel);
    Left->addWidget(LType);
    Left->addWidget(GroupBox4);
    Left->addWidget(BReset, 0, Qt::AlignLeft);
    Left->addStretch(1);
    auto* Top = new QHBoxLayout;
    Top->addLayout(Left);
    Top->addStretch(1);
    Top->addWidget(GroupBox3, 0, Qt::AlignTop);
    auto* Form = new QVBoxLayout(this);
    Form->addLayout(Top);
    Form->addWidget(Chart1, 1);

    setMinimumSize(531, 348);
    resize(523, 314);

    AutoSwithDisableTimer = new QTimer(this);
    AutoSwithDisableTimer->setObjectName(QStringLiteral("AutoSwithDisableTimer"));
    AutoSwithDisableTimer->setInterval(500);
    connect(AutoSwithDisableTimer, &QTimer::timeout, this, &TForm1::AutoSwithDisableTimerTimer);
    AutoSwithDisableTimer->start();
}

void TForm1::ProcessPacket()
{
    if (!PluginPacket)
        return;
    const uint8_t B2 = PluginPacket->GetIn(2);
    const uint8_t B3 = PluginPacket->GetIn(3);
    const int Gas = B2 >> 5;
    TChartAxis& Axis = Chart1->Chart().LeftAxis();
    if (Gas == GasCarbonMonoxide) {
        LType->setText(QStringLiteral("СО угарный газ"));
        Axis.SetMinimum(-12);
        Axis.SetMaximum(140);
        LConcentrLabel->setText(QStringLiteral("мг./м3"));
    } else if (Gas == GasMethane) {
        LType->setText(QStringLiteral("Метан"));
        Axis.SetMinimum(-0.25);
        Axis.SetMaximum(2.75);
        LConcentrLabel->setText(QStringLiteral("% об.д."));
    } else {
        LType->setText(QStringLiteral("Не определен"));
    }

    ShowFlag(Bit(B2, Threshold2Bit), 1, lLimit2Ex, Warning);
    ShowFlag(Bit(B2, Threshold1Bit), 1, lLimit1Ex, Warning);

    double Chart = 0;
    if (B2 & ErrorPacketBit) {
        // Byte 3 holds the fault flags; the value fields keep what they show.
        ShowFlag(B3, AdcFailure, lADCErr, Fault);
        ShowFlag(B3, SensorFault, lSensBad, Fault);
        ShowFlag(B3, NoCalibration, lNoSettings, Warning);
    } else {
        SwitchOff(lADCErr);
        SwitchOff(lSensBad);
        SwitchOff(lNoSettings);
        ShowFlag(Bit(B2, RangeExceededBit), 1, lRangeEx, Warning);
        const int V = Bit(B2, ValueBit8) * 256 + B3;
        if (B2 & RangeExceededBit) {
            if (Gas == GasCarbonMonoxide)
                LRange->setText(QString::number(V));
            else if (Gas == GasMethane)
                LRange->setText(FixedText(V / 100.0, 2));
            else
                LRange->clear();
        } else {
            LRange->clear();
            if (Gas == GasCarbonMonoxide) {
                Chart = V;
                LConcentr->setText(FixedText(Chart, 0));
            } else if (Gas == GasMethane) {
                Chart = V / 100.0;
                LConcentr->setText(FixedText(Chart, 2));
            } else {
                LConcentr->setText(QStringLiteral("0"));
            }
        }
    }

    if (PluginChart)
        PluginChart->AddValues(Chart, 0);
}

QString TForm1::GetColumnCaption(int Index)
{
    switch (Index) {
    case 1:
        return QStringLiteral("Тип БД");
    case 2:
        // The unit of the values below it: a carbon-monoxide block's are in
        // mg/m3, not in percent by volume.
        return QStringLiteral("Текущая конц., ") + LConcentrLabel->text();
    default:
        return TPluginForm::GetColumnCaption(Index);
    }
}

QString TForm1::GetColumnValue(int Index)
{
    switch (Index) {
    case 1:
        return LType->text();
    case 2:
        return LConcentr->text();
    default:
        return TPluginForm::GetColumnValue(Index);
    }
}

void TForm1::BResetClick()
{
    if (HostCallback)
        HostCallback->RestartDevice();
    LType->clear();
    LConcentr->clear();
    LRange->clear();
}

void TForm1::AutoSwithDisableTimerTimer()
{
    if (HostCallback)
        HostCallback->DisableAutoSwitch();
}

} // namespace karn7

OSTAN_PLUGIN_LIBRARY(karn7::TForm1, karn7::Profile);
