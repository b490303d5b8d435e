#include "EditActions.h"

#include "Guard.h"
#include "PaintPacer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace ostan {

namespace {

bool HasRoute(const QObject* Target, const char* Signature)
{
    return Target->metaObject()->indexOfMethod(Signature) >= 0;
}

// Whether cut and paste may change the edit's text: the control's own answer
// where it has one (a spin without editor says no), else not read-only.
bool Editable(QLineEdit* Edit)
{
    bool Answer = !Edit->isReadOnly();
    if (HasRoute(Edit, "ClipboardEditable()"))
        QMetaObject::invokeMethod(Edit, "ClipboardEditable", Q_RETURN_ARG(bool, Answer));
    return Answer;
}

} // namespace

TEditActions::TEditActions(QAction* CutAction, QAction* CopyAction, QAction* PasteAction, QObject* Parent)
    : QObject(Parent), Cut(CutAction), Copy(CopyAction), Paste(PasteAction)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* Now) { Watch(Now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TEditActions::Update);
    connect(Cut, &QAction::triggered, this, [this] { Run(Cut, "CutToClipboard"); });
    connect(Copy, &QAction::triggered, this, [this] { Run(Copy, "CopyToClipboard"); });
    connect(Paste, &QAction::triggered, this, [this] { Run(Paste, "PasteFromClipboard"); });
    Watch(QApplication::focusWidget());
}

void TEditActions::Watch(QWidget* Focused)
{
    disconnect(SelectionWatch);
    Edit = qobject_cast<QLineEdit*>(Focused);
    if (Edit)
        SelectionWatch = connect(Edit, &QLineEdit::selectionChanged, this, &TEditActions::Update);
    Update();
}

void TEditActions::Update()
{
    QLineEdit* e = Edit;
    const bool Selected = e && e->hasSelectedText();
    const bool MayChange = e && Editable(e);
    Cut->setEnabled(Selected && MayChange);
    Copy->setEnabled(Selected);
    Paste->setEnabled(MayChange && !QGuiApplication::clipboard()->text().isEmpty());
}

void TEditActions::Run(QAction* Action, const char* Route)
{
    // A value field may still wait for the latest packet's text.
    if (Edit)
        ShowLatest(Edit);
    Update(); // the edit may have changed since the state was taken
    QLineEdit* e = Edit;
    if (!e || !Action->isEnabled())
        return;
    Guarded([&] {
        const QByteArray Signature = QByteArray(Route) + "()";
        if (HasRoute(e, Signature.constData()))
            QMetaObject::invokeMethod(e, Route);
        else if (Action == Cut)
            e->cut();
        else if (Action == Copy)
            e->copy();
        else
            e->paste();
    });
    Update();
}

} // namespace ostan
