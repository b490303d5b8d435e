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
    // window grows to show them whole. It keeps the window's own life.
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
    // Test hook: the window once its details are set.
    static std::function<void(const TPortScanningForm&)> OnDetailsForTest;

public slots:
    void CloseTimerTimer();
};

} // namespace ostan
