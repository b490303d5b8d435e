#pragma once
// The base of every device panel (the library's TForm1): the four operations
// the plug-in object calls on it, and what every panel's form gets alike.
// The panel reads the received bytes from PluginPacket and feeds PluginChart
// (CommonInterfacesImp.h).
//
// A panel is a Designer form (FormUnit.ui, class TForm1) set up on this
// widget, then finished by FinishForm:
//   - the panel font (the system sans-serif at 11 px) and the button-face
//     background;
//   - read-only line edits get the value-field look (button face, no tab
//     stop), but for one whose dynamic property "plainField" is true;
//   - the images "MainImage", "ConnectionBLD4" and "ConnectionBLD5" load
//     ":/<Library>/<name>.jpg" and stay hidden;
//   - a widget whose text does not fit grows until it does;
//   - the dynamic property "anchors" ("left top right bottom", any subset;
//     "left top" when unset) keeps a widget's distance to those edges of the
//     panel when the panel is resized. The edges are those of the form's
//     client area: its geometry, or its dynamic property "clientSize" when
//     its minimum size is larger.
#include "PanelTables.h"
#include "ShownState.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <span>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;

namespace ostan {

class TNumEdit;

// Flag labels bound to their table: disabled in the button-face colour until
// Show lights them.
class TFlagLabels {
public:
    TFlagLabels() = default;
    TFlagLabels(QWidget* Form, std::span<const TFlagDef> Table);
    // ShowFlag for every entry, in table order.
    void Show(uint8_t Value) const;

private:
    std::span<const TFlagDef> Table;
    std::vector<QLabel*> Labels;
};

class TPluginForm : public QWidget {
    Q_OBJECT
public:
    // The plug-in object makes the panel without a parent and then puts it
    // into the program's placeholder.
    explicit TPluginForm(QWidget* Parent = nullptr);
    ~TPluginForm() override;

    // Integrity of the bytes in PluginPacket. By default: false without a
    // packet or with InLen below 2, else true exactly when the XOR of bytes 2
    // to InLen is 0 (the header byte is not checked).
    virtual bool CheckPacket();
    // Decodes the bytes in PluginPacket onto the panel; called only right
    // after CheckPacket passed for them.
    virtual void ProcessPacket() = 0;
    // Export columns from 0; an empty text past the last one. Column 0 is
    // "Дата, время" and the current date and time, columns 1 on those of
    // SetColumns.
    virtual QString GetColumnCaption(int Index);
    virtual QString GetColumnValue(int Index);

    // Sends the records of the command table whose button is Button, in
    // table order (what a click on it does).
    void SendCommands(const char* Button);

    // Packets come faster than the eye follows: from the first packet on,
    // the panel's state (Shown) takes every packet's values at once, and the
    // value fields, labels, flags and bars take the latest state right
    // before the window paints, which it does at most every PaintIntervalMs
    // (TPaintPacer).
    void HoldPainting();
    static constexpr int PaintIntervalMs = ostan::PaintIntervalMs;
    TShownState& Shown() { return FShown; }
    // The latest state to the widgets now, for a reader of the widgets.
    void ShowLatest() { FShown.Apply(); }

    // Places the anchored components for the panel's present size. Qt tells
    // a hidden panel of its new size only when it is shown; the plug-in
    // object calls this at once.
    void PlaceComponents();

    // The panel font: the system sans-serif at 11 px.
    static QFont PanelFont();

protected:
    // After the form's setupUi: see the top of this file. Library is the
    // library's name (OSTAN_PLUGIN_NAME), its pictures' resource prefix.
    void FinishForm(const char* Library);

    // The panel's tables. Each entry names its components; a name the form
    // lacks is a programming error and raises std::logic_error.
    void SetColumns(std::span<const TColumnDef> Table);
    void SetSpins(std::span<const TSpinDef> Table);
    // Connects each button of the table to SendCommands.
    void SetCommands(std::span<const TCommandDef> Table);

    // Sends one command record: its operation and argument (taken from its
    // spin where it names one) to Send. A spin whose text is empty sends
    // nothing and beeps. False when nothing was sent.
    bool SendCommand(const TCommandDef& Command);
    // Puts one record on its way: {Operation, Argument, trailer} by default;
    // a device whose commands have another shape says so here.
    virtual void SendRecord(uint8_t Operation, uint8_t Argument);

    // A child of the form by name and type; raises std::logic_error when
    // the form has none.
    template <class W>
    W* Component(const char* Name) const
    {
        return static_cast<W*>(RequireChild(Name, &W::staticMetaObject));
    }

    void resizeEvent(QResizeEvent* Event) override;

private:
    QWidget* RequireChild(const char* Name, const QMetaObject* Type) const;
    void GrowToFit(QWidget* W, int Width);

    struct TAnchored {
        QWidget* Widget;
        QRect Design;
        bool Left, Top, Right, Bottom;
    };
    QPointer<QWidget> PacedWindow;
    TShownState FShown;
    QSize DesignSize;
    std::vector<TAnchored> Anchored;
    std::span<const TColumnDef> FColumns;
    std::span<const TCommandDef> FCommands;
};

// The default date-and-time text: short date, then long time
// ("05.03.2024 9:07:05").
QString DateTimeText(const QDateTime& Moment);

// Read-only, in the button-face colour, out of the tab order.
void SetValueFieldLook(QLineEdit* Edit);
// What a panel's code shows goes through its state (TShownState of the
// panel the widget is on, at once for a widget on none). Each sets only what
// differs, so an unchanged field is not repainted; a text longer than the
// field shows its beginning.
void ShowText(QLineEdit* Edit, const QString& Text);
void ShowText(QLabel* Label, const QString& Text);
void ShowBase(QLineEdit* Edit, const QColor& Paint); // the field's background
void ShowValue(QProgressBar* Bar, int Value);
// The latest text, changes that still wait for the widget included.
QString ShownText(QLineEdit* Edit);
QString ShownText(QLabel* Label);
// The state of the panel W is on; none for a widget on no panel.
TShownState* ShownStateOf(QWidget* W);

// How wide a label, button, check box, group box or line edit must be to
// show its whole text with room to spare; 0 for other widgets and empty
// texts.
int TextFitWidth(const QWidget* W);

} // namespace ostan
