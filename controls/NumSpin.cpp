#include "NumSpin.h"

#include "Beep.h"
#include "SpinButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

namespace ostan {

TNumSpin::TNumSpin(QWidget* Parent) : TNumEdit(Parent)
{
    FSpinButton = new TSpinButton(this);
    FSpinButton->resize(15, 17);
    FSpinButton->SetFocusControl(this);
    FSpinButton->OnUpClick = [this](TSpinButton* b) { UpClick(b); };
    FSpinButton->OnDownClick = [this](TSpinButton* b) { DownClick(b); };
    FSpinButton->show();
    setTextMargins(0, 0, FSpinButton->width(), 0);
    setMinimumHeight(GetMinHeight());
    PlaceButton();
}

TNumSpin::~TNumSpin()
{
    delete FSpinButton;
    FSpinButton = nullptr;
}

TNumStepHost TNumSpin::Host()
{
    return {[this] { return GetValue(); }, [this](TNumValue v) { SetValue(v); }, [this] { InvalidEntry(); }};
}

void TNumSpin::SetIncrement(TNumValue X)
{
    if (FStepper.SetIncrement(X, Range()) && FRoundValues)
        RoundToIncrement();
}

void TNumSpin::Step(bool Up, QObject* Sender)
{
    if (isReadOnly() && Sender == FSpinButton) {
        MessageBeep(0);
        return;
    }
    FStepper.Step(Up, Range(), FWrap, FRoundValues, Host());
}

void TNumSpin::UpClick(QObject* Sender) { Step(true, Sender); }
void TNumSpin::DownClick(QObject* Sender) { Step(false, Sender); }

void TNumSpin::RoundToIncrement() { FStepper.RoundToIncrement(Range(), Host()); }

void TNumSpin::DoExit()
{
    const TNumValue v = GetValue();
    if ((FRoundValues && v >= MinValue() && v <= MaxValue()) || !Range().IsSet())
        RoundToIncrement();
    TNumEdit::DoExit();
}

void TNumSpin::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (isReadOnly()) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    if (Key == VK_UP)
        UpClick(this);
    else if (Key == VK_DOWN)
        DownClick(this);
    TNumEdit::KeyDown(Key, Shift);
}

void TNumSpin::KeyPress(QChar& Key)
{
    if (FEditorEnabled) {
        TNumEdit::KeyPress(Key);
        return;
    }
    MessageBeep(0);
    Key = QChar();
}

void TNumSpin::KeyUp(int& Key, Qt::KeyboardModifiers Shift)
{
    FStepper.EndSeries();
    if (isReadOnly()) {
        Key = 0;
        return;
    }
    TNumEdit::KeyUp(Key, Shift);
}

void TNumSpin::WMCut()
{
    if (ClipboardEditable())
        TNumEdit::WMCut();
}

void TNumSpin::WMPaste(const QString& Clip)
{
    if (ClipboardEditable())
        TNumEdit::WMPaste(Clip);
}

void TNumSpin::keyPressEvent(QKeyEvent* E)
{
    TNumEdit::keyPressEvent(E);
    if (E->key() == Qt::Key_Up || E->key() == Qt::Key_Down)
        E->accept(); // the arrows step here; they do not travel on to the parent
}

int TNumSpin::GetMinHeight() const
{
    const int own = fontMetrics().height();
    const int system = QFontMetrics(QApplication::font()).height();
    constexpr int border = 1;
    return own + std::min(own, system) / 4 + 4 * border + 2;
}

void TNumSpin::PlaceButton()
{
    if (!FSpinButton)
        return;
    const int b = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    const int w = FSpinButton->width();
    FSpinButton->setGeometry(width() - w - b, b, w, height() - 2 * b);
}

void TNumSpin::resizeEvent(QResizeEvent* E)
{
    TNumEdit::resizeEvent(E);
    PlaceButton();
}

void TNumSpin::changeEvent(QEvent* E)
{
    TNumEdit::changeEvent(E);
    if (E->type() == QEvent::FontChange)
        setMinimumHeight(GetMinHeight());
    else if (E->type() == QEvent::StyleChange)
        PlaceButton();
}

} // namespace ostan
