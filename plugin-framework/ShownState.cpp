#include "ShownState.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <algorithm>

namespace ostan {

namespace {

bool WindowShows(const QLabel* Label, const QColor& Paint)
{
    return Label->autoFillBackground() && Label->palette().color(QPalette::Window) == Paint;
}

// The flag as the label already shows it.
bool FlagShows(const QLabel* Label, bool On, const QColor& Paint, const QString& Description)
{
    return Label->isEnabled() == On && WindowShows(Label, Paint) && Label->accessibleDescription() == Description;
}

} // namespace

const TShownState::TChange* TShownState::WaitingChange(const QWidget* W, TKind Kind) const
{
    if (Order.empty())
        return nullptr;
    const auto It = Changes.find({W, Kind});
    return It != Changes.end() && It->second.Waiting ? &It->second : nullptr;
}

TShownState::TChange& TShownState::Wait(QWidget* W, TKind Kind)
{
    TChange& C = Changes[{W, Kind}];
    C.Widget = W;
    C.Kind = Kind;
    if (!C.Waiting) {
        C.Waiting = true;
        Order.push_back(&C);
    }
    AskToPaint();
    return C;
}

template <class TWidget>
void TShownState::SetTextOf(TWidget* W, TKind Kind, const QString& Text)
{
    if (!W || this->Text(W) == Text)
        return;
    if (!Paced())
        return PutText(W, Text);
    Wait(W, Kind).Text = Text;
}

void TShownState::SetText(QLineEdit* Edit, const QString& Text)
{
    SetTextOf(Edit, TKind::EditText, Text);
}

void TShownState::SetText(QLabel* Label, const QString& Text)
{
    SetTextOf(Label, TKind::LabelText, Text);
}

void TShownState::SetFlag(QLabel* Label, bool On, const QColor& Paint, const QString& Description)
{
    if (!Label)
        return;
    if (const TChange* W = WaitingChange(Label, TKind::Flag)) {
        if (W->On == On && W->Paint == Paint && W->Text == Description)
            return;
    } else if (FlagShows(Label, On, Paint, Description)) {
        return;
    }
    if (!Paced())
        return PutFlag(Label, On, Paint, Description);
    TChange& C = Wait(Label, TKind::Flag);
    C.On = On;
    C.Paint = Paint;
    C.Text = Description;
}

void TShownState::SetBase(QLineEdit* Edit, const QColor& Paint)
{
    if (!Edit)
        return;
    const TChange* W = WaitingChange(Edit, TKind::Base);
    if ((W ? W->Paint : Edit->palette().color(QPalette::Base)) == Paint)
        return;
    if (!Paced())
        return PutBase(Edit, Paint);
    Wait(Edit, TKind::Base).Paint = Paint;
}

void TShownState::SetValue(QProgressBar* Bar, int Value)
{
    if (!Bar || this->Value(Bar) == Value)
        return;
    if (!Paced())
        return PutValue(Bar, Value);
    Wait(Bar, TKind::BarValue).Value = Value;
}

QString TShownState::Text(const QLineEdit* Edit) const
{
    const TChange* W = WaitingChange(Edit, TKind::EditText);
    return W ? W->Text : Edit->text();
}

QString TShownState::Text(const QLabel* Label) const
{
    const TChange* W = WaitingChange(Label, TKind::LabelText);
    return W ? W->Text : Label->text();
}

int TShownState::Value(const QProgressBar* Bar) const
{
    const TChange* W = WaitingChange(Bar, TKind::BarValue);
    return W ? W->Value : Bar->value();
}

void TShownState::Apply()
{
    CancelPaint();
    // A widget's signal may bring a reader here again: the list is taken
    // first.
    std::vector<TChange*> Taken;
    Taken.swap(Order);
    for (TChange* C : Taken)
        C->Waiting = false;
    for (const TChange* C : Taken) {
        switch (C->Kind) {
        case TKind::EditText:
            PutText(static_cast<QLineEdit*>(C->Widget), C->Text);
            break;
        case TKind::LabelText:
            PutText(static_cast<QLabel*>(C->Widget), C->Text);
            break;
        case TKind::Flag:
            PutFlag(static_cast<QLabel*>(C->Widget), C->On, C->Paint, C->Text);
            break;
        case TKind::Base:
            PutBase(static_cast<QLineEdit*>(C->Widget), C->Paint);
            break;
        case TKind::BarValue:
            PutValue(static_cast<QProgressBar*>(C->Widget), C->Value);
            break;
        }
    }
}

void PutText(QLineEdit* Edit, const QString& Text)
{
    if (Edit->text() == Text)
        return;
    Edit->setText(Text);
    // The leading digits of a number, not a tail of zeros.
    Edit->setCursorPosition(0);
}

void PutText(QLabel* Label, const QString& Text)
{
    if (Label->text() != Text)
        Label->setText(Text);
}

void PutFlag(QLabel* Label, bool On, const QColor& Paint, const QString& Description)
{
    if (Label->isEnabled() != On)
        Label->setEnabled(On);
    if (Label->accessibleDescription() != Description)
        Label->setAccessibleDescription(Description);
    if (WindowShows(Label, Paint))
        return;
    QPalette P = Label->palette();
    P.setColor(QPalette::Window, Paint);
    Label->setAutoFillBackground(true);
    Label->setPalette(P);
}

void PutBase(QLineEdit* Edit, const QColor& Paint)
{
    if (Edit->palette().color(QPalette::Base) == Paint)
        return;
    QPalette P = Edit->palette();
    P.setColor(QPalette::Base, Paint);
    Edit->setPalette(P);
}

void PutValue(QProgressBar* Bar, int Value)
{
    if (Bar->value() != Value)
        Bar->setValue(Value);
}

} // namespace ostan
