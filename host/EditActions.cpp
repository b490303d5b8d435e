#include "EditActions.h"

#include "ClipboardRoutes.h"
#include "Guard.h"
#include "PaintPacer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace ostan {

namespace {

IClipboardRoutes* RoutesOf(QLineEdit* Edit)
{
    return dynamic_cast<IClipboardRoutes*>(Edit);
}

// Whether cut and paste may change the edit's text: the control's own answer
// where it has one (a spin without editor says no), else not read-only.
bool Editable(QLineEdit* Edit)
{
    const IClipboardRoutes* R = RoutesOf(Edit);
    return R ? R->ClipboardEditable() : !Edit->isReadOnly();
}

} // namespace

TEditActions::TEditActions(QAction* CutAction, QAction* CopyAction, QAction* PasteAction, QObject* Parent)
    : QObject(Parent), Cut(CutAction), Copy(CopyAction), Paste(PasteAction)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* Now) { Watch(Now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TEditActions::Update);
    connect(Cut, &QAction::triggered, this, [this] { Run(Cut); });
    connect(Copy, &QAction::triggered, this, [this] { Run(Copy); });
    connect(Paste, &QAction::triggered, this, [this] { Run(Paste); });
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

void TEditActions::Run(QAction* Action)
{
    // A value field may still wait for the latest packet's text.
    if (Edit)
        ShowLatest(Edit);
    Update(); // the edit may have changed since the state was taken
    QLineEdit* e = Edit;
    if (!e || !Action->isEnabled())
        return;
    Guarded([&] {
        if (IClipboardRoutes* R = RoutesOf(e)) {
            if (Action == Cut)
                R->CutToClipboard();
            else if (Action == Copy)
                R->CopyToClipboard();
            else
                R->PasteFromClipboard();
        } else if (Action == Cut) {
            e->cut();
        } else if (Action == Copy) {
            e->copy();
        } else {
            e->paste();
        }
    });
    Update();
}

} // namespace ostan
