// The whole road with the real BRUN3vm library and the emulator playing the
// analyser: chosen in the dialog, selected on the wire, the analyser's
// stream on the panel, the sensitivity command on the wire.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class Brun3vmEndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("BRUN3vm");
        Cfg.StreamOnSelectMs = 20;
        return Cfg;
    }
};

} // namespace

TEST_F(Brun3vmEndToEnd, ChosenInTheDialogShowsTheStreamAndSendsTheSensitivity)
{
    Choose(QStringLiteral("BRUN-3вм"));
    // Selected with its command length, 3.
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(6), Hex("0D0A0403 0303"));

    // The analyser's packets reach the panel: its calibration, the verdict
    // on the stored block, the battery.
    auto* absolute = OnPanel<QLineEdit>("LUsensAbs");
    ASSERT_NE(absolute, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !absolute->text().isEmpty(); }, 20000));
    EXPECT_EQ(OnPanel<QLineEdit>("LUvozd")->text(), "1000.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LUpgs")->text(), "800.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LUsensDelta")->text(), "200");
    EXPECT_EQ(OnPanel<QLineEdit>("LSensSensit")->text(), "64");
    EXPECT_EQ(OnPanel<QLineEdit>("lEEPROMXOR")->text(), "OK");
    const QString battery = OnPanel<QLineEdit>("LUakk")->text();
    EXPECT_TRUE(battery.startsWith("4.9") || battery.startsWith("5.0")) << battery.toStdString();

    // "Чувств." with 64 in its spin: the relayed command on the wire.
    ASSERT_EQ(OnPanel<QLineEdit>("NumSpin2")->text(), "64");
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BSensitiv"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().contains(Hex("0D0A0106 044044")); }, 20000))
        << Emu->RawReceived().toHex(' ').toStdString();
}
