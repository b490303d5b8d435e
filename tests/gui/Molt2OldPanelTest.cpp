// The early MOLT-2.1 analyser library as the program drives it: the built
// MOLT2old.so created by ProgID, put into a placeholder, fed packets and
// clicked, with a recording callback class. The decimal separator is fixed
// to ','.
#include "AnalyserPanelSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Molt2Old = MakeGUID("{CD6E7257-BFDF-4CC5-AFA5-01A964E5E5E1}");

// The worked packet: E 0x18, W 0x06; F0 100, F1 1100, F2 300, F3 20, F4 140
// (device floats), S 20, Uair 10, Ugas 250 and K 2.5 (reversed device
// floats), codes 150, 250, 100.
const std::vector<uint8_t> Worked{
    0x5F, 0x18, 0x06, 0x00, 0x85, 0x00, 0x00, 0x48, 0x89, 0x00, 0x80, 0x09, 0x87, 0x00, 0x00, 0x16, 0x83,
    0x00, 0x00, 0x20, 0x86, 0x00, 0x00, 0x0C, 0x80, 0x00, 0x00, 0x00, 0x85, 0x48, 0x00, 0x00, 0x8A, 0x1C,
    0x40, 0x00, 0x96, 0xFA, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x20, 0x00, 0x00, 0x58};

// The worked packet with runs of bytes replaced from byte N (numbered from
// 1) and its check made good again.
std::vector<uint8_t> Changed(std::initializer_list<std::pair<int, std::vector<uint8_t>>> Runs)
{
    std::vector<uint8_t> P = Worked;
    for (const auto& [N, Bytes] : Runs)
        for (size_t i = 0; i < Bytes.size(); ++i)
            P[size_t(N - 1) + i] = Bytes[i];
    uint8_t X = 0;
    for (size_t i = 1; i + 1 < P.size(); ++i)
        X ^= P[i];
    P.back() = X;
    return P;
}

const QStringList WorkedTexts{"5,105", "100,000", "50,0", "2,00", "10,0", "250,0", "2,50", "5,00", "1,00", "20,0"};
constexpr double WorkedBattery = 300 * 2.5 * 6806.45166 / 1000 / 1000;

// The worked texts with some replaced, by index into the fixture's fields.
QStringList With(std::initializer_list<std::pair<int, const char*>> Texts)
{
    QStringList T = WorkedTexts;
    for (auto [I, Text] : Texts)
        T[I] = QString::fromUtf8(Text);
    return T;
}

class Molt2OldPanel : public TAnalyserPanelFixture {
protected:
    Molt2OldPanel()
        : TAnalyserPanelFixture(MOLT2OLD_LIBRARY, "MOLT2old.OstanPlugin", 49,
                                {"LUakk", "LUsensAbs", "LUsensDif", "LLCD", "LUvozd", "LUpgs", "LCpgs", "LCoff",
                                 "LCalarm", "LSensSensit"},
                                {"lNoSettings", "lADCInit", "lADCOver", "lEEBad", "lSensBad", "lLCDOver"})
    {
    }
};

TEST_F(Molt2OldPanel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Molt2Old, "MOLT-2.1 старый вар.",
                     "Ранняя модификация MOLT-2.1 (одноплатный вариант исполнения)");
}

TEST_F(Molt2OldPanel, StartsEmptyWithItsSpinsTrendAndComponents)
{
    Activate();
    ExpectFreshPanel("MOLT-2.1 старый вар.", Fields);
    EXPECT_EQ(Panel->findChild<QWidget*>(QStringLiteral("LADCCurrent")), nullptr);
    EXPECT_EQ(Flags(), "------");
    EXPECT_EQ(Find<QLabel>("lLCDOver")->text(), QStringLiteral("Переполнение данных ЖКИ"));
    EXPECT_EQ(Text("NumSpin1"), QStringLiteral("2,50"));
    EXPECT_EQ(Text("NumSpin2"), QStringLiteral("5,00"));
    EXPECT_EQ(Text("NumSpin3"), QStringLiteral("1,00"));
    EXPECT_TRUE(Find<QPushButton>("BReset")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("BSensOn")->text(), QStringLiteral("Тест сенс."));
    EXPECT_EQ(Find<QPushButton>("BPumpTest")->text(), QStringLiteral("Тест насоса"));

    EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), Panel->width() - 1 - (523 - 519));
    EXPECT_EQ(Find<QWidget>("BReset")->geometry().bottom(), Panel->height() - 1 - (314 - 313));
    EXPECT_EQ(Find<QWidget>("Chart1")->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

    // The battery on the left, the sensor voltage on the right.
    EXPECT_EQ(Chart->LeftAxis().Minimum(), 4.8);
    EXPECT_EQ(Chart->LeftAxis().Maximum(), 5.2);
    EXPECT_EQ(Chart->LeftAxis().LabelColor, QColor(Qt::blue));
    EXPECT_EQ(Chart->RightAxis().Minimum(), 990);
    EXPECT_EQ(Chart->RightAxis().Maximum(), 1100);
    EXPECT_EQ(Chart->Series(0).Title, QStringLiteral("Аккум."));
    EXPECT_EQ(Chart->Series(0).Color, QColor(0, 128, 255));
    EXPECT_EQ(Chart->Series(1).Title, QStringLiteral("Uсенс. абс."));
    EXPECT_EQ(Chart->Series(0).Count(), Chart->Width() / 8);

    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
}

// Texts and flags persist from packet to packet, so the cases run in order.
TEST_F(Molt2OldPanel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    // Device floats at the top of their range: exponent FE, all mantissa
    // bits; the sign is the top bit of the last byte in order, of the first
    // one reversed.
    const std::vector<uint8_t> Top{0xFE, 0xFF, 0xFF, 0x7F};
    const std::vector<uint8_t> ReversedTop{0xFE, 0x7F, 0xFF, 0xFF};
    const std::vector<uint8_t> ReversedNegativeTop{0xFE, 0xFF, 0xFF, 0xFF};
    struct Case {
        const char* What;
        std::vector<uint8_t> Packet;
        bool Accepted;
        // LUakk LUsensAbs LUsensDif LLCD LUvozd LUpgs LCpgs LCoff LCalarm LSensSensit
        QStringList Texts;
        std::string Flags; // lNoSettings lADCInit lADCOver lEEBad lSensBad lLCDOver
        bool Point;        // a trend point added
        double Left = WorkedBattery, Right = 100;
    };
    std::vector<uint8_t> BadCheck = Worked;
    BadCheck.back() ^= 0x01;
    const Case Cases[] = {
        {"the worked packet", Worked, true, WorkedTexts, "Y--R-R", true},
        {"its check byte changed", BadCheck, false, WorkedTexts, "Y--R-R", false},
        {"any header", Changed({{1, {0x00}}}), true, WorkedTexts, "Y--R-R", true},
        // The same four bytes read as 100 reversed are about 64.0005 in order.
        {"F0 from 85 48 00 00", Changed({{5, {0x85, 0x48, 0x00, 0x00}}}), true,
         With({{0, "4,927"}, {1, "183,396"}, {2, "48,3"}, {3, "1,91"}}), "Y--R-R", true, 4.927453138736342,
         183.39645506917566},
        // No scale: the computed voltages and the reading have no value, the
        // stored ones are shown all the same.
        {"F1 = F0", Changed({{9, {0x85, 0x00, 0x00, 0x48}}}), true,
         With({{0, "---"}, {1, "---"}, {2, "---"}, {3, "---"}}), "Y--R-R", false},
        {"F1 = F0, F2 to F4 zero", Changed({{9, {0x85, 0x00, 0x00, 0x48}}, {13, std::vector<uint8_t>(12, 0)}}), true,
         With({{0, "---"}, {1, "---"}, {2, "---"}, {3, "---"}}), "Y--R-R", false},
        {"later packets go on", Worked, true, WorkedTexts, "Y--R-R", true},
        {"S zero", Changed({{25, {0x00, 0x00, 0x00, 0x00}}}), true, With({{3, "---"}, {9, "0,0"}}), "Y--R-R", true},
        {"K exponent FF reads as zero", Changed({{45, {0xFF, 0x20, 0x00, 0x00}}}), true,
         With({{0, "0,000"}, {1, "0,000"}, {2, "0,0"}, {3, "-0,50"}}), "Y--R-R", true, 0, 0},
        {"codes at their tops", Changed({{37, {0xFF, 0xFF, 0xFF}}}), true,
         With({{6, "3,55"}, {7, "5,10"}, {8, "2,55"}}), "Y--R-R", true},
        {"codes zero", Changed({{37, {0x00, 0x00, 0x00}}}), true, With({{6, "1,00"}, {7, "0,00"}, {8, "0,00"}}),
         "Y--R-R", true},
        {"W 0x01", Changed({{2, {0x00, 0x01}}}), true, WorkedTexts, "Y-----", true},
        {"W 0x02", Changed({{2, {0x00, 0x02}}}), true, WorkedTexts, "Y-----", true},
        {"E 0x08", Changed({{2, {0x08, 0x00}}}), true, WorkedTexts, "---R--", true},
        {"E 0x10", Changed({{2, {0x10, 0x00}}}), true, WorkedTexts, "---R--", true},
        {"E 0x23, W 0x04", Changed({{2, {0x23, 0x04}}}), true, WorkedTexts, "-RR-RR", true},
        {"bits shown by no label", Changed({{2, {0xC4, 0xF8}}}), true, WorkedTexts, "------", true},
        {"the top of the range, long but whole",
         Changed({{13, Top}, {25, ReversedTop}, {29, ReversedTop}, {33, ReversedNegativeTop}}), true,
         {"5790288357866280000000000000000000000,000", "100,000", "50,0", "-0,01",
          "34028234663852900000000000000000000000,0", "-34028234663852900000000000000000000000,0", "2,50", "5,00",
          "1,00", "3402823466385290000000000000000000000000,0"},
         "Y--R-R", true, 5.79028835786628e36},
        {"one byte too many", [] { std::vector<uint8_t> P = Worked; P.push_back(0); return P; }(), false,
         {"5790288357866280000000000000000000000,000", "100,000", "50,0", "-0,01",
          "34028234663852900000000000000000000000,0", "-34028234663852900000000000000000000000,0", "2,50", "5,00",
          "1,00", "3402823466385290000000000000000000000000,0"},
         "Y--R-R", false, 5.79028835786628e36},
    };
    Activate();
    const int Points = Chart->Series(0).Count();
    double Left = 0, Right = 0;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        const double LastX = Chart->Series(0).XValueLast();
        EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(C.Packet)), C.Accepted);
        EXPECT_EQ(Texts(), C.Texts);
        EXPECT_EQ(Flags(), C.Flags);
        if (C.Point) {
            Left = C.Left;
            Right = C.Right;
        }
        for (int S = 0; S < 2; ++S) {
            EXPECT_EQ(Chart->Series(S).Count(), Points);
            EXPECT_EQ(Chart->Series(S).XValueLast(), C.Point ? LastX + 1 : LastX);
        }
        EXPECT_NEAR(Chart->Series(0).YValue(Points - 1), Left, std::abs(Left) * 1e-14);
        EXPECT_NEAR(Chart->Series(1).YValue(Points - 1), Right, std::abs(Right) * 1e-14);
    }
    EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
}

TEST_F(Molt2OldPanel, PaintsEveryDeviceFloat)
{
    Activate();
    // F0 to F4 in order; S, Uair, Ugas and K reversed: the exponent, then
    // the mantissa from its top byte.
    ExpectExtremeFloatsPainted({5, 9, 13, 17, 21, 25, 29, 33, 45}, [](int N, const std::array<uint8_t, 4>& F) {
        const bool Reversed = N >= 25;
        return Changed({{N, Reversed ? std::vector<uint8_t>{F[0], F[3], F[2], F[1]} : std::vector<uint8_t>(F.begin(), F.end())}});
    });
}

TEST_F(Molt2OldPanel, ExportsTheStoredValuesAndTheSensitivity)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "U возд., мВ", "U п.г.с., мВ", "С п.г.с., %", "Чувств. сенс., мВ/%",
                           "С откл., %", "С сигн., %"}));
    const QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 7);
    EXPECT_EQ(Values.mid(1), (QStringList{"10,0", "250,0", "2,50", "20,0", "5,00", "1,00"}));
    ExpectNoColumns({7, 8, -1});
}

TEST_F(Molt2OldPanel, ButtonsSendTheirCommandsWithTheSpinValues)
{
    const TButtonCase Cases[] = {
        {"BUvozd", "2,50", "5,00", "1,00", {"SendPacket 01 00 01"}},
        {"BUpgs", "2,50", "5,00", "1,00", {"SendPacket 02 00 02"}},
        {"BCpgs", "1,00", "5,00", "1,00", {"SendPacket 04 00 04"}},
        {"BCpgs", "2,50", "5,00", "1,00", {"SendPacket 04 96 92"}},
        {"BCpgs", "3,55", "5,00", "1,00", {"SendPacket 04 FF FB"}},
        {"BCpgs", "0,50", "5,00", "1,00", {"SendPacket 04 00 04"}}, // typed below the range: its bottom
        {"BCoff", "2,50", "0,01", "1,00", {"SendPacket 08 00 08"}},
        {"BCoff", "2,50", "0,05", "1,00", {"SendPacket 08 02 0A"}},
        {"BCoff", "2,50", "5,00", "1,00", {"SendPacket 08 FA F2"}},
        {"BCoff", "2,50", "5,10", "1,00", {"SendPacket 08 FF F7"}},
        {"BCalarm", "2,50", "5,00", "1,00", {"SendPacket 10 64 74"}},
        {"BCalarm", "2,50", "5,00", "2,55", {"SendPacket 10 FF EF"}},
        {"BCoffCalarm", "2,50", "5,00", "1,00", {"SendPacket 08 FA F2", "SendPacket 10 64 74"}},
        {"BReset", "2,50", "5,00", "1,00", {"SendPacket 20 08 28"}},
        {"BSensOn", "2,50", "5,00", "1,00", {"SendPacket 20 04 24"}},
        {"BSoundTest", "2,50", "5,00", "1,00", {"SendPacket 20 01 21"}},
        {"BPumpTest", "2,50", "5,00", "1,00", {"SendPacket 20 02 22"}},
        {"BCalarm", "2,50", "5,00", "", {}, 1},
    };
    Activate();
    ExpectButtons(Cases);
}

} // namespace
