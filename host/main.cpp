// The program: the COM server switches, the start-up sequence, the message loop.
#include "Allocator.h"
#include "BackInterface.h"
#include "Guard.h"
#include "MessageBox.h"
#include "OstanApplication.h"
#include "Options.h"
#include "OstanMain.h"
#include "QtWorkers.h"
#include "Registry.h"
#include "Startup.h"
#include "WorkbookApplication.h"

#include <cstdio>

using namespace ostan;

int main(int argc, char** argv)
{
    MarkProcessStart();
    SettleAllocator();
    // The program runs for days appending to workbooks: their trees must not
    // raise the heap's high point with every row a save reads.
    MapXmlTrees();
    TQtWorkersEnd WorkersEnd;
    TOstanApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostan"));

    // From here on a request to end is honoured at every step.
    WatchEndRequests();

    // The store is read before anything needs it: one that cannot be read
    // at all is reported as what it is, not as the failure of the first
    // registration that reads it; without it no library can be created.
    if (const QString Failure = StoreReadFailure(); !Failure.isEmpty()) {
        ShowMessageBox(MsgType::Error, TOptionsDlg::ReadErrorText(Failure));
        return 1;
    }

    // The program's classes and the libraries' (the device dialog's scan, in
    // StartUp, commits it) are registered in one write of the store.
    TRegistryBatch Registrations;

    // "REGSERVER" / "UNREGSERVER": register or unregister and stop, no window.
    try {
        if (StartOstanBackServer(app.arguments())) {
            Registrations.Commit();
            return 0;
        }
    } catch (const std::exception& e) {
        ShowMessageBox(MsgType::Error, QString::fromUtf8(e.what()));
        return 1;
    }

    // The workbook engine's class, so that the file actions find it.
    try {
        RegisterWorkbookClass(ProgramFileName());
    } catch (const std::exception&) {
        // Without it the file actions stay disabled.
    }

    TMainForm* MainForm = StartUp();
    Guarded([&] { Registrations.Commit(); }); // nothing, unless no scan ran
    if (qEnvironmentVariableIsSet("OSTAN_TRACE_STARTUP"))
        std::fprintf(stderr, "startup: main window enabled %lld ms after process start, %lld ms of it the splash wait\n",
                     static_cast<long long>(LastStartupTimes().ToEnabledMs),
                     static_cast<long long>(LastStartupTimes().SplashWaitMs));

    int rc = 1;
    if (ApplicationTerminated()) {
        // ended by the exception handler during start-up
    } else if (EndRequested()) {
        MainForm->close();
        rc = 0;
    } else {
        rc = app.exec();
    }
    delete MainForm;
    StopOstanBackServer();
    return rc;
}
