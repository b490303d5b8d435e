// The leak detector library TIRA6 as the program drives it: the built
// TIRA6.so created by ProgID, put into a placeholder, fed packets and
// clicked, with a recording callback class. The decimal separator is fixed
// to ','.
#include "PanelTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Tira6 = MakeGUID("{A013680E-D64D-4D89-9AE1-8617714142FC}");

// The worked packet: flags 0x21, current code 3, 100.0 and 200.0 mV stored,
// protection on, bar 7, range 3, 5.000 V, 50.0 mV.
const std::vector<uint8_t> Worked{0x5F, 0x21, 0x00, 0x00, 0x30, 0xE8, 0x03, 0xD0, 0x07, 0x00,
                                  0x77, 0x00, 0x07, 0x02, 0x88, 0x13, 0xF4, 0x01, 0x31};

std::vector<uint8_t> Changed(std::initializer_list<std::pair<int, uint8_t>> Bytes)
{
    return ChangedPacket(Worked, Bytes);
}

const char* const Fields[] = {"LUvozd", "LUazot", "LUsens", "LUakk", "LADCCurrent", "LRange"};

class Tira6Panel : public TPanelFixture {
protected:
    Tira6Panel() : TPanelFixture(TIRA6_LIBRARY, "TIRA6.OstanPlugin", {800, 500}) {}

    void Activate() { ActivateWithTrend(19, 3, "Chart6"); }
    // The value fields, then the protection and the bar.
    QStringList Texts() const
    {
        return FieldTexts(Fields) << Find<QLabel>("LGuard")->text() << QString::number(Find<QProgressBar>("ProgressBar1")->value());
    }
    std::string Flags() const
    {
        return TPanelFixture::Flags({"lADCInit", "lADCOver", "lEEBad", "lNoSettings", "lSensBad", "lSensOver"});
    }
};

TEST_F(Tira6Panel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Tira6, "TIRA6", "Портативный течеискатель TIRA6");
}

TEST_F(Tira6Panel, StartsEmptyWithAFullBarAnUnknownProtectionAndItsTrend)
{
    Activate();
    ExpectFreshPanel("TIRA6", Fields);
    EXPECT_EQ(Texts(), (QStringList{"", "", "", "", "", "", "Неизвестно", "12"}));
    EXPECT_EQ(Find<QProgressBar>("ProgressBar1")->minimum(), 0);
    EXPECT_EQ(Find<QProgressBar>("ProgressBar1")->maximum(), 12);
    EXPECT_EQ(Flags(), "------");
    EXPECT_EQ(Find<QLabel>("lSensOver")->text(), QStringLiteral("80  - Перегрузка сенсора (H2)"));

    EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), Panel->width() - 1 - (523 - 519));
    EXPECT_EQ(Find<QWidget>("BSensOn")->geometry().bottom(), Panel->height() - 1 - (314 - 311));
    EXPECT_EQ(Find<QWidget>("Chart6")->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

    ExpectAnalyserTrendSides();
    EXPECT_EQ(Chart->RightAxis().LabelColor, QColor(Qt::blue)); // the battery's, as on the analysers
    EXPECT_EQ(Chart->Series(1).Color, QColor(0, 128, 255));
    EXPECT_EQ(Chart->Series(0).Count(), Chart->Width() / 20);

    // Before any packet an exported row holds only the date and time; the
    // protection column reads its caption all the same.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
    EXPECT_STREQ(Plugin->GetColumnValue(3), "Неизвестно");
}

// Texts, flags and the bar persist from packet to packet, so the cases run
// in order.
TEST_F(Tira6Panel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        // LUvozd LUazot LUsens LUakk LADCCurrent LRange LGuard bar
        QStringList Texts;
        std::string Flags; // lADCInit lADCOver lEEBad lNoSettings lSensBad lSensOver
        double Left, Right;
    };
    const QStringList WorkedTexts{"100,0", "200,0", "50,0", "5,000", "7,5", "3", "Включена", "7"};
    auto With = [&](std::initializer_list<std::pair<int, const char*>> Changes) {
        QStringList T = WorkedTexts;
        for (auto [Index, Text] : Changes)
            T[Index] = QString::fromUtf8(Text);
        return T;
    };
    std::vector<uint8_t> CapitalW = Worked;
    CapitalW[10] = 0x57;
    CapitalW[18] = 0x11;
    std::vector<uint8_t> BadCheck = Changed({{13, 0x03}});
    BadCheck.back() ^= 0x01;
    const Case Cases[] = {
        {"the worked packet", Worked, true, WorkedTexts, "R--Y--", 50.0, 5.0},
        {"its check byte changed", BadCheck, false, WorkedTexts, "R--Y--", 50.0, 5.0},
        {"the capital W: protection off", CapitalW, true, With({{6, "Отключена"}}), "R--Y--", 50.0, 5.0},
        {"any header", Changed({{1, 0x00}}), true, WorkedTexts, "R--Y--", 50.0, 5.0},
        {"range byte at its top", Changed({{14, 0xFF}}), true, With({{5, "256"}}), "R--Y--", 50.0, 5.0},
        {"range byte 0", Changed({{14, 0x00}}), true, With({{5, "1"}}), "R--Y--", 50.0, 5.0},
        // A bar position past the bar's end shows as its end, not as the
        // position before.
        {"bar 13", Changed({{13, 0x0D}}), true, With({{7, "12"}}), "R--Y--", 50.0, 5.0},
        {"bar 0", Changed({{13, 0x00}}), true, With({{7, "0"}}), "R--Y--", 50.0, 5.0},
        {"bar 255", Changed({{13, 0xFF}}), true, With({{7, "12"}}), "R--Y--", 50.0, 5.0},
        {"current: the low nibble does not count", Changed({{5, 0xFF}}), true, With({{4, "37,5"}}), "R--Y--", 50.0, 5.0},
        {"voltages unsigned at their tops",
         Changed({{6, 0xFF}, {7, 0xFF}, {8, 0xFF}, {9, 0xFF}, {15, 0xFF}, {16, 0xFF}, {17, 0xFF}, {18, 0xFF}}), true,
         With({{0, "6553,5"}, {1, "6553,5"}, {2, "6553,5"}, {3, "65,535"}}), "R--Y--", 6553.5, 65.535},
        {"flags 0x18 light none", Changed({{2, 0x18}}), true, WorkedTexts, "------", 50.0, 5.0},
        {"flags 0xE7 light all six", Changed({{2, 0xE7}}), true, WorkedTexts, "RRRYRR", 50.0, 5.0},
        {"flags 0xC0", Changed({{2, 0xC0}}), true, WorkedTexts, "----RR", 50.0, 5.0},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        Feed(C.Packet, C.Accepted, C.Left, C.Right);
        EXPECT_EQ(Texts(), C.Texts);
        EXPECT_EQ(Flags(), C.Flags);
    }
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
}

TEST_F(Tira6Panel, ExportsTheStoredVoltagesAndTheProtection)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "U возд., мВ", "U порог, мВ", "Защита"}));
    QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 4);
    EXPECT_TRUE(IsDateTimeText(Values[0])) << Values[0].toStdString();
    EXPECT_EQ(Values.mid(1), (QStringList{"100,0", "200,0", "Включена"}));
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Changed({{11, 0x00}}))));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(3), QStringList{"Отключена"});
    ExpectNoColumns({4, 5, 100, -1});
}

TEST_F(Tira6Panel, ButtonsSendTheirConstantCommands)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"BUvozd", "SendPacket 01 00 01"},     {"BULimit", "SendPacket 02 00 02"},
        {"BGuard", "SendPacket 04 00 04"},     {"BReset", "SendPacket 20 08 28"},
        {"BSoundTest", "SendPacket 20 01 21"}, {"BPumpTest", "SendPacket 20 02 22"},
        {"BSensOn", "SendPacket 20 04 24"},
    };
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    const QStringList Before = Texts();
    for (auto [Button, Sent] : Cases) {
        SCOPED_TRACE(Button);
        Find<QPushButton>(Button)->click();
        EXPECT_EQ(TakeEvents(), QStringList{QString::fromLatin1(Sent)});
    }
    // "Выкл." only sends: the panel keeps what it shows.
    EXPECT_EQ(Texts(), Before);
}

} // namespace
