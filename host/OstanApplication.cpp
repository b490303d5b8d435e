#include "OstanApplication.h"

#include "Guard.h"

namespace ostan {

TOstanApplication::TOstanApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

bool TOstanApplication::notify(QObject* Receiver, QEvent* Event)
{
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        RaiseToAppException(std::current_exception());
        return true;
    }
}

} // namespace ostan
