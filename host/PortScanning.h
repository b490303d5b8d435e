#pragma once
// The small borderless window that says what the adapter operations are doing.
#include <QColor>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;

namespace ostan {

class TPortScanningForm : public QWidget {
    Q_OBJECT
public:
    // Centred on Owner, visible at once; CloseTimer runs from here.
    explicit TPortScanningForm(QWidget* Owner);

    void SetText(const QString& Text);
    void SetTextColor(const QColor& Color);
    QString Text() const;
    QColor TextColor() const;
    // Lines under the panel's text (the ports a search could not open); the
    // window grows to show them whole. A window with details outlives
    // CloseWhenDone until it is clicked, a key is pressed on it or another
    // such window opens, so that they can be read.
    void SetDetails(const QString& Text);
    // Pumps messages while CloseTimer has not fired, then releases the window.
    void CloseWhenDone();

    QLabel* Panel1 = nullptr;
    QLabel* Details = nullptr;
    QTimer CloseTimer;

    // Test hook: the result window's minimum time (2000 ms in the program).
    static int CloseIntervalMs;
    // Test hook: sees every text the windows show, with its colour.
    static std::function<void(const QString&, const QColor&)> OnTextForTest;

public slots:
    void CloseTimerTimer();

protected:
    void mousePressEvent(QMouseEvent* E) override;
    void keyPressEvent(QKeyEvent* E) override;

private:
    bool Lingering = false;
};

} // namespace ostan
