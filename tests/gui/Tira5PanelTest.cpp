// The portable meters' libraries as the program drives them: the built
// TIRA5.so (and SEVO1.so, the same panel under its own profile and
// pictures) created by ProgID, put into a placeholder, fed packets and
// clicked, with a recording callback class. The decimal separator is fixed
// to ','.
#include "AnalyserPanelSupport.h"
#include "Picture.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

// The worked packet: flags 0x30, current code 4, 12.5 and 250.0 mV stored,
// 2.50 %, thresholds 5.00 and 1.00 %, 4.987 V, 100.0 mV.
const std::vector<uint8_t> Worked{0x5F, 0x30, 0x00, 0x00, 0x40, 0x00, 0x00, 0x82, 0x00, 0x00, 0x48, 0x86, 0x00,
                                  0x00, 0x7A, 0xC8, 0xFA, 0x64, 0x00, 0x7B, 0x13, 0x85, 0x00, 0x00, 0x48, 0xB5};

// The worked packet with bytes changed (numbered from 1), its check made good.
std::vector<uint8_t> Changed(std::initializer_list<std::pair<int, uint8_t>> Bytes) { return ChangedPacket(Worked, Bytes); }

// The worked packet with a device float in bytes N to N + 3.
std::vector<uint8_t> WithFloat(int N, const std::array<uint8_t, 4>& F)
{
    return Changed({{N, F[0]}, {N + 1, F[1]}, {N + 2, F[2]}, {N + 3, F[3]}});
}
// Air, test gas, absolute sensor voltage.
const std::vector<int> FloatFields{8, 12, 22};

// LUvozd LUpgs LUsensAbs LUakk LCpgs LCoff LCalarm LADCCurrent LLCD LSensSensit
const std::vector<const char*> MeterFields{"LUvozd", "LUpgs",   "LUsensAbs",   "LUakk", "LCpgs",
                                           "LCoff",  "LCalarm", "LADCCurrent", "LLCD",  "LSensSensit"};
// In the order of the flag table.
const std::vector<const char*> MeterFlags{"lADCInit", "lADCOver", "lEEBad", "lEE2Bad", "lNoSettings", "lSensBad"};

struct TLibrary {
    const char* File;
    const char* ProgID;
    const char* Folder;
    TGUID ClassID;
    const char* Caption;
    const char* Description;
};
const TLibrary Tira5{TIRA5_LIBRARY, "TIRA5.OstanPlugin", "TIRA5", MakeGUID("{A13B5E2A-2546-4FD9-84AF-8EF2210FDECB}"),
                     "TIRA5.1, TIRA5.2", "Портативные измерители концентрации горючих газов TIRA5.1, TIRA5.2"};
const TLibrary Sevo1{SEVO1_LIBRARY, "SEVO1.OstanPlugin", "SEVO1", MakeGUID("{85850168-511E-4A32-A1AA-D36AA0260502}"),
                     "SEVO-1, TIRA5.3", "Портативные измерители SEVO-1, TIRA5.3"};

class Tira5Panel : public TAnalyserPanelFixture {
protected:
    explicit Tira5Panel(const TLibrary& L = Tira5) : TAnalyserPanelFixture(L.File, L.ProgID, 26, MeterFields, MeterFlags)
    {
    }
};

class Sevo1Panel : public Tira5Panel {
protected:
    Sevo1Panel() : Tira5Panel(Sevo1) {}
};

// Both libraries side by side, as the program's scan meets them.
TEST_F(Tira5Panel, BothLibrariesAnswerTheScanWithTheirOwnProfilesAndPictures)
{
    RegisterComServer(QString::fromUtf8(Sevo1.File));
    for (const TLibrary* L : {&Tira5, &Sevo1}) {
        SCOPED_TRACE(L->Folder);
        EXPECT_EQ(ProgIDToClassID(QString::fromLatin1(L->ProgID)), L->ClassID);
        ComPtr<IOstanPlugin> P = CreatePlugin(QString::fromLatin1(L->ProgID));
        ASSERT_TRUE(P);
        P->LoadPictures();
        EXPECT_STREQ(P->GetCaption(), L->Caption);
        EXPECT_STREQ(P->GetDescription(), L->Description);
        // Each library embeds the JPEGs kept in its own folder.
        const std::pair<intptr_t, const char*> Pictures[] = {{P->GetDevicePicture(), "MainImage.jpg"},
                                                             {P->GetConnectionPictureBLS4(), "ConnectionBLD4.jpg"},
                                                             {P->GetConnectionPictureBLS5(), "ConnectionBLD5.jpg"}};
        for (const auto& [Ref, File] : Pictures) {
            ASSERT_NE(Ref, NoPicture) << File;
            QFile Source(QStringLiteral(PLUGINS_SOURCE_DIR "/%1/%2").arg(QLatin1String(L->Folder), QLatin1String(File)));
            ASSERT_TRUE(Source.open(QIODevice::ReadOnly)) << File;
            TPicture Expected;
            Expected.LoadFromJpeg(Source.readAll());
            EXPECT_EQ(reinterpret_cast<const TPicture*>(Ref)->Graphic(), Expected.Graphic()) << File;
        }
    }
    // The two sets are different drawings.
    for (const char* File : {"MainImage.jpg", "ConnectionBLD4.jpg", "ConnectionBLD5.jpg"}) {
        QFile A(QStringLiteral(PLUGINS_SOURCE_DIR "/TIRA5/") + QLatin1String(File));
        QFile B(QStringLiteral(PLUGINS_SOURCE_DIR "/SEVO1/") + QLatin1String(File));
        ASSERT_TRUE(A.open(QIODevice::ReadOnly) && B.open(QIODevice::ReadOnly)) << File;
        EXPECT_NE(A.readAll(), B.readAll()) << File;
    }
}

TEST_F(Tira5Panel, StartsEmptyWithItsSpinsTrendAndComponents)
{
    Activate();
    ExpectStartingState("TIRA5.1, TIRA5.2", "Chart7");
    // The flag labels from top to bottom, with their captions.
    const std::pair<const char*, const char*> FlagTexts[] = {
        {"lNoSettings", "20  -  Нет настройки"},          {"lADCInit", "01  -  Инициализация АЦП"},
        {"lADCOver", "02  -  Переполнение АЦП"},          {"lEEBad", "04  -  Неисправность EEPROM C"},
        {"lEE2Bad", "10  -  Неисправность EEPROM D"},     {"lSensBad", "40  -  Неисправность сенсора"}};
    int Above = -1;
    for (const auto& [Name, Caption] : FlagTexts) {
        auto* L = Find<QLabel>(Name);
        EXPECT_EQ(L->text(), QString::fromUtf8(Caption));
        EXPECT_GT(L->y(), Above) << Name;
        Above = L->y();
    }
    // "Выкл" is enabled from the start; the pump test has its own caption.
    EXPECT_EQ(Find<QPushButton>("BReset")->text(), QStringLiteral("Выкл"));
    EXPECT_TRUE(Find<QPushButton>("BReset")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("BPumpTest")->text(), QStringLiteral("Тест насоса"));
    EXPECT_EQ(Find<QGroupBox>("GroupBox1")->geometry(), QRect(0, 0, 185, 153));
}

// Texts and flags persist from packet to packet, so the cases run in order.
TEST_F(Tira5Panel, DecodesEachPacketOntoThePanelAndTheTrend)
{
    const QStringList WorkedTexts{"12,5", "250,0", "100,0", "4,987", "2,50", "5,00", "1,00", "10,0", "0,92", "95,0"};
    auto With = [&](std::initializer_list<std::pair<int, const char*>> Texts) {
        QStringList T = WorkedTexts;
        for (auto [Index, Text] : Texts)
            T[Index] = QString::fromUtf8(Text);
        return T;
    };
    std::vector<uint8_t> BadCheck = Worked;
    BadCheck.back() ^= 0x01;
    // The largest device float: (2 - 2^-23) x 2^127, shown in full.
    const char* Largest = "340282346638529000000000000000000000000,0";
    const TPacketCase Cases[] = {
        {"the worked packet", Worked, true, WorkedTexts, "---RY-", 100, 4.987},
        {"its check byte changed", BadCheck, false, WorkedTexts, "---RY-", 100, 4.987},
        {"any header", Changed({{1, 0x00}}), true, WorkedTexts, "---RY-", 100, 4.987},
        // Equal calibration voltages: no concentration, the rest decoded and
        // the trend fed.
        {"equal calibration voltages", Changed({{12, 0x82}, {13, 0x00}, {14, 0x00}, {15, 0x48}}), true,
         With({{1, "12,5"}, {8, "---"}, {9, "0,0"}}), "---RY-", 100, 4.987},
        {"and the sensor voltage equal too", Changed({{12, 0x82}, {15, 0x48}, {22, 0x82}, {25, 0x48}}), true,
         With({{1, "12,5"}, {2, "12,5"}, {8, "---"}, {9, "0,0"}}), "---RY-", 12.5, 4.987},
        {"and the next packet goes on", Worked, true, WorkedTexts, "---RY-", 100, 4.987},
        {"a negative device float", Changed({{8, 0x7F}, {9, 0x00}, {10, 0x00}, {11, 0xC0}}), true,
         With({{0, "-1,5"}, {8, "1,01"}, {9, "100,6"}}), "---RY-", 100, 4.987},
        {"exponent 0xFF reads as 0", Changed({{8, 0xFF}, {9, 0x12}, {10, 0x34}, {11, 0x56}}), true,
         With({{0, "0,0"}, {8, "1,00"}, {9, "100,0"}}), "---RY-", 100, 4.987},
        {"exponent 0 reads as 0", Changed({{8, 0x00}, {9, 0x12}, {10, 0x34}, {11, 0x56}}), true,
         With({{0, "0,0"}, {8, "1,00"}, {9, "100,0"}}), "---RY-", 100, 4.987},
        {"current: the low nibble does not count", Changed({{5, 0xFF}}), true, With({{7, "37,5"}}), "---RY-", 100,
         4.987},
        {"flags 0x88 light none", Changed({{2, 0x88}}), true, WorkedTexts, "------", 100, 4.987},
        {"flags 0x7F light all six", Changed({{2, 0x7F}}), true, WorkedTexts, "RRRRYR", 100, 4.987},
        {"codes and battery at their tops", Changed({{16, 0xFF}, {17, 0xFF}, {18, 0xFF}, {20, 0xFF}, {21, 0xFF}}),
         true, With({{3, "65,535"}, {4, "3,05"}, {5, "5,10"}, {6, "2,55"}, {8, "1,12"}, {9, "77,9"}}), "---RY-", 100,
         65.535},
        // Floats at the top of their range give long texts, whole.
        {"the largest sensor voltage", Changed({{22, 0xFE}, {23, 0xFF}, {24, 0xFF}, {25, 0x7F}}), true,
         With({{2, Largest}, {8, "3581919438300300000000000000000000000,00"}}), "---RY-",
         3.4028234663852886e38, 4.987},
        {"the largest calibration voltages", Changed({{8, 0xFE}, {9, 0xFF}, {10, 0xFF}, {11, 0xFF},
                                                      {12, 0xFE}, {13, 0xFF}, {14, 0xFF}, {15, 0x7F}}), true,
         With({{0, (std::string("-") + Largest).c_str()}, {1, Largest}, {8, "1,25"},
               {9, "272225877310823000000000000000000000000,0"}}), "---RY-", 100, 4.987},
    };
    Activate();
    Feed(Cases);
}

TEST_F(Tira5Panel, PaintsEveryDeviceFloat)
{
    Activate();
    ExpectExtremeFloatsPainted(FloatFields, WithFloat);
}

TEST_F(Tira5Panel, ExportsTheStoredValuesAndTheSensitivityButNotTheConcentration)
{
    Activate();
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    ExpectExport({"12,5", "250,0", "2,50", "95,0", "5,00", "1,00"});
}

TEST_F(Tira5Panel, ButtonsSendTheirCommandsWithTheSpinValues)
{
    Activate();
    ExpectButtons(AnalyserButtonCases());
    // "Выкл" is enabled from the start.
    ExpectButtons(std::vector<TButtonCase>{{"BReset", "2,50", "5,00", "1,00", {"SendPacket 20 08 28"}}});
}

// The other library is the same panel: its own caption, the same decoding
// and commands.
TEST_F(Sevo1Panel, IsTheSamePanelUnderItsOwnCaption)
{
    Activate();
    EXPECT_EQ(Panel->windowTitle(), QStringLiteral("SEVO-1, TIRA5.3"));
    ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Worked)));
    EXPECT_EQ(Texts(), (QStringList{"12,5", "250,0", "100,0", "4,987", "2,50", "5,00", "1,00", "10,0", "0,92", "95,0"}));
    EXPECT_EQ(Flags(), "---RY-");
    EXPECT_DOUBLE_EQ(Chart->Series(0).YValue(Chart->Series(0).Count() - 1), 100);
    Find<QPushButton>("BReset")->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"SendPacket 20 08 28"}));
}

TEST_F(Sevo1Panel, PaintsEveryDeviceFloat)
{
    Activate();
    ExpectExtremeFloatsPainted(FloatFields, WithFloat);
}

} // namespace
