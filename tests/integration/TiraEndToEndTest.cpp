// The automatic selection with the real leak detector and oxygen meter
// libraries: "7" frames from the emulated adapter activate them, the adapter
// is told their command lengths, their packets reach the panels, and a
// button puts its command on the wire.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

// The payloads of the relayed commands the emulator received.
QList<QByteArray> Relayed(const adapteremu::AdapterEmulator& Emu)
{
    QList<QByteArray> Payloads;
    for (const adapteremu::ReceivedCommand& C : Emu.Commands())
        if (C.Code == adapteremu::CmdRelay)
            Payloads << C.Payload;
    return Payloads;
}

class TiraEndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg;
        Cfg.Device = QStringLiteral("TIRA6");
        Cfg.StreamOnSelectMs = 40;
        return Cfg;
    }
    bool AutoSelectPlugin() const override { return true; }
};

} // namespace

TEST_F(TiraEndToEnd, DeviceIdFramesActivateTheRealLibrariesWhoseButtonsReachTheWire)
{
    SetSeparatorsForTest(QLatin1Char(','), QLatin1Char(' '));

    struct Step {
        uint8_t Id;
        const char* Module;
        const char* Select; // device code 3 or 4 and its check
        int PacketLength;
        const char* Field;  // a field the device's packets fill
        const char* Button;
        const char* Command;
    };
    const Step Steps[] = {
        {2, "TIRA6", "0D0A0403 0303", 19, "LUvozd", "BGuard", "040004"},
        {3, "TIRA4", "0D0A0403 0404", 18, "LUazot", "BPorog1", "AA20B43E"},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.Module);
        Emu->StopStream();
        ASSERT_TRUE(Emu->SetDevice(QLatin1String(S.Module)));
        Emu->ClearRecords();
        Emu->SendDeviceId(S.Id);
        ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
        EXPECT_EQ(Emu->RawReceived().left(6), Hex(S.Select));
        EXPECT_EQ(Main->DeviceChooseDialog->SelectedModule, S.Module);
        EXPECT_EQ(Parts(*Main).Link.Receiver().PacketLength(), S.PacketLength);

        // The emulated device's packets reach the new panel.
        auto* field = OnPanel<QLineEdit>(S.Field);
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return !field->text().isEmpty(); }, 20000));

        auto* button = OnPanel<QPushButton>(S.Button);
        ASSERT_NE(button, nullptr);
        Emu->ClearRecords();
        button->click();
        ASSERT_TRUE(PumpUntil([&] { return !Relayed(*Emu).isEmpty(); }, 20000));
        EXPECT_EQ(Relayed(*Emu), QList<QByteArray>{Hex(S.Command)});
    }
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}
