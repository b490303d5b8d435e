// The whole road with the real MOLT2 library and the emulator playing the
// analyser: chosen in the dialog, selected on the wire, the analyser's
// stream on the panel, a calibration command on the wire.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class Molt2EndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("MOLT2");
        Cfg.StreamOnSelectMs = 20;
        return Cfg;
    }
};

} // namespace

TEST_F(Molt2EndToEnd, ChosenInTheDialogShowsTheStreamAndSendsTheCommands)
{
    Choose(QStringLiteral("MOLT-2.1"));
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(6), Hex("0D0A0403 0303"));

    // The analyser's packets reach the panel and its trend.
    auto* absolute = OnPanel<QLineEdit>("LUsensAbs");
    auto* battery = OnPanel<QLineEdit>("LUakk");
    ASSERT_NE(absolute, nullptr);
    ASSERT_NE(battery, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !absolute->text().isEmpty(); }, 20000));
    EXPECT_EQ(OnPanel<QLineEdit>("LCpgs")->text(), "2.50");
    EXPECT_EQ(OnPanel<QLineEdit>("LUvozd")->text(), "12.3");
    EXPECT_TRUE(battery->text().startsWith("4.9") || battery->text().startsWith("5.0")) << battery->text().toStdString();

    // "C п.г.с." with 2.50 in its spin: the relayed command on the wire.
    ASSERT_EQ(OnPanel<QLineEdit>("NumSpin1")->text(), "2.50");
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BCpgs"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().contains(Hex("0D0A0106 04C8CC")); }, 20000))
        << Emu->RawReceived().toHex(' ').toStdString();
    // And the glyph button: both thresholds, the switch-off one first.
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BCoffCalarm"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->Commands().size() >= 2; }, 20000));
    EXPECT_EQ(Emu->Commands()[0].Payload, Hex("08FAF2"));
    EXPECT_EQ(Emu->Commands()[1].Payload, Hex("106474"));
}
