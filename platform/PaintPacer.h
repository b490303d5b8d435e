#pragma once
// The one clock that brings fast-changing data to the screen at a human pace.
//
// Whoever holds data for widgets that change faster than the eye follows (a
// panel's state, the adapter's indicators, the traffic log) is a
// TPaintClient: it takes every change at once into its own state and asks
// for a paint. At the interval's end the pacer calls AboutToPaint of every
// client that asked, which hands its widgets the latest state, and then lets
// the paced windows paint what changed. The widgets hold the previous state
// until then. So a change reaches the screen within one interval of its
// arrival, and a paced window paints at most once per interval.
//
// A paint asked for after a quiet interval happens as soon as the event loop
// runs, so a click or a key is answered without delay. A window's own paint
// requests within the interval (a synchronous repaint() too) wait for the
// interval's end.
#include "PlatformApi.h"

#include <cstdint>
#include <functional>
#include <vector>

class QTimer;
class QWidget;

namespace ostan {

// The paint interval of every paced window, in milliseconds.
inline constexpr int PaintIntervalMs = 100;

class OSTAN_PLATFORM_API TPaintClient {
public:
    TPaintClient() = default;
    TPaintClient(const TPaintClient&) = delete;
    TPaintClient& operator=(const TPaintClient&) = delete;
    virtual ~TPaintClient();

    // The state differs from what the widgets show: AboutToPaint follows
    // within one interval. Cheap when already asked.
    void AskToPaint();
    bool PaintAsked() const { return FAsked; }
    // The widgets took the latest state by other means (a reader asked for
    // it): nothing waits any more.
    void CancelPaint();

protected:
    // Hands the widgets the latest state; once per asking.
    virtual void AboutToPaint() = 0;

private:
    friend class TPaintPacer;
    bool FAsked = false;
};

// A client whose AboutToPaint runs a function.
class OSTAN_PLATFORM_API TPaintHook : public TPaintClient {
public:
    explicit TPaintHook(std::function<void()> Show) : FShow(std::move(Show)) {}

protected:
    void AboutToPaint() override;

private:
    std::function<void()> FShow;
};

class OSTAN_PLATFORM_API TPaintPacer {
public:
    // The process's pacer.
    static TPaintPacer& Instance();

    // The top-level window of W paints at the pace from now on (once: a
    // window already paced stays so).
    void Pace(QWidget* W);
    bool Paced(const QWidget* W) const;

    // Every client that asked gets AboutToPaint now, outside the pace: for
    // whoever reads the widgets themselves (a copy to the clipboard, a
    // check). The windows still paint at the interval's end.
    void ShowLatest();

    // The interval's end, when it is due on the tick counter and something
    // waits. The pacer's own timer brings it otherwise; tests on the fake
    // clock call it after moving the clock.
    void Poll();
    // Test hook: with Manual on, only Poll brings the interval's end.
    void SetManualForTest(bool Manual);

private:
    struct TWindow;
    friend class TPaintClient;
    friend struct TWindow;

    TPaintPacer();
    TPaintPacer(const TPaintPacer&) = delete;
    TPaintPacer& operator=(const TPaintPacer&) = delete;
    bool Due() const;
    // The timer for the interval's end, unless it already runs.
    void Arm();
    // The interval's end: the clients' AboutToPaint, then the windows paint.
    void Tick();
    void RunClients();
    void Ask(TPaintClient* Client);
    void Forget(TPaintClient* Client);
    void Forget(TWindow* Window);

    QTimer* Timer;
    bool Manual = false;
    bool Ticked = false;
    bool InTick = false;
    uint32_t LastTick = 0;
    std::vector<TPaintClient*> Asked;
    std::vector<TPaintClient*> Running; // taken from Asked by RunClients
    std::vector<TWindow*> Windows;
};

// The latest state of every client to its widgets now (see ShowLatest of
// TPaintPacer). W names the widget about to be read; any will do.
OSTAN_PLATFORM_API void ShowLatest(const QWidget* W = nullptr);

} // namespace ostan
