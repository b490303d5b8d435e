#pragma once
// The standard clipboard actions "&Вырезать", "&Копировать", "Вст&авить":
// they work on the focused line edit through that control's own clipboard
// routes where it has them (IClipboardRoutes: a numeric control keeps its
// text a number) and enable themselves from its state: selection, whether it
// may change, the clipboard.
#include <QObject>
#include <QPointer>

class QAction;
class QLineEdit;

namespace ostan {

class TEditActions : public QObject {
public:
    TEditActions(QAction* Cut, QAction* Copy, QAction* Paste, QObject* Parent);
    // Takes the focused edit's state now (also before a shortcut is matched).
    void Update();

private:
    void Watch(QWidget* Focused);
    void Run(QAction* Action);

    QAction* Cut;
    QAction* Copy;
    QAction* Paste;
    QPointer<QLineEdit> Edit;
    QMetaObject::Connection SelectionWatch;
};

} // namespace ostan
