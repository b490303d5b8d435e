// The sensor block KARN-7E library as the program drives it: registered,
// created by ProgID, activated in a placeholder with a recording callback
// class, fed packets. The decimal separator is fixed to ','.
#include "PanelTestSupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

class Karn7ePanel : public TPanelFixture {
protected:
    Karn7ePanel() : TPanelFixture(KARN7E_LIBRARY, "PIP_KARN7E.OstanPlugin") {}

    void Activate()
    {
        TPanelFixture::Activate(4, 3, "Chart4");
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 1);
    }
    const TFastLineSeries& Series() const { return Chart->Series(0); }
    void SetSpin(const char* Text) { Find<QLineEdit>("SpinConc")->setText(QString::fromUtf8(Text)); }
    std::pair<double, double> Axis() const { return {Chart->LeftAxis().Minimum(), Chart->LeftAxis().Maximum()}; }
};

const char* const Fields[] = {"LType", "LUvozd", "LUpgs", "LConcentr", "LUsensAbs", "LConcentrGood", "LSensitiv"};

} // namespace

TEST_F(Karn7ePanel, ShowingItAsksForARestart)
{
    Activate();
    EXPECT_EQ(Panel->windowTitle(), QStringLiteral("Блок датчкика KARN-7E"));
    EXPECT_EQ(QString::fromUtf8(Plugin->GetDescription()), QStringLiteral("Блок датчкика KARN-7E (взрывозащищенный)"));
    EXPECT_EQ(Panel->minimumSize(), QSize(531, 348));
    EXPECT_EQ(TakeEvents(), (QStringList{"back created", "RestartDevice"}));

    EXPECT_EQ(Find<QLabel>("LTypeLabel")->text(), QStringLiteral("Тип посылки:"));
    EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), QStringLiteral("Калибровка"));
    EXPECT_EQ(Find<QLabel>("lPIPBad")->text(), QStringLiteral("Неисправность блока датчика"));
    EXPECT_EQ(Flags({"lPIPBad"}), "-");
    EXPECT_EQ(Text("SpinConc"), QStringLiteral("2,50"));
    for (const char* Edit : Fields)
        EXPECT_TRUE(Text(Edit).isEmpty()) << Edit;
    EXPECT_EQ(Axis(), std::make_pair(-0.25, 2.75));
    EXPECT_FALSE(Chart->RightAxis().Visible);
    EXPECT_EQ(Series().Title, QStringLiteral("Uсенс. абс."));
    EXPECT_EQ(Series().Count(), Chart->Width() / 10);
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "Тип БД", "U возд., мВ", "U п.г.с., мВ", "Настр. конц., %",
                           "Чувств. сенс., мВ/%"}));
}

// One sequence: the voltages persist and feed every later measurement.
TEST_F(Karn7ePanel, DecodesEachPacketType)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        // LType LUvozd LUpgs LConcentr LUsensAbs LConcentrGood LSensitiv
        std::vector<const char*> Texts;
        std::string Fault;
        std::optional<double> Point;
    };
    const Case Cases[] = {
        {"air voltage", {0x5F, 0x4F, 0x04, 0xD2}, true, {"Напряж. на возд.", "123,4", "", "", "", "", ""}, "-", {}},
        {"calibration gas voltage", {0x5F, 0x5C, 0x08, 0xBA}, true,
         {"Напряж. на ПГС", "123,4", "223,4", "", "", "", ""}, "-", {}},
        {"methane 500: the nibbles pass, the bytes XOR to 77", {0x5F, 0x82, 0x01, 0xF4}, true,
         {"Метан", "123,4", "223,4", "500", "173,4", "1,25", "40,00"}, "-", 1.25},
        {"propane 4000", {0x5F, 0x9C, 0x0F, 0xA0}, true,
         {"Пропан", "123,4", "223,4", "4000", "523,4", "10,00", "40,00"}, "-", 10.0},
        {"methane -1000", {0x5F, 0x82, 0xFC, 0x18}, true,
         {"Метан", "123,4", "223,4", "-1000", "23,4", "-2,50", "40,00"}, "-", -2.5},
        {"oxygen FFFF is -1", {0x5F, 0xFF, 0xFF, 0xFF}, true,
         {"Кислород", "123,4", "223,4", "-1", "123,3", "0,00", "40,00"}, "-", -0.0025},
        {"wrong check", {0x5F, 0x82, 0x01, 0xF5}, false,
         {"Кислород", "123,4", "223,4", "-1", "123,3", "0,00", "40,00"}, "-", {}},
        {"any header, bytes XOR to 0", {0x00, 0xB0, 0x03, 0xB3}, true,
         {"Угарный газ", "123,4", "223,4", "947", "218,1", "2,37", "40,00"}, "-", 2.3675},
        {"reserved 0", {0x5F, 0x00, 0x00, 0x00}, true,
         {"Зарезервировано", "123,4", "223,4", "947", "218,1", "2,37", "40,00"}, "-", {}},
        {"reserved 7 with a value", {0x5F, 0x73, 0x12, 0x34}, true,
         {"Зарезервировано", "123,4", "223,4", "947", "218,1", "2,37", "40,00"}, "-", {}},
        {"fault", {0x5F, 0x11, 0x00, 0x00}, true,
         {"Неисправность", "123,4", "223,4", "947", "218,1", "2,37", "40,00"}, "R", {}},
        {"the fault stays lit", {0x5F, 0x4F, 0x04, 0xD2}, true,
         {"Напряж. на возд.", "123,4", "223,4", "947", "218,1", "2,37", "40,00"}, "R", {}},
        {"hydrogen", {0x5F, 0xAA, 0x00, 0x00}, true,
         {"Водород", "123,4", "223,4", "0", "123,4", "0,00", "40,00"}, "R", 0.0},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const std::optional<double> Point = ReceiveForPoint(C.Packet, C.Accepted);
        for (size_t i = 0; i < std::size(Fields); ++i)
            EXPECT_EQ(Text(Fields[i]), QString::fromUtf8(C.Texts[i])) << Fields[i];
        EXPECT_EQ(Flags({"lPIPBad"}), C.Fault);
        ASSERT_EQ(Point.has_value(), C.Point.has_value());
        if (Point) {
            EXPECT_DOUBLE_EQ(*Point, *C.Point);
        }
    }
    // The other gases and reserved types by their names.
    const std::pair<uint8_t, const char*> Names[] = {{2, "Зарезервировано"}, {3, "Зарезервировано"},
                                                     {6, "Зарезервировано"}, {12, "Аммиак 100"},
                                                     {13, "Аммиак 2000"},    {14, "Хлор"}};
    for (const auto& [Type, Name] : Names) {
        ASSERT_TRUE(Plugin->ReceivePacket({0x5F, uint8_t(Type << 4 | Type), 0x00, 0x00})) << int(Type);
        EXPECT_EQ(Text("LType"), QString::fromUtf8(Name)) << int(Type);
    }
    EXPECT_EQ(Axis(), std::make_pair(-0.25, 2.75));
}

TEST_F(Karn7ePanel, RestartZeroesTheVoltagesAndKeepsTheFault)
{
    Activate();
    for (const std::vector<uint8_t>& P : std::vector<std::vector<uint8_t>>{
             {0x5F, 0x11, 0x00, 0x00}, {0x5F, 0x4F, 0x04, 0xD2}, {0x5F, 0x5C, 0x08, 0xBA}, {0x5F, 0x82, 0x01, 0xF4}})
        ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(P)));
    const QStringList Row = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Row.size(), 6);
    EXPECT_TRUE(IsDateTimeText(Row[0])) << Row[0].toStdString();
    EXPECT_EQ(Row.mid(1), (QStringList{"Метан", "123,4", "223,4", "2,50", "40,00"}));
    ExpectNoColumns({6, 7, 100, -1});
    TakeEvents();

    Find<QPushButton>("BReset")->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"RestartDevice"}));
    for (const char* Edit : Fields)
        EXPECT_EQ(Text(Edit).isEmpty(), Edit != std::string("LSensitiv")) << Edit;
    EXPECT_EQ(Text("LSensitiv"), QStringLiteral("40,00"));
    EXPECT_EQ(Flags({"lPIPBad"}), "R");
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);

    // Both voltages are 0 now.
    EXPECT_EQ(ReceiveForPoint({0x5F, 0x82, 0x01, 0xF4}), 1.25);
    EXPECT_EQ(Text("LUsensAbs"), QStringLiteral("0,0"));
    EXPECT_EQ(Text("LSensitiv"), QStringLiteral("0,00"));
    EXPECT_EQ(Flags({"lPIPBad"}), "R");
}

// The left axis follows the calibration concentration when it makes a
// range; a concentration of 0 leaves the sensitivity without a value but
// the rest of the packet, its chart point included, is shown.
TEST_F(Karn7ePanel, CalibrationConcentrationScalesAxisAndValues)
{
    struct Case {
        const char* Spin;
        std::pair<double, double> Axis;
        const char* Concentration;
        const char* Sensitivity;
        double Point;
    };
    const Case Cases[] = {
        {"4", {-0.4, 4.4}, "2,00", "25,00", 2.0},
        {"0", {-0.4, 4.4}, "0,00", "---", 0.0},
        {"", {-0.4, 4.4}, "0,00", "---", 0.0},
        {"x", {-0.4, 4.4}, "0,00", "---", 0.0},
        {"5,00", {-0.5, 5.5}, "2,50", "20,00", 2.5},
        {"0,00", {-0.5, 5.5}, "0,00", "---", 0.0},
        {"1,00", {-0.1, 1.1}, "0,50", "100,00", 0.5},
    };
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x4F, 0x04, 0xD2}));
    ASSERT_TRUE(Plugin->ReceivePacket({0x5F, 0x5C, 0x08, 0xBA}));
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Spin);
        SetSpin(C.Spin);
        EXPECT_DOUBLE_EQ(Axis().first, C.Axis.first);
        EXPECT_DOUBLE_EQ(Axis().second, C.Axis.second);
        const std::optional<double> Point = ReceiveForPoint({0x5F, 0x82, 0x01, 0xF4});
        ASSERT_TRUE(Point.has_value());
        EXPECT_DOUBLE_EQ(*Point, C.Point);
        EXPECT_EQ(Text("LConcentr"), QStringLiteral("500"));
        EXPECT_EQ(Text("LUsensAbs"), QStringLiteral("173,4"));
        EXPECT_EQ(Text("LConcentrGood"), QString::fromUtf8(C.Concentration));
        EXPECT_EQ(Text("LSensitiv"), QString::fromUtf8(C.Sensitivity));
    }
}

TEST_F(Karn7ePanel, TimerAsksToDisableTheAutoSwitchEvery500ms)
{
    Activate();
    ExpectAutoSwitchTimer(2);
}
