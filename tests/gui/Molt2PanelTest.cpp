// The MOLT-2.1 analyser library as the program drives it: the built MOLT2.so
// created by ProgID, put into a placeholder, fed packets and clicked, with a
// recording callback class. The decimal separator is fixed to ','.
#include "AnalyserPanelSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

constexpr TGUID CLSID_Molt2 = MakeGUID("{61962100-4939-49F1-99C5-65B1F227CCF3}");

// The worked packet: 12.3 and 234.5 mV stored, 2.50 %, thresholds 1.00 and
// 5.00 %, flags 0x11, current code 4, reading -1.50, -5.2 mV, 1500 mV, 4.987 V.
const std::vector<uint8_t> Worked{0x5F, 0x7B, 0x00, 0x29, 0x09, 0xC8, 0x64, 0xFA, 0x00, 0x11, 0x00,
                                  0x40, 0x6A, 0xFF, 0xCC, 0xFF, 0xDC, 0x05, 0x7B, 0x13, 0x4B};

// The worked packet with bytes changed (numbered from 1) and its check made
// good again.
std::vector<uint8_t> Changed(std::initializer_list<std::pair<int, uint8_t>> Bytes)
{
    return ChangedPacket(Worked, Bytes);
}

class Molt2Panel : public TAnalyserPanelFixture {
protected:
    Molt2Panel()
        : TAnalyserPanelFixture(MOLT2_LIBRARY, "MOLT2.OstanPlugin", 21,
                                {"LUvozd", "LUpgs", "LUsensDif", "LCpgs", "LCalarm", "LCoff", "LLCD", "LUsensAbs",
                                 "LUakk", "LADCCurrent", "LSensSensit"},
                                {"lADCInit", "lADCOver", "lEEBad", "lNoSettings", "lSensBad", "lSensSensitiv"})
    {
    }
};

TEST_F(Molt2Panel, AnswersTheScanWithItsProfileAndPictures)
{
    ExpectScanAnswer(CLSID_Molt2, "MOLT-2.1", "Последняя модификация MOLT-2.1 (вариант исполнения 1 и 2)");
}

TEST_F(Molt2Panel, StartsEmptyWithItsSpinsTrendAndComponents)
{
    Activate();
    ExpectStartingState("MOLT-2.1", "Chart1");
    EXPECT_EQ(Find<QLabel>("lSensSensitiv")->text(), QStringLiteral("40  -  Низкая чувств. сенсора"));
    EXPECT_FALSE(Find<QPushButton>("BReset")->isEnabled());
    EXPECT_EQ(Chart->RightAxis().LabelColor, QColor(Qt::blue));
}

// Texts and flags persist from packet to packet, so the cases run in order.
TEST_F(Molt2Panel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    // Texts: LUvozd LUpgs LUsensDif LCpgs LCalarm LCoff LLCD LUsensAbs LUakk LADCCurrent LSensSensit;
    // flags: lADCInit lADCOver lEEBad lNoSettings lSensBad lSensSensitiv.
    const QStringList WorkedTexts{"12,3",  "234,5",  "-5,2",  "2,50", "1,00", "5,00",
                                  "-1,50", "1500,0", "4,987", "10,0", "88,9"};
    auto With = [&](int Index, const char* Text) {
        QStringList T = WorkedTexts;
        T[Index] = QString::fromUtf8(Text);
        return T;
    };
    std::vector<uint8_t> BadCheck = Changed({{17, 0x00}});
    BadCheck.back() ^= 0x01;
    const TPacketCase Cases[] = {
        {"the worked packet", Worked, true, WorkedTexts, "R--Y--", 1500, 4.987},
        {"its check byte changed", BadCheck, false, WorkedTexts, "R--Y--", 1500, 4.987},
        {"any header", Changed({{1, 0x00}}), true, WorkedTexts, "R--Y--", 1500, 4.987},
        {"absolute voltage unsigned", Changed({{17, 0xFF}, {18, 0xFF}}), true, With(7, "65535,0"), "R--Y--", 65535, 4.987},
        {"air voltage signed", Changed({{2, 0xFF}, {3, 0xFF}}), true,
         [&] { QStringList T = With(0, "-0,1"); T[10] = "93,8"; return T; }(), "R--Y--", 1500, 4.987},
        {"current: the low nibble does not count", Changed({{12, 0xFF}}), true, With(9, "37,5"), "R--Y--", 1500, 4.987},
        {"flags 0x88 light none", Changed({{10, 0x88}}), true, WorkedTexts, "------", 1500, 4.987},
        {"flags 0x7F light all six", Changed({{10, 0x7F}}), true, WorkedTexts, "RRRYRR", 1500, 4.987},
        {"codes at their tops", Changed({{6, 0xFF}, {7, 0xFF}, {8, 0xFF}}), true,
         [&] { QStringList T = WorkedTexts; T[3] = "3,05"; T[4] = "2,55"; T[5] = "5,10"; T[10] = "72,9"; return T; }(),
         "R--Y--", 1500, 4.987},
        {"a header alone: the previous tail checks again", {0x5F}, true, [&] {
             QStringList T = WorkedTexts; T[3] = "3,05"; T[4] = "2,55"; T[5] = "5,10"; T[10] = "72,9"; return T; }(),
         "R--Y--", 1500, 4.987},
        {"one byte too many", [] { std::vector<uint8_t> P = Worked; P.push_back(0); return P; }(), false,
         [&] { QStringList T = WorkedTexts; T[3] = "3,05"; T[4] = "2,55"; T[5] = "5,10"; T[10] = "72,9"; return T; }(),
         "R--Y--", 1500, 4.987},
    };
    Activate();
    Feed(Cases);
}

TEST_F(Molt2Panel, ExportsTheStoredValuesAndTheSensitivity)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
              (QStringList{"Дата, время", "U возд., мВ", "U п.г.с., мВ", "С п.г.с., %", "Чувств. сенс., мВ/%",
                           "С откл., %", "С сигн., %"}));
    const QStringList Values = Columns(&IOstanPlugin::GetColumnValue);
    ASSERT_EQ(Values.size(), 7);
    EXPECT_TRUE(IsDateTimeText(Values[0])) << Values[0].toStdString();
    EXPECT_EQ(Values.mid(1), (QStringList{"12,3", "234,5", "2,50", "88,9", "5,00", "1,00"}));
    ExpectNoColumns({7, 8, 100, -1});
}

TEST_F(Molt2Panel, ButtonsSendTheirCommandsWithTheSpinValues)
{
    Activate();
    ExpectButtons(AnalyserButtonCases());
    // "Сброс" is disabled on the form and nothing enables it; its command
    // is that of the table all the same.
    auto* Reset = Find<QPushButton>("BReset");
    Reset->setEnabled(true);
    Reset->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"SendPacket 20 08 28"}));
}

} // namespace
