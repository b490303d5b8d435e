#include "Guard.h"

#include <QCoreApplication>
#include <QDebug>

namespace ostan {

namespace {
ExceptionHandler& Handler()
{
    static ExceptionHandler h;
    return h;
}
bool& Terminated()
{
    static bool t = false;
    return t;
}
} // namespace

void SetAppExceptionHandler(ExceptionHandler H) { Handler() = std::move(H); }

void RaiseToAppException(std::exception_ptr E)
{
    if (Handler()) {
        try {
            Handler()(E);
        } catch (...) {
            qCritical("ostan: exception inside the exception handler");
        }
        return;
    }
    try {
        std::rethrow_exception(E);
    } catch (const std::exception& e) {
        qCritical("ostan: unhandled exception: %s", e.what());
    } catch (...) {
        qCritical("ostan: unhandled exception");
    }
}

bool ApplicationTerminated() { return Terminated(); }
void SetApplicationTerminated(bool On) { Terminated() = On; }

} // namespace ostan
