#pragma once
// The program's start-up as the in-process end-to-end tests run it against
// the adapter emulator: short waits, the link's settings in the store, the
// main window with its dialogs, connected.
#include "BackInterface.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "NumberSeparators.h"
#include "Options.h"
#include "MainFormParts.h"
#include "PortScanning.h"
#include "Registry.h"

#include <gtest/gtest.h>

namespace ostan::test {

// Short waits for the main window to take (Wait), and for its lifetime "." as
// the decimal separator and no serial devices of the system; everything is
// put back however the test ends.
struct TQuickStart {
    TAdapterWaits Wait; // for the main window
    int Close = TPortScanningForm::CloseIntervalMs;

    TQuickStart()
    {
        SetSeparatorsForTest(QLatin1Char('.'), QLatin1Char(','));
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        Wait.ProbeMs = 60;
        Wait.ResetMs = 3000; // ends at the answer
        Wait.SupervisionMs = 10000; // the link stays up however slow the machine
        TPortScanningForm::CloseIntervalMs = 10;
    }
    ~TQuickStart()
    {
        StopOstanBackServer();
        TPortScanningForm::CloseIntervalMs = Close;
        SetSystemSerialDevicesForTest({});
        ResetSeparatorsForTest();
    }
    TQuickStart(const TQuickStart&) = delete;
    TQuickStart& operator=(const TQuickStart&) = delete;
};

// A stored link on COM<Port> at 57600 baud, no sound; the library chosen by
// the device's ID frames only when AutoSelect.
inline void StoreLinkSettings(int Port, bool AutoSelect = false)
{
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(TOptionsDlg::SettingsKey, true));
    r.WriteInteger("Port", Port);
    r.WriteInteger("PortSpeed", 13);
    r.WriteInteger("Sound", 0);
    r.WriteInteger("AutoSelectPlugin", AutoSelect ? 1 : 0);
    r.WriteInteger("BLSPinCount", 4);
}

// Start-up steps 4 to 9 with the plug-ins of ProgramDir; the link is up.
inline void StartMainForm(TMainForm& F, const QString& ProgramDir)
{
    F.DebugForm = std::make_unique<TDebugForm>();
    F.DeviceChooseDialog = new TDeviceChooseDialog(&F, ProgramDir);
    F.OptionsDlg = new TOptionsDlg(&F);
    F.ApplyOptions();
    F.show();
    F.ConnectOnStart();
    F.setEnabled(true);
    ASSERT_TRUE(Parts(F).Link.Supervisor().LinkUp());
}

} // namespace ostan::test
