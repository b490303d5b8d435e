#pragma once
// Runs a handler body so that no exception unwinds through Qt's event loop:
// anything it raises goes to the application's exception handler.
#include <exception>
#include <functional>

namespace ostan {

// Installed by the main window's creation (AppException).
using ExceptionHandler = std::function<void(std::exception_ptr)>;
void SetAppExceptionHandler(ExceptionHandler Handler);
void RaiseToAppException(std::exception_ptr E);

// Set once AppException has asked the program to end: start-up steps still
// run, but modal dialogs opened by them close at once as cancelled.
bool ApplicationTerminated();
void SetApplicationTerminated(bool On);

template <class F>
void Guarded(F&& Body)
{
    try {
        Body();
    } catch (...) {
        RaiseToAppException(std::current_exception());
    }
}

} // namespace ostan
