#include "OstanApplication.h"

#include "Guard.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace ostan {

TOstanApplication::TOstanApplication(int& Argc, char** Argv) : QApplication(Argc, Argv)
{
    InstallQtTranslation(*this);
}

bool TOstanApplication::notify(QObject* Receiver, QEvent* Event)
{
    try {
        return QApplication::notify(Receiver, Event);
    } catch (...) {
        RaiseToAppException(std::current_exception());
        return true;
    }
}

QTranslator* InstallQtTranslation(QCoreApplication& App)
{
    auto* Translator = new QTranslator(&App);
    if (Translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(Translator))
        return Translator;
    delete Translator;
    return nullptr;
}

} // namespace ostan
