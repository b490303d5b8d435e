// The automatic selection with the real leak detector and oxygen meter
// libraries: "7" frames from the emulated adapter activate them, the adapter
// is told their command lengths, their packets reach the panels, and a
// button puts its command on the wire.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "ComTestSupport.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "MessageBox.h"
#include "NumberSeparators.h"
#include "Options.h"
#include "OstanMain.h"
#include "PortScanning.h"
#include "Registry.h"
#include "Ticks.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace ostan;
using adapteremu::AdapterEmulator;

namespace {

QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }

// The payloads of the relayed commands the emulator received.
QList<QByteArray> Relayed(const AdapterEmulator& Emu)
{
    QList<QByteArray> Payloads;
    for (const adapteremu::ReceivedCommand& C : Emu.Commands())
        if (C.Code == adapteremu::CmdRelay)
            Payloads << C.Payload;
    return Payloads;
}

} // namespace

TEST(TiraEndToEnd, DeviceIdFramesActivateTheRealLibrariesWhoseButtonsReachTheWire)
{
    ostan::test::TTempStore store;
    struct Restore {
        TMainForm::Timings Wait = TMainForm::Wait;
        int Close = TPortScanningForm::CloseIntervalMs;
        ~Restore()
        {
            StopOstanBackServer();
            TMainForm::Wait = Wait;
            TPortScanningForm::CloseIntervalMs = Close;
            SetSystemSerialDevicesForTest({});
            ResetSeparatorsForTest();
        }
    } restore;
    SetSeparatorsForTest(QLatin1Char(','), QLatin1Char(' '));
    SetSystemSerialDevicesForTest([] { return QStringList(); });
    TMainForm::Wait.ProbeMs = 60;
    TMainForm::Wait.ResetMs = 400;
    TMainForm::Wait.SupervisionMs = 10000; // the link stays up however slow the machine
    TPortScanningForm::CloseIntervalMs = 10;
    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    MessageBoxRecorder boxes;

    adapteremu::EmulatorConfig cfg;
    cfg.PortNum = 7;
    cfg.Device = QStringLiteral("TIRA6");
    cfg.StreamOnSelectMs = 40;
    AdapterEmulator emu(cfg);
    QString err;
    ASSERT_TRUE(emu.Start(&err)) << err.toStdString();
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey(TOptionsDlg::SettingsKey, true));
        r.WriteInteger("Port", 7);
        r.WriteInteger("PortSpeed", 13);
        r.WriteInteger("Sound", 0);
        r.WriteInteger("AutoSelectPlugin", 1);
        r.WriteInteger("BLSPinCount", 4);
    }
    TMainForm f;
    f.DebugForm = new TDebugForm;
    f.DeviceChooseDialog = new TDeviceChooseDialog(&f, QStringLiteral(PROGRAM_DIR));
    f.OptionsDlg = new TOptionsDlg(&f);
    f.ApplyOptions();
    f.show();
    f.ConnectOnStart();
    f.setEnabled(true);
    ASSERT_TRUE(f.Link.LinkUp);

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
        emu.StopStream();
        ASSERT_TRUE(emu.SetDevice(QLatin1String(S.Module)));
        emu.ClearRecords();
        emu.SendDeviceId(S.Id);
        ASSERT_TRUE(PumpUntil([&] { return emu.RawReceived().size() >= 6; }, 3000));
        EXPECT_EQ(emu.RawReceived().left(6), Hex(S.Select));
        EXPECT_EQ(f.DeviceChooseDialog->SelectedModule, S.Module);
        EXPECT_EQ(f.Link.PacketLength, S.PacketLength);

        // The emulated device's packets reach the new panel.
        auto* field = f.PlugInPlaceholder->findChild<QLineEdit*>(QLatin1String(S.Field));
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return !field->text().isEmpty(); }, 3000));

        auto* button = f.PlugInPlaceholder->findChild<QPushButton*>(QLatin1String(S.Button));
        ASSERT_NE(button, nullptr);
        emu.ClearRecords();
        button->click();
        ASSERT_TRUE(PumpUntil([&] { return !Relayed(emu).isEmpty(); }, 3000));
        EXPECT_EQ(Relayed(emu), QList<QByteArray>{Hex(S.Command)});
    }
    EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Texts().join("|").toStdString();
    f.close();
}
