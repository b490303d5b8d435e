#pragma once
// The help file viewer: "Ostan.hlp" is an HTML file with one anchor per help
// context number ("ctx10", "ctx11", ...). Opened at a context (F1) or at its
// contents with a search field.
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace ostan {

constexpr unsigned HELP_CONTEXT = 1;
constexpr unsigned HELP_FINDER = 11;

// Opens File; Command HELP_CONTEXT shows the section of context Data,
// HELP_FINDER the contents and the search field. False when the file is missing.
bool WinHelp(const QString& File, unsigned Command, unsigned Data);

// Test hook: records the calls instead of opening a window.
using HelpHandler = std::function<bool(const QString& File, unsigned Command, unsigned Data)>;
HelpHandler SetHelpHandler(HelpHandler Handler);

// The application's help file; empty until the main window sets it.
QString ApplicationHelpFile();
void SetApplicationHelpFile(const QString& File);

// Help context of a widget: its own "helpContext" property, else its parent's.
int HelpContextOf(const QWidget* W);
void SetHelpContext(QObject* Object, int Context);

} // namespace ostan
