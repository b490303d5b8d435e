// The oxygen meter library TIRA4 as the program drives it: the built TIRA4.so
// created by ProgID, put into a placeholder, fed packets and clicked, with a
// recording callback class. The decimal separator is fixed to ','.
#include "Beep.h"
#include "ButtonFace.h"
#include "PanelTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Tira4 = MakeGUID("{81CC03DA-965A-4DCF-8A43-664CCDF07D03}");

// The worked packet: 5.0 and 1000.0 mV stored, thresholds 2.0 and 18.0 %,
// flags 0x11, reading -20.0, 999.0 mV, 5.000 V.
const std::vector<uint8_t> Worked{0x5F, 0x32, 0x00, 0x10, 0x27, 0x14, 0xB4, 0x00, 0x11,
                                  0x00, 0x00, 0x38, 0xFF, 0x06, 0x27, 0x88, 0x13, 0xC9};

std::vector<uint8_t> Changed(std::initializer_list<std::pair<int, uint8_t>> Bytes)
{
    return ChangedPacket(Worked, Bytes);
}

const char* const Fields[] = {"LUazot", "LUvozd", "LPorog2", "LPorog1", "LLCD", "LUsens", "LUakk", "LSensSensit"};

class Tira4Panel : public TPanelFixture {
protected:
    Tira4Panel() : TPanelFixture(TIRA4_LIBRARY, "TIRA4.OstanPlugin", {800, 500}) {}

    void Activate() { ActivateWithTrend(18, 4); }
    QStringList Texts() const { return FieldTexts(Fields); }
    std::string Flags() const { return TPanelFixture::Flags({"lNoSettings", "lADCInit", "lADCOver", "lEEBad"}); }
};

TEST_F(Tira4Panel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Tira4, "TIRA4 (Кислород)", "Измеритель концентрации кислорода TIRA-4");
}

TEST_F(Tira4Panel, StartsEmptyWithItsSpinsPressureTrendAndComponents)
{
    Activate();
    ExpectFreshPanel("TIRA4 (Кислород)", Fields);
    EXPECT_EQ(Flags(), "----");
    EXPECT_EQ(Find<QLabel>("lNoSettings")->text(), QStringLiteral("10  -  Нет настройки / U0 >50 мВ"));
    EXPECT_EQ(Text("NumSpin1"), QStringLiteral("18,0"));
    EXPECT_EQ(Text("NumSpin2"), QStringLiteral("2,0"));
    EXPECT_EQ(Text("LabeledEdit18"), QStringLiteral("100,0"));
    EXPECT_FALSE(Find<QLineEdit>("LabeledEdit18")->isReadOnly());
    // The battery's is a plain edit; the other value fields have the button face.
    const QColor PlainBase = QApplication::palette("QLineEdit").color(QPalette::Base);
    const QColor Face = ButtonFace();
    ASSERT_NE(PlainBase, Face);
    EXPECT_EQ(Find<QLineEdit>("LUakk")->palette().color(QPalette::Base), PlainBase);
    for (const char* F : Fields) {
        if (QByteArray(F) != "LUakk") {
            EXPECT_EQ(Find<QLineEdit>(F)->palette().color(QPalette::Base), Face) << F;
        }
    }

    // Anchored: the flags at the top right, the buttons at the bottom left,
    // the trend filling the rest.
    EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), Panel->width() - 1 - (523 - 519));
    EXPECT_EQ(Find<QWidget>("BOff")->geometry().bottom(), Panel->height() - 1 - (314 - 311));
    EXPECT_EQ(Find<QWidget>("Chart1")->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

    EXPECT_EQ(Chart->LeftAxis().Minimum(), 4.8);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 5.2);
    EXPECT_EQ(Chart->RightAxis().Minimum(), 990);
    EXPECT_EQ(Chart->RightAxis().Maximum(), 1100);
    EXPECT_EQ(Chart->Series(0).Title, QStringLiteral("Аккум."));
    EXPECT_EQ(Chart->Series(0).Color, QColor(0, 128, 255));
    EXPECT_EQ(Chart->Series(1).Title, QStringLiteral("Uсенс. абс."));
    EXPECT_EQ(Chart->Series(0).Count(), Chart->Width() / 25);

    // Before any packet an exported row holds only the date and time.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
}

// Texts and flags persist from packet to packet, so the cases run in order.
TEST_F(Tira4Panel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        // LUazot LUvozd LPorog2 LPorog1 LLCD LUsens LUakk LSensSensit
        QStringList Texts;
        std::string Flags; // lNoSettings lADCInit lADCOver lEEBad
        double Left, Right;
    };
    const QStringList WorkedTexts{"5,0", "1000,0", "2,0", "18,0", "-20,0", "999,0", "5,000", "47,4"};
    auto With = [&](std::initializer_list<std::pair<int, const char*>> Changes) {
        QStringList T = WorkedTexts;
        for (auto [Index, Text] : Changes)
            T[Index] = QString::fromUtf8(Text);
        return T;
    };
    std::vector<uint8_t> BadCheck = Changed({{16, 0x00}});
    BadCheck.back() ^= 0x01;
    const Case Cases[] = {
        {"the worked packet", Worked, true, WorkedTexts, "YR--", 5.0, 999.0},
        {"its check byte changed", BadCheck, false, WorkedTexts, "YR--", 5.0, 999.0},
        {"any header", Changed({{1, 0x00}}), true, WorkedTexts, "YR--", 5.0, 999.0},
        {"voltages unsigned at their tops", Changed({{2, 0xFF}, {3, 0xFF}, {14, 0xFF}, {15, 0xFF}, {16, 0xFF}, {17, 0xFF}}),
         true, With({{0, "6553,5"}, {5, "6553,5"}, {6, "65,535"}, {7, "-264,5"}}), "YR--", 65.535, 6553.5},
        {"air below nitrogen: negative sensitivity", Changed({{2, 0x10}, {3, 0x27}, {4, 0x32}, {5, 0x00}}), true,
         With({{0, "1000,0"}, {1, "5,0"}, {7, "-47,4"}}), "YR--", 5.0, 999.0},
        {"air at its top", Changed({{4, 0xFF}, {5, 0xFF}}), true, With({{1, "6553,5"}, {7, "311,8"}}), "YR--", 5.0, 999.0},
        {"reading positive, thresholds at their tops", Changed({{12, 0xE8}, {13, 0x03}, {6, 0xFF}, {7, 0xFF}}), true,
         With({{2, "25,5"}, {3, "25,5"}, {4, "100,0"}}), "YR--", 5.0, 999.0},
        {"flags 0xE8 light none", Changed({{9, 0xE8}}), true, WorkedTexts, "----", 5.0, 999.0},
        {"flags 0x17 light all four", Changed({{9, 0x17}}), true, WorkedTexts, "YRRR", 5.0, 999.0},
        {"flags 0x06", Changed({{9, 0x06}}), true, WorkedTexts, "--RR", 5.0, 999.0},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        Feed(C.Packet, C.Accepted, C.Left, C.Right);
        EXPECT_EQ(Texts(), C.Texts);
        EXPECT_EQ(Flags(), C.Flags);
    }
    // Packets send nothing and leave the user's pressure alone.
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
    EXPECT_EQ(Text("LabeledEdit18"), QStringLiteral("100,0"));
}

TEST_F(Tira4Panel, ExportsTheStoredValuesAndTheUsersPressure)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "U азота, мВ", "U возд., мВ", "Чувств. сенс., мВ/%", "Давление, кПа",
                           "Порог 1, %", "Порог 2, %"}));
    QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 7);
    EXPECT_TRUE(IsDateTimeText(Values[0])) << Values[0].toStdString();
    EXPECT_EQ(Values.mid(1), (QStringList{"5,0", "1000,0", "47,4", "100,0", "18,0", "2,0"}));

    // The pressure goes out as the user left it; emptied, it ends the row.
    auto* Pressure = Find<QLineEdit>("LabeledEdit18");
    Pressure->setText(QStringLiteral("98,7 "));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(4), (QStringList{"98,7 ", "18,0", "2,0"}));
    Pressure->clear();
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).mid(1), (QStringList{"5,0", "1000,0", "47,4"}));

    ExpectNoColumns({7, 8, 100, -1});
}

TEST_F(Tira4Panel, ButtonsSendTheirCommandsWithTheSpinValues)
{
    struct Case {
        const char* Button;
        const char* Spin1;
        const char* Spin2;
        QStringList Sent;
        int Beeps = 0;
    };
    const Case Cases[] = {
        {"BUazot", "18,0", "2,0", {"SendPacket AA 40 00 EA"}},
        {"BUazot0", "18,0", "2,0", {"SendPacket AA 08 00 A2"}},
        {"BUvozd", "18,0", "2,0", {"SendPacket AA 80 00 2A"}},
        {"BUvozd500", "18,0", "2,0", {"SendPacket AA 04 00 AE"}},
        {"BPumpTest", "18,0", "2,0", {"SendPacket AA 02 00 A8"}},
        {"BOff", "18,0", "2,0", {"SendPacket AA 01 00 AB"}},
        {"BPorog1", "18,0", "2,0", {"SendPacket AA 20 B4 3E"}},
        {"BPorog1", "25,5", "2,0", {"SendPacket AA 20 FF 75"}},
        {"BPorog1", "10,0", "2,0", {"SendPacket AA 20 64 EE"}},
        {"BPorog1", "30,0", "2,0", {"SendPacket AA 20 FF 75"}}, // typed past the range: its top
        {"BPorog1", "5,0", "2,0", {"SendPacket AA 20 64 EE"}},  // and below it: its bottom
        {"BPorog1", "18,05", "2,0", {"SendPacket AA 20 B4 3E"}}, // ties to the even code
        {"BPorog1", "18,15", "2,0", {"SendPacket AA 20 B6 3C"}},
        {"BPorog2", "18,0", "2,0", {"SendPacket AA 10 14 AE"}},
        {"BPorog2", "18,0", "9,9", {"SendPacket AA 10 63 D9"}},
        {"BPorog2", "18,0", "0,0", {"SendPacket AA 10 00 BA"}},
        {"BPorogsAll", "18,0", "2,0", {"SendPacket AA 20 B4 3E", "SendPacket AA 10 14 AE"}},
        {"BPorogsAll", "25,5", "9,9", {"SendPacket AA 20 FF 75", "SendPacket AA 10 63 D9"}},
        // A value the user does not see is never sent.
        {"BPorog1", "", "2,0", {}, 1},
        {"BPorogsAll", "18,0", "", {"SendPacket AA 20 B4 3E"}, 1},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Button) + " " + C.Spin1 + " " + C.Spin2);
        Find<QLineEdit>("NumSpin1")->setText(QString::fromUtf8(C.Spin1));
        Find<QLineEdit>("NumSpin2")->setText(QString::fromUtf8(C.Spin2));
        BeepRecorder Beeps;
        Find<QPushButton>(C.Button)->click();
        EXPECT_EQ(TakeEvents(), C.Sent);
        EXPECT_EQ(int(Beeps.MessageBeeps.size()), C.Beeps);
    }
}

} // namespace
