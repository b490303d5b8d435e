// The BRUN-3вм analyser library as the program drives it: the built
// BRUN3vm.so created by ProgID, put into a placeholder, fed packets and
// clicked, with a recording callback class. The decimal separator is fixed
// to ','.
#include "Beep.h"
#include "ButtonFace.h"
#include "PanelTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Brun3vm = MakeGUID("{CA002E43-DE4C-4FF2-A6EB-011D6596E231}");

// The worked packet's checked part: current code 4, air 1000 mV, test gas
// 800 mV, sensitivity 64, the stored block intact, 5.0000 V, 950.5 mV;
// pulsed sound, not set up, sensor on. The device's own 20 bytes follow.
std::vector<uint8_t> Worked()
{
    std::vector<uint8_t> P{0x5F, 0x00, 0x02, 0x05, 0x40, 0x00, 0x00, 0x88, 0x00, 0x00, 0x7A, 0x88, 0x00,
                           0x00, 0x48, 0x40, 0x72, 0x00, 0x00, 0x50, 0xC3, 0x88, 0x00, 0xA0, 0x6D, 0x91};
    P.resize(46, 0x3C);
    return P;
}

using Changes = std::vector<std::pair<int, uint8_t>>;

Changes operator+(Changes A, const Changes& B)
{
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

// A device float (exponent byte, then the mantissa from its low byte) into
// bytes N to N + 3.
Changes Float(int N, uint8_t E, uint8_t M0, uint8_t M1, uint8_t M2)
{
    return {{N, E}, {N + 1, M0}, {N + 2, M1}, {N + 3, M2}};
}

// The worked packet with bytes changed (numbered from 1), nothing else.
std::vector<uint8_t> With(const Changes& Bytes)
{
    std::vector<uint8_t> P = Worked();
    for (auto [N, B] : Bytes)
        P[size_t(N - 1)] = B;
    return P;
}

// The same with the stored block kept intact through its byte 19 and the
// check byte 26 made good.
std::vector<uint8_t> Sealed(const Changes& Bytes)
{
    std::vector<uint8_t> P = With(Bytes);
    uint8_t E = 0;
    for (int N = 8; N <= 18; ++N)
        E ^= P[size_t(N - 1)];
    P[18] = E;
    uint8_t X = 0;
    for (int N = 2; N <= 25; ++N)
        X ^= P[size_t(N - 1)];
    P[25] = X;
    return P;
}

const char* const Fields[] = {"LADCCurrent", "LUvozd", "LUpgs", "LUsensDelta",
                              "LSensSensit", "lEEPROMXOR", "LUsensAbs", "LUakk"};

class Brun3vmPanel : public TPanelFixture {
protected:
    Brun3vmPanel() : TPanelFixture(BRUN3VM_LIBRARY, "BRUN3vm.OstanPlugin", {800, 500}) {}

    void Activate() { ActivateWithTrend(46, 3, "Chart7"); }
    QStringList Texts() const { return FieldTexts(Fields); }
    // Error labels, then sound, then state labels.
    std::string AllFlags() const
    {
        return Flags({"lADCInit", "lADCOver", "lEEBad", "lEEBadR", "lEEBadW", "lSensBad", "lSensKZ", "lSensCut"}) + " " +
               Flags({"lSoundConstant", "lSoundPulse"}) + " " +
               Flags({"lNoSettings", "lKalibrOrWork", "lSens", "lConcentrUP"});
    }
    // The verdict field's colour: 'F' button face, 'R' red, '?' else.
    char VerdictColour() const
    {
        const QColor C = Find<QLineEdit>("lEEPROMXOR")->palette().color(QPalette::Base);
        return C == ButtonFace(Find<QLineEdit>("lEEPROMXOR")) ? 'F' : C == QColor(Qt::red) ? 'R' : '?';
    }
};

TEST_F(Brun3vmPanel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Brun3vm, "BRUN-3вм", "Последняя модификация BRUN-3вм (BRUN9)");
}

TEST_F(Brun3vmPanel, StartsEmptyWithItsSpinTrendAndComponents)
{
    Activate();
    ExpectFreshPanel("BRUN-3вм", Fields);
    EXPECT_EQ(VerdictColour(), 'F');
    EXPECT_EQ(AllFlags(), "-------- -- ----");
    EXPECT_FALSE(Find<QLabel>("lSound")->isEnabled());
    EXPECT_EQ(Find<QLabel>("lEEBadW")->text(), QStringLiteral("10  -  Ошибка записи EEPROM"));
    EXPECT_EQ(Find<QLabel>("lKalibrOrWork")->text(), QStringLiteral("Режим настр./рабоч."));
    EXPECT_EQ(Text("NumSpin2"), QStringLiteral("64"));
    EXPECT_TRUE(Find<QLineEdit>("NumSpin2")->property("RoundValues").toBool());
    EXPECT_FALSE(Find<QLineEdit>("NumSpin2")->property("Wrap").toBool());

    // Anchored: the flag groups at the top right, the service buttons at the
    // bottom left, the trend filling the rest.
    const int Right = Panel->width() - 523;
    EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), 519 + Right);
    EXPECT_EQ(Find<QWidget>("GroupBox2")->geometry().right(), 339 + Right);
    EXPECT_EQ(Find<QWidget>("BSensOn")->geometry().bottom(), Panel->height() - 1 - (313 - 311));
    EXPECT_EQ(Find<QWidget>("Chart7")->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

    ExpectAnalyserTrendSides();
    EXPECT_EQ(Chart->Series(0).Color, QColor(Qt::black));
    EXPECT_EQ(Chart->Series(1).Color, QColor(0, 128, 255));
    EXPECT_EQ(Chart->Series(0).Count(), Chart->Width() / 9);

    // Before any packet an exported row holds only the date and time.
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
}

// Texts, colours and flags persist from packet to packet, so the cases run
// in order.
TEST_F(Brun3vmPanel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        std::map<QString, QString> Differs; // field: text, where it differs from the worked packet's
        char Verdict = 'F';
        std::string Flags = "-------- -Y Y-L-";
        double Left = 950.5, Right = 5.0;
    };
    const Changes Huge = Float(8, 0xFE, 0xFF, 0xFF, 0x7F) + Float(12, 0xFE, 0xFF, 0xFF, 0xFF);
    const QString HugeText = QStringLiteral("340282346638529000000000000000000000000,0");
    const Case Cases[] = {
        {"the worked packet", Worked(), true, {}},
        {"the stored block damaged", With({{17, 0x73}, {26, 0x90}}), true, {{"lEEPROMXOR", "Нарушена"}}, 'R'},
        {"intact again", Worked(), true, {}},
        {"the device's own bytes do not count", With({{27, 0x01}, {33, 0xFF}, {46, 0x80}}), true, {}},
        {"a checked byte changed alone", With({{16, 0x41}}), false, {}},
        {"the check byte changed alone", With({{26, 0x92}}), false, {}},
        // The difference: whole numbers, halves to even.
        {"difference 2.5", Sealed(Float(8, 0x88, 0x00, 0xA0, 0x7A) + Float(12, 0x88, 0x00, 0x00, 0x7A)), true,
         {{"LUvozd", "1002,5"}, {"LUpgs", "1000,0"}, {"LUsensDelta", "2"}}},
        {"difference 3.5", Sealed(Float(8, 0x88, 0x00, 0xE0, 0x48)), true, {{"LUvozd", "803,5"}, {"LUsensDelta", "4"}}},
        {"difference -0.5", Sealed(Float(8, 0x88, 0x00, 0xE0, 0x47)), true, {{"LUvozd", "799,5"}, {"LUsensDelta", "0"}}},
        {"negative voltages", Sealed(Float(8, 0x7F, 0x00, 0x00, 0xC0) + Float(22, 0x7D, 0x00, 0x00, 0x80)), true,
         {{"LUvozd", "-1,5"}, {"LUsensDelta", "-802"}, {"LUsensAbs", "-0,3"}}, 'F', "-------- -Y Y-L-", -0.25},
        // Exponent bytes 0 and FF stand for 0 whatever the mantissa.
        {"exponents 0 and FF",
         Sealed(Float(8, 0x00, 0x12, 0x34, 0x56) + Float(12, 0xFF, 0x12, 0x34, 0xD6) + Float(22, 0xFF, 1, 2, 3)), true,
         {{"LUvozd", "0,0"}, {"LUpgs", "0,0"}, {"LUsensDelta", "0"}, {"LUsensAbs", "0,0"}}, 'F', "-------- -Y Y-L-", 0},
        // Past the signed 64-bit range a difference has no whole number:
        // "---", and the rest of the packet is shown as usual.
        {"difference 2^63", Sealed(Float(8, 0xBE, 0, 0, 0x00) + Float(12, 0, 0, 0, 0) + Changes{{5, 0x10}, {16, 0x07}}), true,
         {{"LADCCurrent", "2,5"}, {"LUvozd", "9223372036854780000,0"}, {"LUpgs", "0,0"}, {"LUsensDelta", "---"}, {"LSensSensit", "7"}}},
        {"difference -2^63", Sealed(Float(8, 0xBE, 0, 0, 0x80) + Float(12, 0, 0, 0, 0)), true,
         {{"LUvozd", "-9223372036854780000,0"}, {"LUpgs", "0,0"}, {"LUsensDelta", "-9223372036854775808"}}},
        {"the largest difference below 2^63", Sealed(Float(8, 0xBD, 0xFF, 0xFF, 0x7F) + Float(12, 0, 0, 0, 0)), true,
         {{"LUvozd", "9223371487098960000,0"}, {"LUpgs", "0,0"}, {"LUsensDelta", "9223371487098961920"}}},
        {"the largest floats, opposite signs", Sealed(Huge + Changes{{20, 0x0F}, {21, 0x27}}), true,
         {{"LUvozd", HugeText}, {"LUpgs", "-" + HugeText}, {"LUsensDelta", "---"}, {"LUakk", "1,000"}},
         'F', "-------- -Y Y-L-", 950.5, 0.9999},
        {"the largest floats, same sign", Sealed(Huge + Changes{{15, 0x7F}, {20, 0xFF}, {21, 0xFF}}), true,
         {{"LUvozd", HugeText}, {"LUpgs", HugeText}, {"LUsensDelta", "0"}, {"LUakk", "6,554"}},
         'F', "-------- -Y Y-L-", 950.5, 6.5535},
        // The current is the high nibble alone.
        {"current F7", Sealed({{5, 0xF7}}), true, {{"LADCCurrent", "37,5"}}},
        {"sensitivity FF", Sealed({{16, 0xFF}}), true, {{"LSensSensit", "255"}}},
        {"every flag", Sealed({{2, 0xFF}, {3, 0xFF}, {4, 0xFF}}), true, {}, 'F', "RRRRRRRR YY YYLY"},
        {"bits past the shown ones", Sealed({{2, 0x80}, {3, 0xFC}, {4, 0xF0}}), true, {}, 'F', "-------R -- ----"},
        {"single flags", Sealed({{2, 0x21}, {3, 0x01}, {4, 0x0A}}), true, {}, 'F', "R----R-- Y- -Y-Y"},
        {"a packet of the header alone: the previous tail checks again", {0x5F}, true, {}, 'F', "R----R-- Y- -Y-Y"},
        {"refused: the flags stay", With({{2, 0x21}}), false, {}, 'F', "R----R-- Y- -Y-Y"},
        {"one byte too many", [] { auto P = Worked(); P.push_back(0); return P; }(), false, {}, 'F', "R----R-- Y- -Y-Y"},
    };
    Activate();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        QStringList Expected = {"10,0", "1000,0", "800,0", "200", "64", "OK", "950,5", "5,000"};
        for (const auto& [Field, Text] : C.Differs) {
            const auto At = std::find(std::begin(Fields), std::end(Fields), Field.toStdString());
            ASSERT_NE(At, std::end(Fields)) << Field.toStdString();
            Expected[int(At - std::begin(Fields))] = Text;
        }
        Feed(C.Packet, C.Accepted, C.Left, C.Right);
        EXPECT_EQ(Texts(), Expected);
        EXPECT_EQ(VerdictColour(), C.Verdict);
        EXPECT_EQ(AllFlags(), C.Flags);
    }
    // Packets send nothing.
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
}

TEST_F(Brun3vmPanel, PaintsEveryDeviceFloat)
{
    Activate();
    // Air, test gas, absolute sensor voltage.
    ExpectExtremeFloatsPainted({8, 12, 22}, [](int N, const std::array<uint8_t, 4>& F) {
        return Sealed(Float(N, F[0], F[1], F[2], F[3]));
    });
}

// Bytes 2 to 26 are checked, each of them; bytes 27 to 46 are the device's.
TEST_F(Brun3vmPanel, ChecksBytesTwoToTwentySixAndNoOthers)
{
    Activate();
    for (int N = 1; N <= 46; ++N) {
        std::vector<uint8_t> P = Worked();
        P[size_t(N - 1)] ^= 0x10;
        EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(P)), N == 1 || N >= 27) << "byte " << N;
    }
}

TEST_F(Brun3vmPanel, ExportsTheCalibrationVoltagesAndTheSensitivity)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked())));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "U возд., мВ", "U п.г.с., мВ", "Чувствит."}));
    const QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 4);
    EXPECT_TRUE(IsDateTimeText(Values[0])) << Values[0].toStdString();
    EXPECT_EQ(Values.mid(1), (QStringList{"1000,0", "800,0", "64"}));
    ExpectNoColumns({4, 5, 100, -1});
}

TEST_F(Brun3vmPanel, ButtonsSendTheirCommandsWithTheSpinValue)
{
    struct Case {
        const char* Button;
        const char* Spin;
        QStringList Sent;
        int Beeps = 0;
    };
    const Case Cases[] = {
        {"BUvozd", "64", {"SendPacket 01 00 01"}},
        {"BUpgs", "64", {"SendPacket 02 00 02"}},
        {"BSensitiv", "64", {"SendPacket 04 40 44"}},
        {"BSensitiv", "255", {"SendPacket 04 FF FB"}},
        {"BSensitiv", "0", {"SendPacket 04 00 04"}},
        // Typed past the range: its ends, as leaving the field would make it.
        {"BSensitiv", "300", {"SendPacket 04 FF FB"}},
        {"BSensitiv", "-5", {"SendPacket 04 00 04"}},
        // Halves to the even neighbour.
        {"BSensitiv", "64,5", {"SendPacket 04 40 44"}},
        {"BSensitiv", "65,5", {"SendPacket 04 42 46"}},
        {"BSensitiv", "64,51", {"SendPacket 04 41 45"}},
        {"BSoundTest", "64", {"SendPacket 20 01 21"}},
        {"BPumpTest", "64", {"SendPacket 20 02 22"}},
        {"BSensOn", "64", {"SendPacket 20 04 24"}},
        {"BReset", "64", {"SendPacket 20 08 28"}},
        // A value the user does not see is never sent.
        {"BSensitiv", "", {}, 1},
    };
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked())));
    const QStringList Shown = Texts();
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Button) + " " + C.Spin);
        Find<QLineEdit>("NumSpin2")->setText(QString::fromLatin1(C.Spin));
        BeepRecorder Beeps;
        Find<QPushButton>(C.Button)->click();
        EXPECT_EQ(TakeEvents(), C.Sent);
        EXPECT_EQ(int(Beeps.MessageBeeps.size()), C.Beeps);
    }
    // The buttons only send: "Перезапуск" included, nothing on the panel changes.
    EXPECT_EQ(Texts(), Shown);
}

} // namespace
