#include "Ticks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace ostan {

namespace {
TickSource& Source()
{
    static TickSource s;
    return s;
}
} // namespace

uint32_t GetTickCount()
{
    if (Source())
        return Source()();
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t TicksSince(uint32_t Start) { return TicksSince(Start, GetTickCount()); }

void SetTickSourceForTest(TickSource S) { Source() = std::move(S); }

void ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool PumpUntil(const std::function<bool()>& Done, uint32_t TimeoutMs)
{
    const uint32_t start = GetTickCount();
    // A short repeating timer bounds each blocking wait in the dispatcher, so
    // the loop sleeps between events instead of spinning, yet sees its
    // deadline within a few milliseconds.
    QTimer wake;
    wake.setInterval(5);
    wake.start();
    while (!Done()) {
        if (TicksSince(start) >= TimeoutMs)
            return Done();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        else
            QThread::msleep(5);
    }
    return true;
}

} // namespace ostan
