#pragma once
// Lets a window's screen follow fast-changing data at a human pace. Widgets
// change at once (what they hold stays exact) and mark only themselves for
// painting; the window paints what was marked at most once per interval.
// A paint asked for after a quiet interval happens as soon as the event loop
// runs, so a click or a key is answered without delay. A synchronous
// repaint() within the interval is deferred the same way.
#include "PlatformApi.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class QWidget;

namespace ostan {

class OSTAN_PLATFORM_API TPaintPacer : public QObject {
    Q_OBJECT
public:
    // Paces the top-level window of W (once: a window already paced keeps
    // its pacer and interval). Returns the window's pacer.
    static TPaintPacer* Pace(QWidget* W, int IntervalMs);

    int IntervalMs() const { return FIntervalMs; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TPaintPacer(QWidget* Window, int IntervalMs);
    void PaintNow();

    QWidget* FWindow;
    int FIntervalMs;
    QElapsedTimer SincePaint;
    QTimer* Deferred;
};

// Widgets fed faster than the eye follows may take their data at the paint
// pace from a holder among their ancestors, one with an invokable
// "ShowLatest()" that hands them the latest data at once. Whoever reads such
// a widget synchronously (a copy to the clipboard, a check) calls this first;
// it asks the nearest holder of W or of its ancestors.
OSTAN_PLATFORM_API void ShowLatest(QWidget* W);

} // namespace ostan
