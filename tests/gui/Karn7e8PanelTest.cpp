// The sensor block KARN-7E/8 library as the program drives it: the built
// PIP_KARN7E_8.so created by ProgID, put into a placeholder, shown and fed
// packets, with a recording callback class. The decimal separator is fixed
// to ','.
#include "PanelTestSupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Karn7e8 = MakeGUID("{467C6333-5209-4615-A971-78FE0A3F2772}");

// A packet of type T and gas G carrying R, its check made good.
std::vector<uint8_t> Packet(uint8_t T, uint8_t G, uint16_t R)
{
    std::vector<uint8_t> P{0x5F, 0x00, uint8_t(T << 4 | G), uint8_t(R >> 8), uint8_t(R & 0xFF), 0};
    P[5] = P[1] ^ P[2] ^ P[3] ^ P[4];
    return P;
}

const char* const Fields[] = {"LType",  "LGasType", "LConcentr", "LConcentrGood",
                              "LSensitiv", "LUvozd", "LUpgs",     "LTemperature"};

class Karn7e8Panel : public TPanelFixture {
protected:
    Karn7e8Panel() : TPanelFixture(KARN7E8_LIBRARY, "PIP_KARN7E_8.OstanPlugin") {}

    void Activate()
    {
        TPanelFixture::Activate(6, 5);
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 2);
    }
    bool Receive(const std::vector<uint8_t>& P) { return Plugin->ReceivePacket(TDynamicByteArray(P)); }
    QStringList Texts() const { return FieldTexts(Fields); }
    std::string Flags() const
    {
        return TPanelFixture::Flags({"lNoSettings", "lADCErr", "lSensBad", "lRangeEx", "lLowPower"});
    }
    QString Label(const char* Name) const { return Find<QLabel>(Name)->text(); }
    double SpinProperty(const char* Property) const { return Find<QLineEdit>("SpinConc")->property(Property).toDouble(); }
    void ExpectAxes(double LeftMin, double LeftMax, double LeftStep, double RightMin, double RightMax) const
    {
        EXPECT_EQ(Chart->LeftAxis().Minimum(), LeftMin);
        EXPECT_EQ(Chart->LeftAxis().Maximum(), LeftMax);
        EXPECT_EQ(Chart->LeftAxis().Increment(), LeftStep);
        EXPECT_EQ(Chart->RightAxis().Minimum(), RightMin);
        EXPECT_EQ(Chart->RightAxis().Maximum(), RightMax);
    }
    // Every point of both series 0, as after a clear.
    bool TrendCleared() const
    {
        for (int S = 0; S < 2; ++S) {
            const TFastLineSeries& Series = Chart->Series(S);
            if (Series.Count() != Chart->Width() / 10 || Series.XValueLast() != 0)
                return false;
            for (int i = 0; i < Series.Count(); ++i)
                if (Series.YValue(i) != 0)
                    return false;
        }
        return true;
    }
};

TEST_F(Karn7e8Panel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Karn7e8, "Блок датчкика KARN-7E/8",
                     "Блок датчкика KARN-7E/8 нового поколения. Может применятся в приборах KARN-7E и KARN-8.");
    // The scan's panel is never shown, so it asks for no restart.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("RestartDevice")).isEmpty());
}

TEST_F(Karn7e8Panel, ShowingThePanelAsksForARestartAndStartsEmpty)
{
    Activate();
    EXPECT_EQ(TakeEvents(), (QStringList{"back created", "RestartDevice"}));
    EXPECT_EQ(Panel->windowTitle(), QStringLiteral("Блок датчкика KARN-7E/8"));
    EXPECT_EQ(Panel->minimumSize(), QSize(531, 341));
    ExpectEmptyValueFields(Fields);
    EXPECT_EQ(Flags(), "-----");
    EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("Калибровка"));
    EXPECT_EQ(Label("LConcText"), QStringLiteral("% об.д."));
    EXPECT_EQ(Label("LConcentrGoodLabel"), QStringLiteral("% об.д."));
    EXPECT_EQ(Label("LConcentrLabel"), QStringLiteral("/4096"));
    // The calibration spin: free decimals, step 1, no range, 0.
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("0"));
    EXPECT_EQ(SpinProperty("Decimals"), -1);
    EXPECT_EQ(SpinProperty("Increment"), 1);
    EXPECT_EQ(SpinProperty("MinValue"), 0);
    EXPECT_EQ(SpinProperty("MaxValue"), 0);
    EXPECT_FALSE(Find<QLineEdit>("SpinConc")->isReadOnly());

    ExpectAxes(-0.25, 2.75, 0.02, 990, 1100);
    EXPECT_EQ(Chart->RightAxis().Increment(), 20);
    EXPECT_TRUE(Chart->LegendVisible);
    EXPECT_FALSE(Chart->BottomAxis().Visible);
    EXPECT_EQ(Chart->Series(0).Title, QStringLiteral("Концентрация"));
    EXPECT_EQ(Chart->Series(0).Color, QColor(0, 128, 255));
    // The concentration's labels blue, the sensor voltage's in the text colour.
    EXPECT_EQ(Chart->LeftAxis().LabelColor, QColor(Qt::blue));
    EXPECT_EQ(Chart->LeftAxis().LabelFamily, QStringLiteral("Arial"));
    EXPECT_FALSE(Chart->RightAxis().LabelColor.isValid());
    EXPECT_EQ(Chart->Series(0).VertAxis(), TVertAxis::Left);
    EXPECT_EQ(Chart->Series(1).Title, QStringLiteral("Uсенс. абс."));
    EXPECT_EQ(Chart->Series(1).VertAxis(), TVertAxis::Right);
    // Shown means cleared: one point of 0 per 10 pixels.
    EXPECT_TRUE(TrendCleared());

    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "Тип газа", "U возд., мВ", "U п.г.с., мВ", "Настр. конц., %",
                           "Чувств. сенс., мВ/%"}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
    ExpectNoColumns({7, 8, 100, -1});
}

// The fields hold the latest packet of each type, so the packets run as one
// sequence on a methane block.
TEST_F(Karn7e8Panel, DecodesEachPacketTypeOntoThePanelAndTheTrend)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        // LType LGasType LConcentr LConcentrGood LSensitiv LUvozd LUpgs LTemperature
        QStringList Texts;
        const char* ConcentrLabel;
        std::string Flags; // lNoSettings lADCErr lSensBad lRangeEx lLowPower
        std::optional<double> Point0, Point1; // a new point on series 0 or 1
    };
    std::vector<uint8_t> BadCheck = Packet(1, 1, 0x1000);
    BadCheck[5] ^= 0x01;
    std::vector<uint8_t> AnyHeader = Packet(5, 1, 0x0800);
    AnyHeader[0] = 0x00;
    const Case Cases[] = {
        {"concentration 2048 of 2.50", {0x5F, 0x00, 0x11, 0x08, 0x00, 0x19}, true,
         {"Концентрация", "Метан", "2048", "1,25", "", "", "", ""}, "/4096", "-----", 1.25, {}},
        {"sensor voltage 1000 mV", {0x5F, 0x00, 0x21, 0x10, 0x00, 0x31}, true,
         {"Напряж. на датч.", "Метан", "1,000", "0", "", "", "", ""}, "В", "Y----", {}, 1000},
        {"status: ADC and range", {0x5F, 0x00, 0x31, 0x00, 0x05, 0x34}, true,
         {"Напряж. на датч.", "Метан", "1,000", "0", "", "", "", ""}, "В", "-R-R-", {}, {}},
        {"status: all four", Packet(3, 1, 0x000F), true,
         {"Напряж. на датч.", "Метан", "1,000", "0", "", "", "", ""}, "В", "-RRRR", {}, {}},
        {"temperature 20", {0x5F, 0x00, 0x61, 0x46, 0x00, 0x27}, true,
         {"Температура", "Метан", "1,000", "0", "", "", "", "20"}, "В", "-----", {}, {}},
        {"temperature code 0", Packet(6, 1, 0x00FF), true,
         {"Температура", "Метан", "1,000", "0", "", "", "", "-50"}, "В", "-----", {}, {}},
        {"temperature code 255", Packet(6, 1, 0xFF00), true,
         {"Температура", "Метан", "1,000", "0", "", "", "", "205"}, "В", "-----", {}, {}},
        {"zero voltage 1000 mV", Packet(5, 1, 0x1000), true,
         {"Напряжение нуля", "Метан", "1,000", "0", "", "1,000", "", "205"}, "В", "-----", {}, {}},
        {"difference voltage 50 mV", Packet(4, 1, 0x00CD), true,
         {"Разн. напряжение", "Метан", "1,000", "0", "20", "1,000", "50,0", "205"}, "В", "-----", {}, 1050.048828125},
        {"a second one adds no point", Packet(4, 1, 0x0100), true,
         {"Разн. напряжение", "Метан", "1,000", "0", "25", "1,000", "62,5", "205"}, "В", "-----", {}, {}},
        {"zero voltage between", Packet(5, 1, 0x0800), true,
         {"Напряжение нуля", "Метан", "1,000", "0", "25", "0,500", "62,5", "205"}, "В", "-----", {}, {}},
        {"so the next one adds one", Packet(4, 1, 0x0100), true,
         {"Разн. напряжение", "Метан", "1,000", "0", "25", "0,500", "62,5", "205"}, "В", "-----", {}, 562.5},
        {"its check byte changed", BadCheck, false,
         {"Разн. напряжение", "Метан", "1,000", "0", "25", "0,500", "62,5", "205"}, "В", "-----", {}, {}},
        {"reserved type 7", Packet(7, 1, 0x1234), true,
         {"Зарезервировано", "Метан", "1,000", "0", "25", "0,500", "62,5", "205"}, "В", "-----", {}, {}},
        {"reserved type 15", Packet(15, 1, 0xFFFF), true,
         {"Зарезервировано", "Метан", "1,000", "0", "25", "0,500", "62,5", "205"}, "В", "-----", {}, {}},
        {"concentration -32768", Packet(1, 1, 0x8000), true,
         {"Концентрация", "Метан", "-32768", "-20,00", "25", "0,500", "62,5", "205"}, "/4096", "-----", -20, {}},
        {"negative sensor voltage", Packet(2, 1, 0xFF00), true,
         {"Напряж. на датч.", "Метан", "-0,063", "0", "25", "0,500", "62,5", "205"}, "В", "Y----", {}, -62.5},
        {"negative zero and difference voltages", Packet(5, 1, 0xFFFF), true,
         {"Напряжение нуля", "Метан", "-0,063", "0", "25", "0,000", "62,5", "205"}, "В", "-----", {}, {}},
        {"warm-up, any header", Packet(0, 1, 0), true,
         {"Прогрев", "Метан", "Прогрев", "Прогрев", "25", "0,000", "62,5", "205"}, "В", "-----", {}, {}},
        {"any header", AnyHeader, true,
         {"Напряжение нуля", "Метан", "Прогрев", "Прогрев", "25", "0,500", "62,5", "205"}, "В", "-----", {}, {}},
    };
    Activate();
    TakeEvents();
    const int Points = Chart->Series(0).Count();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const double LastX = Chart->Series(0).XValueLast();
        const double Last0 = Chart->Series(0).YValue(Points - 1);
        const double Last1 = Chart->Series(1).YValue(Points - 1);
        EXPECT_EQ(Receive(C.Packet), C.Accepted);
        EXPECT_EQ(Texts(), C.Texts);
        EXPECT_EQ(Label("LConcentrLabel"), QString::fromUtf8(C.ConcentrLabel));
        EXPECT_EQ(Flags(), C.Flags);
        // A point on either series moves both on by one.
        const bool Added = C.Point0 || C.Point1;
        for (int S = 0; S < 2; ++S) {
            EXPECT_EQ(Chart->Series(S).Count(), Points);
            EXPECT_EQ(Chart->Series(S).XValueLast(), Added ? LastX + 1 : LastX);
        }
        EXPECT_DOUBLE_EQ(Chart->Series(0).YValue(Points - 1), C.Point0.value_or(Last0));
        EXPECT_DOUBLE_EQ(Chart->Series(1).YValue(Points - 1), C.Point1.value_or(Last1));
    }
    // The block takes no commands; packets ask for no restart.
    EXPECT_TRUE(TakeEvents().isEmpty());
}

// Each gas sets its name, unit, digits, calibration spin and axes; the
// spin gets exactly the table's value whatever digits the gas before had.
TEST_F(Karn7e8Panel, EachGasSetsItsUnitSpinAndAxes)
{
    struct Case {
        uint8_t Gas;
        const char* Name;
        const char* Unit;
        const char* Spin;
        double Step, Max;
        const char* Concentration; // of R = 2048, half the spin's value
        double LeftMin, LeftMax, LeftStep, RightMin, RightMax;
    };
    const Case Cases[] = {
        {7, "Аммиак", "мг/м3", "600", 1, 2000, "300,00", 0, 2000, 1, -3.2, 3.2},
        {1, "Метан", "% об.д.", "2,50", 0.01, 5, "1,25", -0.25, 2.75, 0.02, 990, 1100},
        {8, "Моноокс. углерода", "мг/м3", "100", 5, 300, "50", -12, 120, 5, 1000, 1500},
        {2, "Пропан", "% об.д.", "2,50", 0.01, 5, "1,25", -0.1, 1.1, 0.02, 990, 1100},
        {9, "Хлор", "мг/м3", "22", 1, 200, "11,0", -2, 40, 1, 1000, 1500},
        {1, "Метан", "% об.д.", "2,50", 0.01, 5, "1,25", -0.25, 2.75, 0.02, 990, 1100},
        {7, "Аммиак", "мг/м3", "600", 1, 2000, "300,00", 0, 2000, 1, -3.2, 3.2},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ASSERT_TRUE(Receive(Packet(1, C.Gas, 0x0800)));
        EXPECT_EQ(Text("LGasType"), QString::fromUtf8(C.Name));
        EXPECT_EQ(Label("LConcentrGoodLabel"), QString::fromUtf8(C.Unit));
        EXPECT_EQ(Label("LConcText"), QString::fromUtf8(C.Unit));
        EXPECT_EQ(Text("SpinConc"), QString::fromUtf8(C.Spin));
        EXPECT_EQ(SpinProperty("Increment"), C.Step);
        EXPECT_EQ(SpinProperty("MinValue"), 0);
        EXPECT_EQ(SpinProperty("MaxValue"), C.Max);
        EXPECT_EQ(Text("LConcentrGood"), QString::fromUtf8(C.Concentration));
        ExpectAxes(C.LeftMin, C.LeftMax, C.LeftStep, C.RightMin, C.RightMax);
        EXPECT_EQ(Find<QLineEdit>("SpinConc")->accessibleName(), QStringLiteral("Концен., ") + QString::fromUtf8(C.Unit));
    }
}

TEST_F(Karn7e8Panel, AGasChangeClearsThePanelAndTheTrendThenDecodesThePacket)
{
    Activate();
    for (const auto& P : {Packet(5, 1, 0x1000), Packet(4, 1, 0x00CD), Packet(6, 1, 0x4600), Packet(3, 1, 0x0001)})
        ASSERT_TRUE(Receive(P));
    ASSERT_EQ(Flags(), "-R---");
    ASSERT_FALSE(TrendCleared());

    // Methane to carbon monoxide: a concentration packet, of the new
    // gas's calibration concentration.
    ASSERT_TRUE(Receive(Packet(1, 8, 0x0800)));
    EXPECT_EQ(Texts(), (QStringList{"Концентрация", "Моноокс. углерода", "2048", "50", "", "", "", ""}));
    EXPECT_EQ(Flags(), "-----");
    EXPECT_EQ(Chart->Series(0).YValue(Chart->Series(0).Count() - 1), 50);
    EXPECT_EQ(Chart->Series(0).YValue(Chart->Series(0).Count() - 2), 0);
    EXPECT_EQ(Chart->Series(1).YValue(Chart->Series(1).Count() - 1), 0);
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("100"));
    EXPECT_EQ(SpinProperty("Increment"), 5);
    EXPECT_EQ(SpinProperty("MaxValue"), 300);
    ExpectAxes(-12, 120, 5, 1000, 1500);
    // The zero voltage went with the clear: the difference adds to 0 now.
    ASSERT_TRUE(Receive(Packet(4, 8, 0x0100)));
    EXPECT_EQ(Chart->Series(1).YValue(Chart->Series(1).Count() - 1), 62.5);
    Find<QLineEdit>("SpinConc")->setText(QStringLiteral("150"));
    const double Right[] = {Chart->RightAxis().Minimum(), Chart->RightAxis().Maximum()}; // moved by the point

    // To an unknown gas: cleared and named so, the rest kept.
    ASSERT_TRUE(Receive(Packet(1, 3, 0x0800)));
    EXPECT_EQ(Texts(), (QStringList{"Концентрация", "Неопределен", "2048", "75", "", "", "", ""}));
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("150"));
    EXPECT_EQ(Label("LConcText"), QStringLiteral("мг/м3"));
    EXPECT_EQ(Label("LConcentrGoodLabel"), QStringLiteral("мг/м3"));
    ExpectAxes(-12, 120, 5, Right[0], Right[1]);
}

TEST_F(Karn7e8Panel, GasCodeZeroOnTheFirstPacketSetsNoGas)
{
    Activate();
    ASSERT_TRUE(Receive(Packet(1, 0, 0x0800)));
    EXPECT_EQ(Texts(), (QStringList{"Концентрация", "", "2048", "0", "", "", "", ""}));
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("0"));
    // No gas was ever shown, so a restart brings no name back.
    Find<QPushButton>("BReset")->click();
    ASSERT_TRUE(Receive(Packet(1, 0, 0x0800)));
    EXPECT_EQ(Text("LGasType"), QString());
    ASSERT_TRUE(Receive(Packet(1, 4, 0x0800)));
    EXPECT_EQ(Text("LGasType"), QStringLiteral("Неопределен"));
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("0"));
    ExpectAxes(-0.25, 2.75, 0.02, 990, 1100);
}

// A calibration concentration of 0 (the user's, or no gas set up yet) or a
// text that reads as none: the quotient shows "---", everything else of the
// packet and the packets after it go on.
TEST_F(Karn7e8Panel, ACalibrationConcentrationWithoutAQuotientShowsDashes)
{
    struct Case {
        const char* Spin;
        const char* Sensitivity;
        const char* Concentration;
        bool ConcentrationPoint;
    };
    const Case Cases[] = {
        {"0", "---", "0,00", true},
        {"", "---", "0,00", true},
        {"-", "---", "0,00", true},
        {"1E5000", "0", "---", false},
        {"2,50", "20", "1,25", true},
    };
    Activate();
    ASSERT_TRUE(Receive(Packet(5, 1, 0x1000)));
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Spin);
        Find<QLineEdit>("SpinConc")->setText(QString::fromUtf8(C.Spin));
        const double X = Chart->Series(1).XValueLast();
        ASSERT_TRUE(Receive(Packet(4, 1, 0x00CD)));
        EXPECT_EQ(Text("LType"), QStringLiteral("Разн. напряжение"));
        EXPECT_EQ(Text("LUpgs"), QStringLiteral("50,0"));
        EXPECT_EQ(Text("LSensitiv"), QString::fromUtf8(C.Sensitivity));
        EXPECT_EQ(Chart->Series(1).XValueLast(), X + 1);
        EXPECT_DOUBLE_EQ(Chart->Series(1).YValue(Chart->Series(1).Count() - 1), 1050.048828125);

        ASSERT_TRUE(Receive(Packet(1, 1, 0x0800)));
        EXPECT_EQ(Text("LConcentr"), QStringLiteral("2048"));
        EXPECT_EQ(Text("LConcentrGood"), QString::fromUtf8(C.Concentration));
        EXPECT_EQ(Chart->Series(0).XValueLast(), C.ConcentrationPoint ? X + 2 : X + 1);
        EXPECT_EQ(Text("SpinConc"), QString::fromUtf8(C.Spin));
    }
}

TEST_F(Karn7e8Panel, RestartClearsThePanelAndTheGasNameComesBackWithTheNextPacket)
{
    Activate();
    for (const auto& P : {Packet(5, 8, 0x1000), Packet(4, 8, 0x0100), Packet(6, 8, 0x4600), Packet(2, 8, 0x1000)})
        ASSERT_TRUE(Receive(P));
    Find<QLineEdit>("SpinConc")->setText(QStringLiteral("125"));
    TakeEvents();
    const double Right[] = {Chart->RightAxis().Minimum(), Chart->RightAxis().Maximum()};

    Find<QPushButton>("BReset")->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"RestartDevice"}));
    EXPECT_EQ(Texts(), QStringList(8, QString()));
    EXPECT_EQ(Flags(), "-----");
    EXPECT_TRUE(TrendCleared());
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
    // The user's calibration, the units and the axes stay.
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("125"));
    EXPECT_EQ(Label("LConcText"), QStringLiteral("мг/м3"));
    EXPECT_EQ(Label("LConcentrLabel"), QStringLiteral("В"));
    ExpectAxes(-12, 120, 5, Right[0], Right[1]);

    // The same gas goes on: its name comes back, nothing else of the gas
    // is set again.
    ASSERT_TRUE(Receive(Packet(5, 8, 0x1000)));
    EXPECT_EQ(Text("LGasType"), QStringLiteral("Моноокс. углерода"));
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("125"));
    QStringList Row = Columns(&IOstanPlugin::GetColumnValue);
    EXPECT_EQ(Row.mid(1), (QStringList{"Напряжение нуля", "Моноокс. углерода", "1,000"})); // no difference yet
    ASSERT_TRUE(Receive(Packet(4, 8, 0x0100)));
    Row = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Row.size(), 7);
    EXPECT_TRUE(IsDateTimeText(Row[0])) << Row[0].toStdString();
    EXPECT_EQ(Row.mid(1), (QStringList{"Разн. напряжение", "Моноокс. углерода", "1,000", "62,5", "125", "1"}));

    // Whatever name a code showed comes back after a restart, "Неопределен"
    // included (code 0 once a gas was set), so the exported row goes on past
    // the gas column.
    struct Case {
        uint8_t Gas;
        const char* Name;
    };
    const Case Cases[] = {{3, "Неопределен"}, {6, "Неопределен"},   {10, "Неопределен"}, {15, "Неопределен"},
                          {0, "Неопределен"}, {1, "Метан"},          {2, "Пропан"},       {7, "Аммиак"},
                          {9, "Хлор"},        {4, "Неопределен"},    {5, "Неопределен"},  {8, "Моноокс. углерода"},
                          {11, "Неопределен"}, {12, "Неопределен"}, {13, "Неопределен"}, {14, "Неопределен"}};
    for (const Case& C : Cases) {
        ASSERT_TRUE(Receive(Packet(5, C.Gas, 0x1000))) << int(C.Gas);
        EXPECT_EQ(Text("LGasType"), QString::fromUtf8(C.Name)) << int(C.Gas);
        Find<QPushButton>("BReset")->click();
        EXPECT_EQ(Text("LGasType"), QString()) << int(C.Gas);
        for (int Later = 0; Later < 2; ++Later) {
            ASSERT_TRUE(Receive(Packet(5, C.Gas, 0x1000))) << int(C.Gas);
            EXPECT_EQ(Text("LGasType"), QString::fromUtf8(C.Name)) << int(C.Gas);
            Row = Columns(&IOstanPlugin::GetColumnValue);
            EXPECT_EQ(Row.mid(1, 3), (QStringList{"Напряжение нуля", C.Name, "1,000"})) << int(C.Gas);
        }
    }
}

} // namespace
