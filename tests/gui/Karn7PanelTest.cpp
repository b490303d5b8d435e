// The sensor block KARN-7 library as the program drives it: the built
// PIP_KARN7.so registered, created by ProgID, put into a placeholder and fed
// packets, with a recording callback class in the process's class-object
// table. The decimal separator is fixed to ',' so that a text made with a
// fixed '.' shows.
#include "PanelTestSupport.h"
#include "Picture.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Karn7 = MakeGUID("{8B3AC686-9156-46A9-8401-E053D40BFF31}");
const QString Caption = QStringLiteral("Блок датчкика KARN-7");

void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class Karn7Panel : public TPanelFixture {
protected:
    Karn7Panel() : TPanelFixture(KARN7_LIBRARY, "PIP_KARN7.OstanPlugin") {}

    void Activate()
    {
        TPanelFixture::Activate(4, 3);
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 1);
    }

    QString Unit() const { return Find<QLabel>("LConcentrLabel")->text(); }
    std::string Flags() const
    {
        return TPanelFixture::Flags({"lNoSettings", "lLimit1Ex", "lLimit2Ex", "lRangeEx", "lADCErr", "lSensBad"});
    }
    const TFastLineSeries& Series() const { return Chart->Series(0); }
};

} // namespace

TEST_F(Karn7Panel, RegistersAndAnswersTheScan)
{
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("PIP_KARN7.OstanPlugin")), CLSID_Karn7);
    Plugin = Create();
    Plugin->LoadPictures();
    EXPECT_EQ(QString::fromUtf8(Plugin->GetCaption()), Caption);
    EXPECT_EQ(QString::fromUtf8(Plugin->GetDescription()), Caption);

    // The embedded pictures are the JPEGs kept next to the library's sources.
    const std::pair<intptr_t, const char*> Pictures[] = {{Plugin->GetDevicePicture(), "MainImage.jpg"},
                                                         {Plugin->GetConnectionPictureBLS4(), "ConnectionBLD4.jpg"},
                                                         {Plugin->GetConnectionPictureBLS5(), "ConnectionBLD5.jpg"}};
    for (const auto& [Ref, File] : Pictures) {
        ASSERT_NE(Ref, NoPicture) << File;
        QFile Source(QStringLiteral(KARN7_SOURCE_DIR "/") + QLatin1String(File));
        ASSERT_TRUE(Source.open(QIODevice::ReadOnly)) << File;
        TPicture Expected;
        Expected.LoadFromJpeg(Source.readAll());
        const TPicture* Got = reinterpret_cast<const TPicture*>(Ref);
        EXPECT_EQ(Got->Width(), 152) << File;
        EXPECT_EQ(Got->Height(), 252) << File;
        EXPECT_EQ(Got->Graphic(), Expected.Graphic()) << File;
    }
    // The scan's panel is gone and called nothing.
    FlushDeferredDeletes();
    EXPECT_TRUE(TakeEvents().isEmpty());
}

TEST_F(Karn7Panel, ShowsItsComponentsBeforeTheFirstPacket)
{
    Activate();
    EXPECT_EQ(Panel->windowTitle(), Caption);
    EXPECT_EQ(Panel->geometry(), QRect(1, 1, 638, 478));
    EXPECT_EQ(Panel->minimumSize(), QSize(531, 348));
    EXPECT_TRUE(Panel->isVisible());
    // Activating sends nothing: no show handler here.
    EXPECT_EQ(TakeEvents(), (QStringList{"back created"}));

    EXPECT_EQ(Find<QLabel>("LTypeLabel")->text(), QStringLiteral("Тип блока датчика:"));
    EXPECT_EQ(Find<QGroupBox>("GroupBox4")->title(), QStringLiteral("Текущая концентрация"));
    EXPECT_EQ(Find<QGroupBox>("GroupBox3")->title(), QStringLiteral("Внутренние ошибки"));
    EXPECT_EQ(Find<QPushButton>("BReset")->text(), QStringLiteral("Перезапуск"));
    EXPECT_EQ(Unit(), QStringLiteral("% об.д."));
    const std::pair<const char*, const char*> FlagTexts[] = {
        {"lNoSettings", "Нет настройки"},  {"lLimit1Ex", "Превышение порога 1"},
        {"lLimit2Ex", "Превышение порога 2"}, {"lRangeEx", "Прев. диап. индик."},
        {"lADCErr", "Авария АЦП"},          {"lSensBad", "Неисправность сенсора"}};
    for (const auto& [Name, Label] : FlagTexts) {
        EXPECT_EQ(Find<QLabel>(Name)->text(), QString::fromUtf8(Label)) << Name;
        EXPECT_FALSE(Find<QLabel>(Name)->isEnabled()) << Name;
    }
    for (const char* Edit : {"LType", "LConcentr", "LRange"}) {
        EXPECT_TRUE(Find<QLineEdit>(Edit)->isReadOnly()) << Edit;
        EXPECT_TRUE(Text(Edit).isEmpty()) << Edit;
    }
    for (const char* Image : {"MainImage", "ConnectionBLD4", "ConnectionBLD5"})
        EXPECT_FALSE(Find<QWidget>(Image)->isVisible()) << Image;

    EXPECT_EQ(Chart->LeftAxis().Minimum(), -10);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 150);
    EXPECT_EQ(Chart->LeftAxis().Title, QStringLiteral("Концентрация"));
    EXPECT_FALSE(Chart->RightAxis().Visible);
    EXPECT_EQ(Chart->RightAxis().Title, QStringLiteral("Аккум, В"));
    EXPECT_FALSE(Chart->BottomAxis().Visible);
    EXPECT_EQ(Series().Title, QStringLiteral("Uсенс. абс."));
    EXPECT_EQ(Series().Color, QColor(Qt::black));
    EXPECT_EQ(Series().VertAxis(), TVertAxis::Left);
    // One point per 10 pixels of chart width.
    EXPECT_GT(Chart->Width(), 500);
    EXPECT_EQ(Series().Count(), Chart->Width() / 10);

    // The export before any packet: the header, and a row of the date alone.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "Текущая конц., % об.д."}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
}

// Texts, flags, axis range and unit persist from packet to packet, so the
// packets run as one sequence; each accepted one adds one chart point.
TEST_F(Karn7Panel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        const char* Type;
        const char* Concentr;
        const char* Unit;
        const char* Range;
        std::string Flags; // lNoSettings lLimit1Ex lLimit2Ex lRangeEx lADCErr lSensBad
        double AxisMin, AxisMax;
        double Point;
    };
    const Case Cases[] = {
        {"methane 291", {0x5F, 0x81, 0x23, 0xA2}, true, "Метан", "2,91", "% об.д.", "", "------", -0.25, 2.75, 2.91},
        {"methane range exceeded", {0x5F, 0x82, 0xF4, 0x76}, true, "Метан", "2,91", "% об.д.", "2,44", "---Y--", -0.25, 2.75, 0},
        {"error: ADC and sensor", {0x5F, 0x84, 0x03, 0x87}, true, "Метан", "2,91", "% об.д.", "2,44", "---YRR", -0.25, 2.75, 0},
        {"error: thresholds, no calibration", {0x5F, 0x9C, 0x04, 0x98}, true, "Метан", "2,91", "% об.д.", "2,44", "YYYY--", -0.25, 2.75, 0},
        {"wrong check byte", {0x5F, 0x20, 0x64, 0x45}, false, "Метан", "2,91", "% об.д.", "2,44", "YYYY--", -0.25, 2.75, 0},
        {"carbon monoxide 100", {0x5F, 0x20, 0x64, 0x44}, true, "СО угарный газ", "100", "мг./м3", "", "------", -12, 140, 100},
        {"threshold 2", {0x5F, 0x30, 0x05, 0x35}, true, "СО угарный газ", "5", "мг./м3", "", "--Y---", -12, 140, 5},
        {"carbon monoxide range exceeded 511", {0x5F, 0x23, 0xFF, 0xDC}, true, "СО угарный газ", "5", "мг./м3", "511", "---Y--", -12, 140, 0},
        {"unknown gas, range exceeded", {0x5F, 0x42, 0x10, 0x52}, true, "Не определен", "5", "мг./м3", "", "---Y--", -12, 140, 0},
        {"unknown gas", {0x5F, 0x40, 0x00, 0x40}, true, "Не определен", "0", "мг./м3", "", "------", -12, 140, 0},
        {"carbon monoxide 511", {0x5F, 0x21, 0xFF, 0xDE}, true, "СО угарный газ", "511", "мг./м3", "", "------", -12, 140, 511},
        {"methane 511, any header", {0x00, 0x89, 0xFF, 0x76}, true, "Метан", "5,11", "% об.д.", "", "-Y----", -0.25, 2.75, 5.11},
        {"header only", {0x5F}, true, "Метан", "5,11", "% об.д.", "", "-Y----", -0.25, 2.75, 5.11},
        {"one byte too many", {0x5F, 0x81, 0x23, 0xA2, 0x00}, false, "Метан", "5,11", "% об.д.", "", "-Y----", -0.25, 2.75, 5.11},
    };
    Activate();
    const int Points = Series().Count();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const double LastX = Series().XValueLast();
        EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(C.Packet)), C.Accepted);
        EXPECT_EQ(Text("LType"), QString::fromUtf8(C.Type));
        EXPECT_EQ(Text("LConcentr"), QString::fromUtf8(C.Concentr));
        EXPECT_EQ(Unit(), QString::fromUtf8(C.Unit));
        EXPECT_EQ(Text("LRange"), QString::fromUtf8(C.Range));
        EXPECT_EQ(Flags(), C.Flags);
        EXPECT_EQ(Chart->LeftAxis().Minimum(), C.AxisMin);
        EXPECT_EQ(Chart->LeftAxis().Maximum(), C.AxisMax);
        EXPECT_EQ(Series().Count(), Points);
        EXPECT_EQ(Series().XValueLast(), C.Accepted ? LastX + 1 : LastX);
        if (C.Accepted) {
            EXPECT_DOUBLE_EQ(Series().YValue(Points - 1), C.Point);
            EXPECT_FALSE(Series().IsNull(Points - 1));
        }
    }
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("RestartDevice")).isEmpty());
}

TEST_F(Karn7Panel, ExportsTheGasAndTheConcentrationInItsUnit)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x81, 0x23, 0xA2}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "Текущая конц., % об.д."}));
    const QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 3);
    EXPECT_TRUE(IsDateTimeText(Values[0])) << Values[0].toStdString();
    EXPECT_EQ(Values.mid(1), (QStringList{"Метан", "2,91"}));
    ExpectNoColumns({3, 4, 100, -1});

    // A carbon-monoxide block's values are in mg/m3, and its header says so.
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x20, 0x64, 0x44}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "Текущая конц., мг./м3"}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(1), (QStringList{"СО угарный газ", "100"}));
}

TEST_F(Karn7Panel, RestartButtonAsksTheProgramAndClearsTheValues)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x81, 0x23, 0xA2}));
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x9A, 0xF4, 0x6E})); // range exceeded, thresholds 2 and 1
    TakeEvents();
    const std::string FlagsBefore = Flags();
    const auto PointsBefore = Series().PointList();

    Find<QPushButton>("BReset")->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"RestartDevice"}));
    for (const char* Edit : {"LType", "LConcentr", "LRange"})
        EXPECT_TRUE(Text(Edit).isEmpty()) << Edit;
    EXPECT_EQ(Flags(), FlagsBefore);
    EXPECT_EQ(Flags(), "-YYY--");
    EXPECT_EQ(Unit(), QStringLiteral("% об.д."));
    EXPECT_EQ(Chart->LeftAxis().Minimum(), -0.25);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 2.75);
    EXPECT_EQ(Series().PointList().size(), PointsBefore.size());
    EXPECT_EQ(Series().XValueLast(), PointsBefore.back().X);
    // Until the next packet an exported row holds only the date and time.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
}

TEST_F(Karn7Panel, TimerAsksToDisableTheAutoSwitchEvery500ms)
{
    Activate();
    QTimer* Timer = ExpectAutoSwitchTimer(3);
    ASSERT_NE(Timer, nullptr);
    EXPECT_TRUE(Timer->isActive());

    // Released with the plug-in: it stops at once.
    const QPointer<QTimer> Watch(Timer);
    Plugin.Reset();
    if (Watch) {
        EXPECT_FALSE(Watch->isActive());
    }
}

// The program's callback class is not offered: Init fails after the panel
// is in place, and the panel's button and timer then call nothing.
TEST_F(Karn7Panel, WithoutTheCallbackButtonAndTimerCallNothing)
{
    Back.Withdraw();
    Plugin = Create();
    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;
    EXPECT_THROW(Plugin->Init(&Placeholder, PacketLength, DeviceCode), EOleSysError);
    Panel = Placeholder.findChild<QWidget*>(QStringLiteral("Form1"));
    ASSERT_NE(Panel, nullptr);
    EXPECT_FALSE(Plugin->ReceivePacket({0x5F, 0x81, 0x23, 0xA2}));
    EXPECT_TRUE(Text("LType").isEmpty());

    auto* Timer = Find<QTimer>("AutoSwithDisableTimer");
    QTimerEvent Tick(Timer->timerId());
    QCoreApplication::sendEvent(Timer, &Tick);
    Find<QPushButton>("BReset")->click();
    EXPECT_TRUE(TakeEvents().isEmpty());
}
