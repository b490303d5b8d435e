// The whole road with the real MOLT2old library and the emulator playing the
// early analyser at the full line rate: chosen in the dialog, selected on the
// wire, its packets of device floats on the panel with every byte read, a
// calibration command on the wire.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class Molt2OldEndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("MOLT2old");
        Cfg.StreamOnSelectMs = adapteremu::StreamLineRate;
        return Cfg;
    }
};

} // namespace

TEST_F(Molt2OldEndToEnd, ChosenInTheDialogShowsTheFullRateStreamAndSendsTheCommands)
{
    Choose(QStringLiteral("MOLT-2.1 старый вар."));
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(6), Hex("0D0A0403 0303"));

    // The computed and the stored values reach the panel.
    auto* battery = OnPanel<QLineEdit>("LUakk");
    ASSERT_NE(battery, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !battery->text().isEmpty(); }, 20000));
    EXPECT_TRUE(battery->text().startsWith("4.9") || battery->text().startsWith("5.0")) << battery->text().toStdString();
    EXPECT_EQ(OnPanel<QLineEdit>("LUvozd")->text(), "-20.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LUpgs")->text(), "330.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LSensSensit")->text(), "140.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LCpgs")->text(), "2.50");

    // "C п.г.с." with 2.50 in its spin while the stream runs: the relayed
    // command on the wire.
    ASSERT_EQ(OnPanel<QLineEdit>("NumSpin1")->text(), "2.50");
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BCpgs"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().contains(Hex("0D0A0106 049692")); }, 20000))
        << Emu->RawReceived().toHex(' ').toStdString();

    // The program reads every byte of the stream.
    PumpUntil([] { return false; }, 300);
    Emu->StopStream();
    EXPECT_TRUE(PumpUntil([&] { return Emu->BytesUnread() == 0; }, 20000)) << Emu->BytesUnread();
    EXPECT_EQ(Emu->BytesDropped(), 0);
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}
