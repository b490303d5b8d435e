// Every spin of every device panel, typed at the top and at the bottom of its
// range as the technician types it: Tab leaves it, the arrow towards the
// inside steps, the other arrow steps back to the end, and the spin's button
// sends the end's argument byte.
#include "Beep.h"
#include "PanelTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

// One end of a spin's range: its text, the text one step inside, and what
// the spin's button sends there.
struct TEnd {
    const char* Text;
    const char* Inside;
    const char* Sent;
};

struct TSpinCase {
    const char* Spin;
    const char* Button; // none for a spin no command reads
    TEnd Top, Bottom;
};

// The analysers' three spins; Cpgs is the test-gas concentration's range.
std::vector<TSpinCase> AnalyserSpins(TEnd CpgsTop, TEnd CpgsBottom)
{
    return {
        {"NumSpin1", "BCpgs", CpgsTop, CpgsBottom},
        {"NumSpin2", "BCoff", {"5,10", "5,08", "SendPacket 08 FF F7"}, {"0,00", "0,02", "SendPacket 08 00 08"}},
        {"NumSpin3", "BCalarm", {"2,55", "2,54", "SendPacket 10 FF EF"}, {"0,00", "0,01", "SendPacket 10 00 10"}},
    };
}

const std::vector<TSpinCase> Molt2Spins =
    AnalyserSpins({"3,05", "3,04", "SendPacket 04 FF FB"}, {"0,50", "0,51", "SendPacket 04 00 04"});
const std::vector<TSpinCase> SensorSpins{{"SpinConc", nullptr, {"5,00", "4,99", nullptr}, {"0,00", "0,01", nullptr}}};

// The methane packet of KARN-7E/8: the spin gets its range from the gas.
const std::vector<uint8_t> Methane{0x5F, 0x00, 0x11, 0x08, 0x00, 0x19};

const std::map<std::string, std::vector<TSpinCase>> SpinsOf{
    {"MOLT2", Molt2Spins},
    {"TIRA5", Molt2Spins},
    {"SEVO1", Molt2Spins},
    {"MOLT2old", AnalyserSpins({"3,55", "3,54", "SendPacket 04 FF FB"}, {"1,00", "1,01", "SendPacket 04 00 04"})},
    {"TIRA4",
     {{"NumSpin1", "BPorog1", {"25,5", "25,4", "SendPacket AA 20 FF 75"}, {"10,0", "10,1", "SendPacket AA 20 64 EE"}},
      {"NumSpin2", "BPorog2", {"9,9", "9,8", "SendPacket AA 10 63 D9"}, {"0,0", "0,1", "SendPacket AA 10 00 BA"}}}},
    {"BRUN3vm", {{"NumSpin2", "BSensitiv", {"255", "254", "SendPacket 04 FF FB"}, {"0", "1", "SendPacket 04 00 04"}}}},
    {"PIP_DELM", SensorSpins},
    {"PIP_KARN7E", SensorSpins},
    {"PIP_KARN7E_8", SensorSpins},
};

QStringList Libraries()
{
    return QString::fromUtf8(OSTAN_PLUGIN_LIBRARIES).split(u',', Qt::SkipEmptyParts);
}

std::string LibraryPath(const QString& Library)
{
    return (QStringLiteral(OSTAN_PLUGIN_DIR "/") + Library + QStringLiteral(".so")).toStdString();
}

class PanelSpins : public TPanelFixture, public ::testing::WithParamInterface<QString> {
protected:
    PanelSpins()
        : TPanelFixture(LibraryPath(GetParam()).c_str(), (GetParam() + QStringLiteral(".OstanPlugin")).toUtf8().constData(),
                        {800, 500})
    {
    }

    // Activated in the active window, so that Tab moves the focus.
    void Activate()
    {
        TPanelFixture::Activate(std::nullopt, std::nullopt);
        ASSERT_NE(Panel, nullptr);
        Placeholder.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Placeholder));
    }

    QStringList SpinNames() const
    {
        QStringList Names;
        for (QLineEdit* E : Panel->findChildren<QLineEdit*>())
            if (E->inherits("ostan::TNumSpin"))
                Names << E->objectName();
        Names.sort();
        return Names;
    }

    // One click on the spin's arrow button, its upper or its lower half.
    static void ClickArrow(QLineEdit* Spin, bool Up)
    {
        QWidget* Arrows = nullptr;
        for (QWidget* W : Spin->findChildren<QWidget*>())
            if (W->inherits("ostan::TSpinButton"))
                Arrows = W;
        ASSERT_NE(Arrows, nullptr);
        QTest::mouseClick(Arrows, Qt::LeftButton, {}, QPoint(Arrows->width() / 2, Up ? 2 : Arrows->height() - 3));
    }

    // Typed at End, the spin shows End and Tab leaves it. From there the
    // arrow key and the arrow button towards the inside step in, and the
    // other way steps back to End, which Tab leaves again: no beep at all.
    // The spin's command button then sends End.Sent.
    void ExpectEnd(const TSpinCase& C, const TEnd& End, bool AtTop)
    {
        auto* Spin = Find<QLineEdit>(C.Spin);
        const QString EndText = QString::fromUtf8(End.Text), Inside = QString::fromUtf8(End.Inside);
        BeepRecorder Beeps;
        Spin->setFocus();
        Spin->selectAll();
        QTest::keyClicks(Spin, EndText);
        EXPECT_EQ(Spin->text(), EndText) << "typed";

        QTest::keyClick(Spin, Qt::Key_Tab);
        EXPECT_FALSE(Spin->hasFocus()) << "Tab leaves the typed end";
        EXPECT_EQ(Spin->text(), EndText);

        Spin->setFocus();
        QTest::keyClick(Spin, AtTop ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_EQ(Spin->text(), Inside) << "the arrow key inward";
        QTest::keyClick(Spin, AtTop ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_EQ(Spin->text(), EndText) << "the arrow key back";
        ClickArrow(Spin, !AtTop);
        EXPECT_EQ(Spin->text(), Inside) << "the arrow button inward";
        ClickArrow(Spin, AtTop);
        EXPECT_EQ(Spin->text(), EndText) << "the arrow button back";
        QTest::keyClick(Spin, Qt::Key_Tab);
        EXPECT_FALSE(Spin->hasFocus()) << "Tab leaves the stepped end";
        EXPECT_TRUE(Beeps.MessageBeeps.empty());

        TakeEvents();
        if (C.Button) {
            Find<QPushButton>(C.Button)->click();
            EXPECT_EQ(TakeEvents(), QStringList{QString::fromUtf8(End.Sent)});
        }
    }
};

TEST_P(PanelSpins, EveryEndOfEverySpinCanBeLeftSteppedFromAndSent)
{
    Activate();
    const auto Known = SpinsOf.find(GetParam().toStdString());
    const std::vector<TSpinCase> Cases = Known == SpinsOf.end() ? std::vector<TSpinCase>{} : Known->second;
    QStringList Expected;
    for (const TSpinCase& C : Cases)
        Expected << QString::fromUtf8(C.Spin);
    Expected.sort();
    ASSERT_EQ(SpinNames(), Expected) << "each spin of the panel has its row";
    if (GetParam() == QLatin1String("PIP_KARN7E_8")) {
        ASSERT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Methane)));
    }

    for (const TSpinCase& C : Cases) {
        {
            SCOPED_TRACE(std::string(C.Spin) + " at its top " + C.Top.Text);
            ExpectEnd(C, C.Top, true);
        }
        {
            SCOPED_TRACE(std::string(C.Spin) + " at its bottom " + C.Bottom.Text);
            ExpectEnd(C, C.Bottom, false);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLibrary, PanelSpins, ::testing::ValuesIn(Libraries()),
                         [](const ::testing::TestParamInfo<QString>& I) { return I.param.toStdString(); });

} // namespace
