#pragma once
// What a panel's value fields, labels, flag labels and bars are to show, as
// the latest packet left it. A device sends packets by the thousand a second
// and each changes a field or two; a widget that changes lays its text out
// again and marks itself and every parent for painting. So, once paced, the
// state takes every change at once and the widgets take the latest state
// right before the window paints (TPaintPacer), only those that changed.
// Before pacing (a panel that has had no packet yet) every change goes to its
// widget at once.
//
// Readers of the state (the export, the panel's own code) read it here;
// whoever reads the widgets themselves asks for the latest first (Apply, or
// ShowLatest of PaintPacer.h from outside the library).
#include "PaintPacer.h"

#include <QColor>
#include <QString>
#include <unordered_map>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QWidget;

namespace ostan {

class TShownState : private TPaintClient {
public:
    TShownState() = default;
    TShownState(const TShownState&) = delete;
    TShownState& operator=(const TShownState&) = delete;

    // From now on changes wait for the pacer's next interval's end.
    void Pace() { FPaced = true; }
    bool Paced() const { return FPaced; }

    // Each only when it differs from what the widget is to show.
    void SetText(QLineEdit* Edit, const QString& Text);
    void SetText(QLabel* Label, const QString& Text);
    // A flag label: enabled or not, its background, its accessible
    // description.
    void SetFlag(QLabel* Label, bool On, const QColor& Paint, const QString& Description);
    // A field's background.
    void SetBase(QLineEdit* Edit, const QColor& Paint);
    void SetValue(QProgressBar* Bar, int Value);

    // The latest text or position: the one waiting, else the widget's own.
    QString Text(const QLineEdit* Edit) const;
    QString Text(const QLabel* Label) const;
    int Value(const QProgressBar* Bar) const;

    // Every waiting change to its widget, in the order the changes came.
    void Apply();
    bool Waiting() const { return !Order.empty(); }

private:
    void AboutToPaint() override { Apply(); }

    enum class TKind { EditText, LabelText, Flag, Base, BarValue };
    struct TKey {
        const QWidget* Widget;
        TKind Kind;
        bool operator==(const TKey&) const = default;
    };
    struct TKeyHash {
        size_t operator()(const TKey& K) const noexcept
        {
            return std::hash<const void*>()(K.Widget) ^ size_t(K.Kind);
        }
    };
    struct TChange {
        QWidget* Widget = nullptr;
        TKind Kind = TKind::EditText;
        QString Text;
        QColor Paint;
        int Value = 0;
        bool On = false;
        bool Waiting = false;
    };

    const TChange* WaitingChange(const QWidget* W, TKind Kind) const;
    // The change for W of Kind, waiting from now on (created on first use).
    TChange& Wait(QWidget* W, TKind Kind);
    template <class TWidget>
    void SetTextOf(TWidget* W, TKind Kind, const QString& Text);

    std::unordered_map<TKey, TChange, TKeyHash> Changes;
    std::vector<TChange*> Order;
    bool FPaced = false;
};

// The widgets' side, at once; what already holds is not set again.
// A text longer than its field shows its beginning.
void PutText(QLineEdit* Edit, const QString& Text);
void PutText(QLabel* Label, const QString& Text);
// Enabled set before the colour, the colour in every group so the disabled
// label shows it too, the description a screen reader gives.
void PutFlag(QLabel* Label, bool On, const QColor& Paint, const QString& Description);
void PutBase(QLineEdit* Edit, const QColor& Paint);
void PutValue(QProgressBar* Bar, int Value);

} // namespace ostan
