#pragma once
// The up/down button of the spin control: two halves, each raising its click
// at once when pressed and again and again while it is held.
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ostan {

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int RepeatDelayMs = 400;
    // At most 200 ms, so that holding the button makes a quick series.
    static constexpr int RepeatIntervalMs = 100;

    explicit TSpinButton(QWidget* Parent = nullptr);

    void SetFocusControl(QWidget* W) { FFocusControl = W; }

    std::function<void(TSpinButton* Sender)> OnUpClick;
    std::function<void(TSpinButton* Sender)> OnDownClick;

    bool Repeating() const { return FRepeat.isActive(); }
    // One repeat of the held half; the repeat timer calls it.
    void TimerExpired();

    QSize sizeHint() const override { return {15, 17}; }

protected:
    void paintEvent(QPaintEvent* E) override;
    void mousePressEvent(QMouseEvent* E) override;
    void mouseReleaseEvent(QMouseEvent* E) override;
    void hideEvent(QHideEvent* E) override;
    void changeEvent(QEvent* E) override;

private:
    enum class THalf { None, Up, Down };
    void Click(THalf H);
    void Release();

    QWidget* FFocusControl = nullptr;
    THalf FPressed = THalf::None;
    QTimer FRepeat;
};

} // namespace ostan
