#include "Startup.h"

#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "Logo.h"
#include "Guard.h"
#include "Options.h"
#include "OstanMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>

namespace ostan {

namespace {
StartupTimes Times;
QElapsedTimer& ProcessClock()
{
    static QElapsedTimer c;
    return c;
}
} // namespace

void MarkProcessStart() { ProcessClock().start(); }

const StartupTimes& LastStartupTimes() { return Times; }

TMainForm* StartUp()
{
    if (!ProcessClock().isValid())
        MarkProcessStart();
    QPointer<TLogoForm> LogoForm = new TLogoForm;
    LogoForm->ShowNow();
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QStringLiteral("Ostan"));

    auto* MainForm = new TMainForm;
    Guarded([&] { MainForm->DebugForm = new TDebugForm; });
    // An exception in a window's creation reaches the exception handler and
    // the remaining steps still run.
    Guarded([&] { MainForm->DeviceChooseDialog = new TDeviceChooseDialog(MainForm); });
    Guarded([&] { MainForm->OptionsDlg = new TOptionsDlg(MainForm); });

    Guarded([&] { MainForm->ApplyOptions(); });
    MainForm->show();
    if (LogoForm) {
        QElapsedTimer wait;
        wait.start();
        LogoForm->raise();
        LogoForm->close(); // stays until 2500 ms after its creation
        Times.SplashWaitMs = wait.elapsed();
    }
    Guarded([&] { MainForm->ConnectOnStart(); });
    MainForm->setEnabled(true);
    Times.ToEnabledMs = ProcessClock().elapsed();
    if (MainForm->OptionsDlg && MainForm->OptionsDlg->BLSPinCount != 4 && MainForm->OptionsDlg->BLSPinCount != 5)
        MainForm->Options->trigger();
    return MainForm;
}

} // namespace ostan
