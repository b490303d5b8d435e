#include "NumEdit.h"

#include "Beep.h"
#include "ButtonFace.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <memory>

namespace ostan {

namespace {

// The virtual key of a key event; keys the rules do not name get codes
// that cannot collide with the ones they do.
int VirtualKeyOf(const QKeyEvent& e)
{
    switch (e.key()) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    default: break;
    }
    const int k = e.key();
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))
        return k;
    return 0x10000000 | k;
}

// The character a key types, as the character message would carry it:
// Ctrl+letter gives the control codes (3 = Ctrl+C, 22 = Ctrl+V, 24 = Ctrl+X),
// Alt and Meta combinations and the deletion keys give none.
QChar CharacterOf(const QKeyEvent& e)
{
    const auto m = e.modifiers();
    const int k = e.key();
    if (m & (Qt::AltModifier | Qt::MetaModifier) || k == Qt::Key_Backspace || k == Qt::Key_Delete)
        return {};
    if (m & Qt::ControlModifier) {
        if (k >= Qt::Key_A && k <= Qt::Key_Z)
            return QChar(char16_t(k - Qt::Key_A + 1));
        return {};
    }
    const QString t = e.text();
    return t.isEmpty() ? QChar() : t[0];
}

// Enter and Escape are the window's (its default and cancel buttons): the
// control takes arrows and characters only.
bool IsDialogKey(const QKeyEvent& e)
{
    const auto m = e.modifiers() & ~Qt::KeypadModifier;
    const int k = e.key();
    return m == Qt::NoModifier && (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape);
}

bool IsNavigationKey(int k)
{
    return k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Home || k == Qt::Key_End;
}

} // namespace

TNumEdit::TNumEdit(QWidget* Parent) : QLineEdit(Parent)
{
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    setDragEnabled(false);
    FColor = palette().color(QPalette::Base);
    FDisabledColor = ButtonFace(palette());
    resize(100, sizeHint().height());
    SetAlignment(TAlignment::taRightJustify);
    setText(FormatValue(0));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
    ApplyPaintedColor();
}

void TNumEdit::SetAlignment(TAlignment A)
{
    FAlignment = A;
    Qt::Alignment h = A == TAlignment::taLeftJustify    ? Qt::AlignLeft
                      : A == TAlignment::taRightJustify ? Qt::AlignRight
                                                        : Qt::AlignHCenter;
    setAlignment(h | Qt::AlignVCenter);
}

QColor TNumEdit::ParentBrush() const
{
    const QWidget* p = parentWidget();
    return p->palette().color(p->backgroundRole());
}

void TNumEdit::ApplyPaintedColor()
{
    QPalette p = palette();
    const QColor c = isEnabled() ? FColor : FDisabledColor;
    for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(g, QPalette::Base, c);
    FPainting = true;
    setPalette(p);
    FPainting = false;
}

void TNumEdit::SetColor(const QColor& C)
{
    if (C == FColor)
        return;
    FColor = C;
    if (isEnabled())
        ApplyPaintedColor();
    if (parentWidget() && ParentBrush() != C)
        FParentColor = false;
}

void TNumEdit::SetDisabledColor(const QColor& C)
{
    if (C == FDisabledColor)
        return;
    FDisabledColor = C;
    if (!isEnabled())
        ApplyPaintedColor();
}

void TNumEdit::SetParentColor(bool B)
{
    if (B == FParentColor)
        return;
    FParentColor = B;
    if (B && parentWidget())
        FColor = ParentBrush();
    ApplyPaintedColor();
}

void TNumEdit::SetEnabled(bool B)
{
    setEnabled(B);
    ApplyPaintedColor();
}

void TNumEdit::changeEvent(QEvent* E)
{
    QLineEdit::changeEvent(E);
    switch (E->type()) {
    case QEvent::EnabledChange:
        ApplyPaintedColor();
        break;
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
        if (!FPainting && FParentColor && parentWidget() && ParentBrush() != FColor) {
            FColor = ParentBrush();
            ApplyPaintedColor();
        }
        break;
    default:
        break;
    }
}

void TNumEdit::SetReadOnly(bool B)
{
    setReadOnly(B);
    setAttribute(Qt::WA_InputMethodEnabled, false); // setReadOnly turns it back on
}

void TNumEdit::SetDecimals(int D)
{
    if (D == FFormat.Decimals)
        return;
    const TNumValue v = GetValue();
    FFormat.Decimals = TNumFormatter::ClampDecimals(D, FMaxLength);
    SetTextIfChanged(FormatValue(v));
}

void TNumEdit::SetNumberFormat(TNumberFormat F)
{
    const TNumValue v = GetValue();
    FFormat.NumberFormat = F;
    SetTextIfChanged(FormatValue(v));
}

void TNumEdit::SetValue(TNumValue X) { SetTextIfChanged(FormatValue(X)); }

void TNumEdit::SetTextIfChanged(const QString& T)
{
    if (T != text())
        setText(T);
}

TNumEditState TNumEdit::EditState() const
{
    TNumEditState s;
    s.Text = text();
    if (hasSelectedText()) {
        s.SelStart = selectionStart();
        s.SelLength = selectionLength();
    } else {
        s.SelStart = cursorPosition();
    }
    return s;
}

void TNumEdit::SetEditState(const TNumEditState& S)
{
    // A state the rules left alone keeps its anchor: writing the selection
    // back would put the caret at its right end, and Shift with an arrow
    // would then shrink what it should grow.
    if (S == EditState())
        return;
    SetTextIfChanged(S.Text);
    if (S.SelLength > 0)
        setSelection(S.SelStart, S.SelLength);
    else
        setCursorPosition(S.SelStart);
}

void TNumEdit::Beep(int Count)
{
    for (int i = 0; i < Count; ++i)
        MessageBeep(0);
}

bool TNumEdit::CanFocus() const { return isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus; }

void TNumEdit::InvalidEntry()
{
    if (OnInvalidEntry) {
        OnInvalidEntry(this);
        return;
    }
    if (const auto target = FRange.ClampTarget(GetValue()))
        SetValue(*target);
    MessageBeep(0);
    if (CanFocus())
        setFocus(Qt::OtherFocusReason);
}

void TNumEdit::DoEnter(bool LeftButtonDown)
{
    if (OnEnter)
        OnEnter(this);
    FSelectOnClick = LeftButtonDown;
    if (FAutoSelect)
        selectAll();
}

void TNumEdit::DoExit()
{
    SetTextIfChanged(FormatValue(GetValue()));
    if (FRange.OutOfRange(GetValue())) {
        InvalidEntry(); // no OnExit: the control normally keeps the focus
        return;
    }
    if (OnExit)
        OnExit(this);
}

void TNumEdit::focusInEvent(QFocusEvent* E)
{
    QLineEdit::focusInEvent(E);
    // Focus coming back from a popup or another window is no new entry.
    if (FEntered || E->reason() == Qt::PopupFocusReason)
        return;
    FEntered = true;
    DoEnter(E->reason() == Qt::MouseFocusReason && (QGuiApplication::mouseButtons() & Qt::LeftButton));
}

void TNumEdit::focusOutEvent(QFocusEvent* E)
{
    QLineEdit::focusOutEvent(E);
    // A popup (our menu among them) or another window takes the focus only
    // for a while: the user has not left the control.
    if (!FEntered || E->reason() == Qt::PopupFocusReason || E->reason() == Qt::ActiveWindowFocusReason)
        return;
    FEntered = false;
    DoExit();
}

void TNumEdit::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
    FSelectOnClick = false;
    if (!isReadOnly() && (Key == VK_BACK || Key == VK_DELETE)) {
        TNumEditState s = EditState();
        Model().KeyDown(s, Key);
        SetEditState(s);
        Key = 0;
    }
}

void TNumEdit::KeyPress(QChar& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
    if (Key.isNull())
        return;
    const char16_t c = Key.unicode();
    if (!FTextInput && (c == 3 || c == 22 || c == 24)) {
        Key = QChar();
        if (c == 3)
            WMCopy();
        else if (c == 22)
            PasteFromClipboard();
        else
            WMCut();
        return;
    }
    if (isReadOnly())
        return; // the read-only edit leaves its text alone
    TNumEditState s = EditState();
    const int beeps = Model().KeyPress(s, Key);
    Key = QChar();
    SetEditState(s);
    Beep(beeps);
}

void TNumEdit::KeyUp(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
    TNumEditState s = EditState();
    Model().KeyUp(s, Key);
    SetEditState(s);
}

void TNumEdit::DeleteChar(int Key)
{
    TNumEditState s = EditState();
    s.SelLength = 0;
    Model().DeleteChar(s, Key);
    SetEditState(s);
}

void TNumEdit::DeleteSelection()
{
    TNumEditState s = EditState();
    Model().DeleteSelection(s);
    SetEditState(s);
}

void TNumEdit::WMCopy() { QGuiApplication::clipboard()->setText(TNumEditModel::CopyText(EditState())); }

void TNumEdit::WMCut()
{
    WMCopy();
    if (!isReadOnly())
        DeleteSelection();
}

void TNumEdit::PasteFromClipboard() { WMPaste(QGuiApplication::clipboard()->text()); }

void TNumEdit::WMPaste(const QString& Clip)
{
    if (isReadOnly())
        return;
    TNumEditState s = EditState();
    const int beeps = Model().Paste(s, Clip, [this](QChar& c) {
        if (OnKeyPress)
            OnKeyPress(this, c);
    });
    SetEditState(s);
    Beep(beeps);
}

void TNumEdit::TypeText(const QString& Chars)
{
    FTextInput = true;
    for (QChar c : Chars)
        KeyPress(c);
    FTextInput = false;
}

void TNumEdit::keyPressEvent(QKeyEvent* E)
{
    if (IsDialogKey(*E)) {
        E->ignore();
        return;
    }
    int key = VirtualKeyOf(*E);
    KeyDown(key, E->modifiers());
    if (key == 0) {
        E->accept();
        return;
    }
    if (E->key() == Qt::Key_Insert && E->modifiers() == Qt::ControlModifier) {
        WMCopy();
        E->accept();
        return;
    }
    if (E->key() == Qt::Key_Insert && E->modifiers() == Qt::ShiftModifier) {
        PasteFromClipboard();
        E->accept();
        return;
    }
    QChar ch = CharacterOf(*E);
    if (!ch.isNull()) {
        KeyPress(ch);
        E->accept();
        return;
    }
    // Only caret movement reaches the line edit's own key handling: its
    // editing and undo shortcuts would bypass the rules.
    if (IsNavigationKey(E->key()))
        QLineEdit::keyPressEvent(E);
    else
        E->ignore();
}

void TNumEdit::keyReleaseEvent(QKeyEvent* E)
{
    E->accept();
    if (E->isAutoRepeat())
        return; // a held key ends once, when it is released
    int key = VirtualKeyOf(*E);
    KeyUp(key, E->modifiers());
}

void TNumEdit::mousePressEvent(QMouseEvent* E)
{
    if (E->button() == Qt::MiddleButton) {
        E->accept();
        return;
    }
    QLineEdit::mousePressEvent(E);
    if ((E->button() == Qt::LeftButton || (E->buttons() & Qt::LeftButton)) && FSelectOnClick) {
        FSelectOnClick = false;
        if (FAutoSelect)
            selectAll();
    }
}

void TNumEdit::mouseReleaseEvent(QMouseEvent* E)
{
    if (E->button() != Qt::MiddleButton) {
        QLineEdit::mouseReleaseEvent(E);
        return;
    }
    // The selection paste of X11, through the paste rules.
    E->accept();
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb->supportsSelection())
        return;
    setCursorPosition(cursorPositionAt(E->position().toPoint()));
    WMPaste(cb->text(QClipboard::Selection));
}

void TNumEdit::inputMethodEvent(QInputMethodEvent* E)
{
    E->accept();
    TypeText(E->commitString());
}

QMenu* TNumEdit::CreateContextMenu(QWidget* Parent)
{
    auto* menu = new QMenu(Parent);
    const bool selected = hasSelectedText();
    auto add = [&](const char* name, const QString& text, bool enabled, auto handler) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setEnabled(enabled);
        QPointer<TNumEdit> self(this);
        connect(a, &QAction::triggered, this, [self, handler] {
            if (self)
                (self.data()->*handler)();
        });
    };
    add("Cut", QStringLiteral("Вырезать\tCtrl+X"), selected && ClipboardEditable(), &TNumEdit::CutToClipboard);
    add("Copy", QStringLiteral("Копировать\tCtrl+C"), selected, &TNumEdit::CopyToClipboard);
    add("Paste", QStringLiteral("Вставить\tCtrl+V"),
        ClipboardEditable() && !QGuiApplication::clipboard()->text().isEmpty(), &TNumEdit::PasteFromClipboard);
    add("Delete", QStringLiteral("Удалить\tDel"), selected && !isReadOnly(), &TNumEdit::DeleteSelection);
    menu->addSeparator();
    add("SelectAll", QStringLiteral("Выделить все"), !text().isEmpty(), &QLineEdit::selectAll);
    return menu;
}

void TNumEdit::contextMenuEvent(QContextMenuEvent* E)
{
    std::unique_ptr<QMenu> menu(CreateContextMenu(nullptr));
    menu->exec(E->globalPos());
    E->accept();
}

void TNumEdit::dragEnterEvent(QDragEnterEvent* E) { E->ignore(); }
void TNumEdit::dragMoveEvent(QDragMoveEvent* E) { E->ignore(); }
void TNumEdit::dropEvent(QDropEvent* E) { E->ignore(); }

} // namespace ostan
