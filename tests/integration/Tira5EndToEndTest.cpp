// The whole road with the real TIRA5 library and the emulator playing the
// meter: with automatic selection on, the adapter's device identifier 1
// activates the library, the meter's stream reaches the panel and a command
// reaches the wire.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class Tira5EndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("TIRA5");
        Cfg.StreamOnSelectMs = 20;
        return Cfg;
    }
};

} // namespace

TEST_F(Tira5EndToEnd, DeviceIdentifierOneActivatesTheLibraryWhileAutomaticSelectionIsOn)
{
    Parts(*Main).AutoSelectPlugin->setChecked(true);
    ASSERT_GT(Emu->SendDeviceId(1), 0);
    ASSERT_TRUE(PumpUntil([&] { return bool(Parts(*Main).CurrentPlugin); }, 20000));
    EXPECT_STREQ(Parts(*Main).CurrentPlugin->GetCaption(), "TIRA5.1, TIRA5.2");
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(6), Hex("0D0A0403 0303"));

    // The meter's packets reach the panel.
    auto* absolute = OnPanel<QLineEdit>("LUsensAbs");
    ASSERT_NE(absolute, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !absolute->text().isEmpty(); }, 20000));
    EXPECT_EQ(OnPanel<QLineEdit>("LUvozd")->text(), "12.5");
    EXPECT_EQ(OnPanel<QLineEdit>("LUpgs")->text(), "250.0");
    EXPECT_EQ(OnPanel<QLineEdit>("LCpgs")->text(), "2.50");

    // The same identifier again keeps the same object. The echo frame sent
    // after it carries a new version: once that is seen, the identifier was
    // handled too.
    IOstanPlugin* Active = Parts(*Main).CurrentPlugin.Get();
    Emu->SetFirmware(27);
    ASSERT_GT(Emu->SendDeviceId(1), 0);
    ASSERT_GT(Emu->SendEchoFrame(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Parts(*Main).Link.Receiver().AdapterFirmwareVersion() == 27; }, 20000));
    EXPECT_EQ(Parts(*Main).CurrentPlugin.Get(), Active);

    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BReset"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !Emu->Commands().empty(); }, 20000));
    EXPECT_EQ(Emu->Commands()[0].Payload, Hex("200828"));
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}
