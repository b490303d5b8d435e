#include "Startup.h"

#include "DeviceChooseDlg.h"
#include "Guard.h"
#include "Options.h"
#include "OstanMain.h"

#include <QAction>
#include <QElapsedTimer>

namespace ostan {

namespace {
StartupTimes Times;
}

const StartupTimes& LastStartupTimes() { return Times; }

TMainForm* StartUp()
{
    QElapsedTimer clock;
    clock.start();
    auto* MainForm = new TMainForm;
    // An exception in a window's creation reaches the exception handler and
    // the remaining steps still run.
    Guarded([&] { MainForm->DeviceChooseDialog = new TDeviceChooseDialog(MainForm); });
    Guarded([&] { MainForm->OptionsDlg = new TOptionsDlg(MainForm); });

    Guarded([&] { MainForm->ApplyOptions(); });
    MainForm->show();
    Guarded([&] { MainForm->ConnectOnStart(); });
    MainForm->setEnabled(true);
    Times.ToEnabledMs = clock.elapsed();
    if (MainForm->OptionsDlg && MainForm->OptionsDlg->BLSPinCount != 4 && MainForm->OptionsDlg->BLSPinCount != 5)
        MainForm->Options->trigger();
    return MainForm;
}

} // namespace ostan
