#pragma once
// The application object: every event handler runs inside notify(), which
// hands an escaping exception to the application's exception handler instead
// of letting it unwind through the event loop.
#include <QApplication>

class QTranslator;

namespace ostan {

class TOstanApplication : public QApplication {
    Q_OBJECT
public:
    TOstanApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};

// Qt's own texts (the file dialogs, the standard buttons of message boxes)
// in Russian, as every other text of the program: installs Qt's Russian
// translation and returns it, or nullptr where it is not installed (the
// texts then stay Qt's own).
QTranslator* InstallQtTranslation(QCoreApplication& App);

} // namespace ostan
