// The sensor block DELM library as the program drives it: registered,
// created by ProgID, activated in a placeholder with a recording callback
// class, fed packets. The decimal separator is fixed to ','.
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

class DelmPanel : public TPanelFixture {
protected:
    DelmPanel() : TPanelFixture(DELM_LIBRARY, "PIP_DELM.OstanPlugin") {}

    void Activate()
    {
        TPanelFixture::Activate(6, 5, "Chart3");
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 1);
    }
    const TFastLineSeries& Series() const { return Chart->Series(0); }
    std::string Flags() const { return TPanelFixture::Flags({"lNoSettings", "lMathErr", "lADCOver", "lEEBad"}); }
};

} // namespace

TEST_F(DelmPanel, ShowingItAsksForARestart)
{
    Activate();
    EXPECT_EQ(Panel->windowTitle(), QStringLiteral("Блок датчкика DELM"));
    EXPECT_EQ(QString::fromUtf8(Plugin->GetDescription()), QStringLiteral("Блок датчкика DELM"));
    EXPECT_EQ(Panel->minimumSize(), QSize(531, 348));
    EXPECT_EQ(TakeEvents(), (QStringList{"back created", "RestartDevice"}));

    EXPECT_EQ(Find<QGroupBox>("GroupBox2")->title(), QStringLiteral("Настроечная концентрация"));
    EXPECT_EQ(Find<QLabel>("LConcentrLabel")->text(), QStringLiteral("/10000"));
    EXPECT_EQ(Find<QLabel>("lMathErr")->text(), QStringLiteral("Ошибка мат. вычислений"));
    EXPECT_EQ(Flags(), "----");
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("2,50"));
    EXPECT_EQ(Chart->LeftAxis().Minimum(), -0.25);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 2.75);
    EXPECT_EQ(Series().Count(), Chart->Width() / 15);
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "Текущая конц., /10000"}));
    ExpectNoColumns({3, 4, 100, -1});
}

// One sequence: the gas name and the error flags persist until their own
// kind of packet rewrites them.
TEST_F(DelmPanel, DecodesEachKindOfPacket)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        const char* Type;
        const char* Concentr;
        const char* Good;
        std::string Flags; // lNoSettings lMathErr lADCOver lEEBad
        std::optional<double> Point;
    };
    const Case Cases[] = {
        {"methane", {0x5F, 0x40, 0x0B, 0x00, 0x00, 0x4B}, true, "Метан", "", "", "----", {}},
        {"10000", {0x5F, 0x00, 0x00, 0x27, 0x10, 0x37}, true, "Метан", "10000", "2,50", "----", 2.5},
        {"-10000, both flags", {0x5F, 0xC3, 0xFF, 0xD8, 0xF0, 0x14}, true, "Метан", "-10000", "-2,50", "YY--", -2.5},
        {"EEPROM and ADC", {0x5F, 0x80, 0x03, 0x00, 0x00, 0x83}, true, "Метан", "-10000", "-2,50", "YYRR", {}},
        {"kind 41 ignored", {0x5F, 0x41, 0x00, 0x00, 0x00, 0x41}, true, "Метан", "-10000", "-2,50", "YYRR", {}},
        {"kind 3F ignored", {0x5F, 0x3F, 0x01, 0x02, 0x03, 0x3F}, true, "Метан", "-10000", "-2,50", "YYRR", {}},
        {"kind BF ignored", {0x5F, 0xBF, 0x00, 0x00, 0x00, 0xBF}, true, "Метан", "-10000", "-2,50", "YYRR", {}},
        {"C0: 5000, flags off", {0x5F, 0xC0, 0x00, 0x13, 0x88, 0x5B}, true, "Метан", "5000", "1,25", "--RR", 1.25},
        {"wrong check", {0x5F, 0x00, 0x00, 0x27, 0x10, 0x36}, false, "Метан", "5000", "1,25", "--RR", {}},
        {"largest V", {0x5F, 0x00, 0x7F, 0xFF, 0xFF, 0x7F}, true, "Метан", "8388607", "2097,15", "--RR", 2097.15175},
        {"smallest V, calculation error", {0x5F, 0xFE, 0x80, 0x00, 0x00, 0x7E}, true, "Метан", "-8388608",
         "-2097,15", "-YRR", -2097.152},
        {"no calibration, any header", {0x00, 0xC1, 0x00, 0x00, 0x01, 0xC0}, true, "Метан", "1", "0,00", "Y-RR", 0.00025},
        {"errors cleared", {0x5F, 0x80, 0x00, 0x00, 0x00, 0x80}, true, "Метан", "1", "0,00", "Y---", {}},
        {"ADC overflow", {0x5F, 0x80, 0x02, 0x00, 0x00, 0x82}, true, "Метан", "1", "0,00", "Y-R-", {}},
        {"unknown gas", {0x5F, 0x40, 0xFF, 0x00, 0x00, 0xBF}, true, "Не определен", "1", "0,00", "Y-R-", {}},
        {"carbon monoxide", {0x5F, 0x40, 0x3B, 0x12, 0x34, 0x5D}, true, "СО угарный газ", "1", "0,00", "Y-R-", {}},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const std::optional<double> Point = ReceiveForPoint(C.Packet, C.Accepted);
        EXPECT_EQ(Text("LType"), QString::fromUtf8(C.Type));
        EXPECT_EQ(Text("LConcentr"), QString::fromUtf8(C.Concentr));
        EXPECT_EQ(Text("LConcentrGood"), QString::fromUtf8(C.Good));
        EXPECT_EQ(Flags(), C.Flags);
        ASSERT_EQ(Point.has_value(), C.Point.has_value());
        if (Point) {
            EXPECT_DOUBLE_EQ(*Point, *C.Point);
        }
    }
    const std::pair<uint8_t, const char*> Gases[] = {{11, "Метан"},       {12, "Пропан"},      {13, "Водород"},
                                                     {27, "Аммиак 2000"}, {28, "Аммиак 100"},  {43, "Хлор"},
                                                     {59, "СО угарный газ"}, {0, "Не определен"}, {60, "Не определен"}};
    for (const auto& [Code, Name] : Gases) {
        ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x40, Code, 0x00, 0x00, uint8_t(0x40 ^ Code)})) << int(Code);
        EXPECT_EQ(Text("LType"), QString::fromUtf8(Name)) << int(Code);
    }
    EXPECT_EQ(Chart->LeftAxis().Minimum(), -0.25);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 2.75);
}

TEST_F(DelmPanel, RestartClearsTheValuesAndKeepsTheFlags)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x40, 0x0B, 0x00, 0x00, 0x4B}));
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x80, 0x03, 0x00, 0x00, 0x83}));
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0xC3, 0xFF, 0xD8, 0xF0, 0x14}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(1), (QStringList{"Метан", "-10000"}));
    TakeEvents();

    Find<QPushButton>("BReset")->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"RestartDevice"}));
    for (const char* Edit : {"LType", "LConcentr", "LConcentrGood"})
        EXPECT_TRUE(Text(Edit).isEmpty()) << Edit;
    EXPECT_EQ(Flags(), "YYRR");
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("2,50"));

    // The export row fills again as the block reports.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x40, 0x0B, 0x00, 0x00, 0x4B}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(1), (QStringList{"Метан"}));
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x00, 0x00, 0x27, 0x10, 0x37}));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(1), (QStringList{"Метан", "10000"}));
}

// The left axis follows the calibration concentration only when it makes a
// range; values already shown stay, the next measurement uses the new one.
TEST_F(DelmPanel, CalibrationConcentrationScalesAxisAndNextValue)
{
    struct Case {
        const char* Spin;
        double AxisMin, AxisMax;
        const char* Good;
        double Point;
    };
    const Case Cases[] = {
        {"1", -0.1, 1.1, "0,50", 0.5},   {"0", -0.1, 1.1, "0,00", 0.0},      {"", -0.1, 1.1, "0,00", 0.0},
        {"x", -0.1, 1.1, "0,00", 0.0},   {"5,00", -0.5, 5.5, "2,50", 2.5},   {"0,01", -0.001, 0.011, "0,01", 0.005},
    };
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x00, 0x00, 0x27, 0x10, 0x37}));
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Spin);
        Find<QLineEdit>("SpinConc")->setText(QString::fromUtf8(C.Spin));
        EXPECT_DOUBLE_EQ(Chart->LeftAxis().Minimum(), C.AxisMin);
        EXPECT_DOUBLE_EQ(Chart->LeftAxis().Maximum(), C.AxisMax);
        const std::optional<double> Point = ReceiveForPoint({0x5F, 0x00, 0x00, 0x13, 0x88, 0x9B});
        ASSERT_TRUE(Point.has_value());
        EXPECT_DOUBLE_EQ(*Point, C.Point);
        EXPECT_EQ(Text("LConcentr"), QStringLiteral("5000"));
        EXPECT_EQ(Text("LConcentrGood"), QString::fromUtf8(C.Good));
    }
}
