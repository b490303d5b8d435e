#include "SpinButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace ostan {

TSpinButton::TSpinButton(QWidget* Parent) : QWidget(Parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    connect(&FRepeat, &QTimer::timeout, this, [this] { TimerExpired(); });
}

void TSpinButton::Click(THalf H)
{
    if (H == THalf::Up && OnUpClick)
        OnUpClick(this);
    else if (H == THalf::Down && OnDownClick)
        OnDownClick(this);
}

void TSpinButton::TimerExpired()
{
    if (FPressed == THalf::None) {
        FRepeat.stop();
        return;
    }
    FRepeat.setInterval(RepeatIntervalMs);
    Click(FPressed);
}

void TSpinButton::mousePressEvent(QMouseEvent* E)
{
    if (E->button() != Qt::LeftButton) {
        E->ignore();
        return;
    }
    E->accept();
    FPressed = E->position().y() < height() / 2.0 ? THalf::Up : THalf::Down;
    if (FFocusControl && FFocusControl->isVisible() && FFocusControl->isEnabled())
        FFocusControl->setFocus(Qt::OtherFocusReason);
    update();
    FRepeat.start(RepeatDelayMs);
    Click(FPressed);
}

void TSpinButton::Release()
{
    FPressed = THalf::None;
    FRepeat.stop();
    update();
}

void TSpinButton::mouseReleaseEvent(QMouseEvent* E)
{
    E->accept();
    if (E->button() == Qt::LeftButton)
        Release();
}

void TSpinButton::hideEvent(QHideEvent* E)
{
    Release();
    QWidget::hideEvent(E);
}

void TSpinButton::changeEvent(QEvent* E)
{
    if (E->type() == QEvent::EnabledChange && !isEnabled())
        Release();
    QWidget::changeEvent(E);
}

void TSpinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int half = height() / 2;
    const QRect halves[] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        const bool down = FPressed == (i == 0 ? THalf::Up : THalf::Down);
        QStyleOptionButton panel;
        panel.initFrom(this);
        panel.rect = halves[i];
        panel.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &panel, &p, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = halves[i].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, &p,
                               this);
    }
}

} // namespace ostan
