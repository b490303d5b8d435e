#pragma once
// The program's start-up sequence, up to the message loop.
#include <QtGlobal>

class QWidget;

namespace ostan {

class TMainForm;

// Creates the long-lived windows, applies the settings, connects to the
// adapter and enables the main window; opens the settings dialog when no
// cable type is stored. The windows stay until the main window is deleted.
TMainForm* StartUp();

// Milliseconds from process start to the main window enabled, less the
// splash wait (for the start-up trace).
struct StartupTimes {
    qint64 ToEnabledMs = 0;
    qint64 SplashWaitMs = 0;
};
const StartupTimes& LastStartupTimes();

// The system asking the program to end (SIGTERM, SIGINT, SIGHUP). Modal
// boxes and dialogs close as cancelled; during the start-up the remaining
// steps that wait or ask are skipped and the caller of StartUp closes the
// main window; after it the main window closes at once, also while an
// operation keeps it disabled.
void WatchEndRequests();
bool EndRequested();
void SetEndRequested(bool On); // tests
// Called first thing in main(): the start of the start-up clock.
void MarkProcessStart();

} // namespace ostan
