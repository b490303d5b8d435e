#pragma once
// The splash shown from the first moment of start-up. Closing it waits,
// pumping messages, until CloseTimer has fired: the splash stays at least
// 2500 ms from its creation. After the close it deletes itself.
#include <QWidget>
#include <cstdint>

class QFrame;
class QLabel;
class QTimer;

namespace ostan {

class TLogoForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int MinShowMs = 2500;

    // Visible from its creation, centred on the screen.
    explicit TLogoForm(QWidget* Parent = nullptr);

    // Brings the splash to the front and paints it before any message is
    // handled (the start-up does this right after creating it).
    void ShowNow();

    QFrame* Panel1;
    QLabel* Label1;
    QLabel* LabelVersion;
    QLabel* Label2;
    QTimer* CloseTimer;
    bool TimerFired = false;

public slots:
    void CloseTimerTimer();
    // CloseTimer's timeout: fires the timer's step once the tick counter
    // too says more than MinShowMs have passed, otherwise waits for the rest.
    void CloseTimerTimeout();

protected:
    void closeEvent(QCloseEvent* Event) override; // FormCloseQuery

private:
    // Whether Shown milliseconds on the tick counter are surely at least
    // MinShowMs: "more than", as the counter drops the fractions of a
    // millisecond.
    static bool ShownLongEnough(uint32_t Shown);

    uint32_t CreatedTicks; // the timer's start on the tick counter
    bool Closing = false;
};

} // namespace ostan
