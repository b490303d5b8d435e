#pragma once
// The system asking the program to end (SIGTERM, SIGINT, SIGHUP) arrives as
// an event on the GUI thread, so the main window closes the normal way and
// writes its settings.
#include <functional>

namespace ostan {

// Installs the handlers; OnRequest runs on the GUI thread for each request.
void WatchTerminationSignals(std::function<void()> OnRequest);

} // namespace ostan
