#include "PaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace ostan {

TPaintPacer* TPaintPacer::Pace(QWidget* W, int IntervalMs)
{
    QWidget* Window = W->window();
    if (auto* Existing = Window->findChild<TPaintPacer*>(QString(), Qt::FindDirectChildrenOnly))
        return Existing;
    return new TPaintPacer(Window, IntervalMs);
}

TPaintPacer::TPaintPacer(QWidget* Window, int IntervalMs)
    : QObject(Window), FWindow(Window), FIntervalMs(IntervalMs), Deferred(new QTimer(this))
{
    Deferred->setSingleShot(true);
    connect(Deferred, &QTimer::timeout, this, &TPaintPacer::PaintNow);
    Window->installEventFilter(this);
}

bool TPaintPacer::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != FWindow || Event->type() != QEvent::UpdateRequest)
        return false;
    if (!SincePaint.isValid() || SincePaint.elapsed() >= FIntervalMs) {
        SincePaint.start();
        return false;
    }
    // The window keeps what was marked until the deferred request paints it.
    if (!Deferred->isActive())
        Deferred->start(std::max<int>(1, FIntervalMs - int(SincePaint.elapsed())));
    return true;
}

void ShowLatest(QWidget* W)
{
    for (; W; W = W->parentWidget())
        if (W->metaObject()->indexOfMethod("ShowLatest()") >= 0) {
            QMetaObject::invokeMethod(W, "ShowLatest", Qt::DirectConnection);
            return;
        }
}

void TPaintPacer::PaintNow()
{
    // A fresh interval: the filter lets this request through.
    SincePaint.invalidate();
    QEvent Request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(FWindow, &Request);
}

} // namespace ostan
