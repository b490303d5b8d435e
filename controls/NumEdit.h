#pragma once
// TNumEdit: a single-line edit for one number. Its text is its only store:
// Value reads the text, writing Value reformats it. Every way of changing
// the text (keys, clipboard, input methods, middle-click, the context menu)
// goes through the editing rules; drops and undo are closed.
#include "ClipboardRoutes.h"
#include "NumEditModel.h"
#include "NumFormat.h"
#include "NumRange.h"

#include <QColor>
#include <QLineEdit>
#include <functional>

class QMenu;

namespace ostan {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TNumEdit : public QLineEdit, public IClipboardRoutes {
    Q_OBJECT
    // What a Designer form sets. A form writes them in its own order: the
    // maximum before a minimum above 0, as a bound that would cross the
    // other is refused.
    Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals)
    Q_PROPERTY(double MaxValue READ MaxValueProperty WRITE SetMaxValueProperty)
    Q_PROPERTY(double MinValue READ MinValueProperty WRITE SetMinValueProperty)
    Q_PROPERTY(double Value READ ValueProperty WRITE SetValueProperty)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
public:
    using TNotifyEvent = std::function<void(TNumEdit* Sender)>;
    using TKeyPressEvent = std::function<void(TNumEdit* Sender, QChar& Key)>;
    using TKeyEvent = std::function<void(TNumEdit* Sender, int& Key, Qt::KeyboardModifiers Shift)>;

    explicit TNumEdit(QWidget* Parent = nullptr);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment A);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool B) { FAutoSelect = B; }
    void SetColor(const QColor& C);
    void SetDisabledColor(const QColor& C);
    void SetParentColor(bool B);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool B);
    int Decimals() const { return FFormat.Decimals; }
    void SetDecimals(int D);
    void SetMaxLength(int N) { FMaxLength = N > 0 ? N : 0; }
    TNumValue MaxValue() const { return FRange.MaxValue(); }
    void SetMaxValue(TNumValue X) { FRange.SetMaxValue(X); }
    TNumValue MinValue() const { return FRange.MinValue(); }
    void SetMinValue(TNumValue X) { FRange.SetMinValue(X); }
    TNumberFormat NumberFormat() const { return FFormat.NumberFormat; }
    void SetNumberFormat(TNumberFormat F);
    void SetReadOnly(bool B);
    TNumValue Value() const { return GetValue(); }
    void SetValue(TNumValue X);
    double MaxValueProperty() const { return static_cast<double>(MaxValue()); }
    void SetMaxValueProperty(double X) { SetMaxValue(X); }
    double MinValueProperty() const { return static_cast<double>(MinValue()); }
    void SetMinValueProperty(double X) { SetMinValue(X); }
    double ValueProperty() const { return static_cast<double>(Value()); }
    void SetValueProperty(double X) { SetValue(X); }
    QString Version() const { return QStringLiteral("8.00.00.00"); }
    void SetVersion(const QString&) {}

    QString FormatValue(TNumValue X) const { return FFormat.FormatValue(X); }
    static QString StripThousands(const QString& S) { return TNumFormatter::StripThousands(S); }
    TNumValue GetValue() const { return TNumFormatter::GetValue(text()); }

    // Reaction to an out-of-range value: OnInvalidEntry when assigned;
    // otherwise clamp to the nearer bound, beep and take the focus back.
    void InvalidEntry();

    void DeleteChar(int Key);
    void DeleteSelection();
    // The clipboard routes, which a window's Edit actions take too.
    void CopyToClipboard() override { WMCopy(); }
    void CutToClipboard() override { WMCut(); }
    void PasteFromClipboard() override;
    bool ClipboardEditable() const override { return !isReadOnly(); }

    // The control's own context menu (Cut, Copy, Paste, Delete, Select all);
    // its items take the same routes as the keys. The caller owns it.
    QMenu* CreateContextMenu(QWidget* Parent);

    TNotifyEvent OnChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnInvalidEntry;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

protected:
    virtual void DoEnter(bool LeftButtonDown);
    virtual void DoExit();
    virtual void KeyDown(int& Key, Qt::KeyboardModifiers Shift);
    virtual void KeyPress(QChar& Key);
    virtual void KeyUp(int& Key, Qt::KeyboardModifiers Shift);
    virtual void WMCopy();
    virtual void WMCut();
    virtual void WMPaste(const QString& Clip);

    const TNumRange& Range() const { return FRange; }
    TNumEditModel Model() const { return TNumEditModel(FFormat, FMaxLength); }
    TNumEditState EditState() const;
    void SetEditState(const TNumEditState& S);
    void SetTextIfChanged(const QString& T);
    static void Beep(int Count);
    bool CanFocus() const;

    void keyPressEvent(QKeyEvent* E) override;
    void keyReleaseEvent(QKeyEvent* E) override;
    void focusInEvent(QFocusEvent* E) override;
    void focusOutEvent(QFocusEvent* E) override;
    void mousePressEvent(QMouseEvent* E) override;
    void mouseReleaseEvent(QMouseEvent* E) override;
    void inputMethodEvent(QInputMethodEvent* E) override;
    void contextMenuEvent(QContextMenuEvent* E) override;
    void dragEnterEvent(QDragEnterEvent* E) override;
    void dragMoveEvent(QDragMoveEvent* E) override;
    void dropEvent(QDropEvent* E) override;
    void changeEvent(QEvent* E) override;

private:
    void ApplyPaintedColor();
    QColor ParentBrush() const;
    void TypeText(const QString& Chars);

    TAlignment FAlignment = TAlignment::taRightJustify;
    TNumFormatter FFormat;
    TNumRange FRange;
    int FMaxLength = 0;
    bool FAutoSelect = true;
    bool FSelectOnClick = false;
    bool FParentColor = false;
    bool FEntered = false;   // between an entry and its exit
    bool FTextInput = false; // characters come from a text, not from keys
    bool FPainting = false;
    QColor FColor;
    QColor FDisabledColor;
};

} // namespace ostan
