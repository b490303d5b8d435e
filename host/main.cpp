// The program's start-up sequence.
#include "DeviceChooseDlg.h"
#include "Guard.h"
#include "Options.h"
#include "OstanApplication.h"
#include "OstanMain.h"
#include "TermSignal.h"

using namespace ostan;

int main(int argc, char** argv)
{
    TOstanApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostan"));

    // A request to end that comes during start-up is kept until the message
    // loop runs; start-up's waits are not cut short in the middle.
    bool started = false;
    bool endRequested = false;
    TMainForm* MainForm = nullptr;
    WatchTerminationSignals([&] {
        if (started && MainForm)
            MainForm->close();
        else
            endRequested = true;
    });

    MainForm = new TMainForm;
    // Windows created after the main window; an exception in a creation
    // handler reaches the exception handler and start-up goes on.
    Guarded([&] { MainForm->DeviceChooseDialog = new TDeviceChooseDialog(MainForm); });
    Guarded([&] { MainForm->OptionsDlg = new TOptionsDlg(MainForm); });

    Guarded([&] { MainForm->ApplyOptions(); });
    MainForm->show();
    Guarded([&] { MainForm->ConnectOnStart(); });
    MainForm->setEnabled(true);
    if (!endRequested && MainForm->OptionsDlg && MainForm->OptionsDlg->BLSPinCount != 4 &&
        MainForm->OptionsDlg->BLSPinCount != 5)
        MainForm->Options->trigger();

    started = true;
    int rc = 1;
    if (ApplicationTerminated()) {
        // ended by the exception handler during start-up
    } else if (endRequested) {
        MainForm->close();
        rc = 0;
    } else {
        rc = app.exec();
    }
    delete MainForm;
    return rc;
}
