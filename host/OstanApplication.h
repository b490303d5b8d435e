#pragma once
// The application object: every event handler runs inside notify(), which
// hands an escaping exception to the application's exception handler instead
// of letting it unwind through the event loop.
#include <QApplication>

namespace ostan {

class TOstanApplication : public QApplication {
    Q_OBJECT
public:
    TOstanApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};

} // namespace ostan
