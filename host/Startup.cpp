#include "Startup.h"

#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "Logo.h"
#include "Guard.h"
#include "Options.h"
#include "OstanMain.h"
#include "TermSignal.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

namespace ostan {

namespace {
StartupTimes Times;
bool StartupRunning = false;
bool EndWanted = false;

// Closes the open modal boxes and dialogs, innermost first, as cancelled.
void CloseModalWindows()
{
    while (QWidget* Modal = QApplication::activeModalWidget()) {
        if (auto* Dialog = qobject_cast<QDialog*>(Modal))
            Dialog->reject();
        else
            Modal->close();
        if (QApplication::activeModalWidget() == Modal)
            return; // it stays: nothing more to do here
    }
}
QElapsedTimer& ProcessClock()
{
    static QElapsedTimer c;
    return c;
}
} // namespace

void MarkProcessStart() { ProcessClock().start(); }

const StartupTimes& LastStartupTimes() { return Times; }

bool EndRequested() { return EndWanted; }
void SetEndRequested(bool On) { EndWanted = On; }

void WatchEndRequests()
{
    WatchTerminationSignals([] {
        EndWanted = true;
        CloseModalWindows();
        if (StartupRunning)
            return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* MainForm = qobject_cast<TMainForm*>(w))
                MainForm->close();
    });
}

TMainForm* StartUp()
{
    if (!ProcessClock().isValid())
        MarkProcessStart();
    StartupRunning = true;
    QPointer<TLogoForm> LogoForm = new TLogoForm;
    LogoForm->ShowNow();
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(QStringLiteral("Ostan"));

    auto* MainForm = new TMainForm;
    Guarded([&] { MainForm->DebugForm = std::make_unique<TDebugForm>(); });
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
    if (!EndWanted)
        Guarded([&] { MainForm->ConnectOnStart(); });
    MainForm->setEnabled(true);
    Times.ToEnabledMs = ProcessClock().elapsed();
    if (!EndWanted && MainForm->OptionsDlg && MainForm->OptionsDlg->BLSPinCount != 4
        && MainForm->OptionsDlg->BLSPinCount != 5)
        MainForm->ShowOptions();
    StartupRunning = false;
    return MainForm;
}

} // namespace ostan
