#include "PaintPacer.h"

#include "Ticks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace ostan {

namespace {

template <class T>
void Erase(std::vector<T*>& List, const T* Item)
{
    List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}

} // namespace

// A paced window: its paint requests within the interval wait, held, for the
// interval's end.
struct TPaintPacer::TWindow : QObject {
    TWindow(TPaintPacer& P, QWidget* W) : QObject(W), Pacer(P), Window(W) { W->installEventFilter(this); }
    ~TWindow() override { Pacer.Forget(this); }

    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched != Window || Event->type() != QEvent::UpdateRequest || Pacer.InTick)
            return false;
        if (Pacer.Due()) {
            // A quiet interval has passed: the interval's end now, and this
            // request paints with the latest state.
            Pacer.Tick();
            return false;
        }
        Held = true;
        Pacer.Arm();
        return true;
    }

    TPaintPacer& Pacer;
    QWidget* Window;
    // A request was taken: the window's marks wait until the pacer sends one.
    bool Held = false;
};

TPaintClient::~TPaintClient()
{
    TPaintPacer::Instance().Forget(this);
}

void TPaintClient::AskToPaint()
{
    if (!FAsked)
        TPaintPacer::Instance().Ask(this);
}

void TPaintClient::CancelPaint()
{
    if (FAsked)
        TPaintPacer::Instance().Forget(this);
}

void TPaintHook::AboutToPaint()
{
    FShow();
}

TPaintPacer& TPaintPacer::Instance()
{
    // Never destroyed: clients and windows may outlive the application object.
    static TPaintPacer* P = new TPaintPacer;
    return *P;
}

TPaintPacer::TPaintPacer() : Timer(new QTimer)
{
    Timer->setSingleShot(true);
    Timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(Timer, &QTimer::timeout, [this] { Tick(); });
}

void TPaintPacer::Pace(QWidget* W)
{
    QWidget* Window = W->window();
    if (!Paced(Window))
        Windows.push_back(new TWindow(*this, Window));
}

bool TPaintPacer::Paced(const QWidget* W) const
{
    const QWidget* Window = W->window();
    return std::any_of(Windows.begin(), Windows.end(), [&](const TWindow* T) { return T->Window == Window; });
}

bool TPaintPacer::Due() const
{
    return !Ticked || TicksSince(LastTick) >= uint32_t(PaintIntervalMs);
}

void TPaintPacer::Arm()
{
    if (Manual || Timer->isActive())
        return;
    Timer->start(Due() ? 0 : int(PaintIntervalMs - TicksSince(LastTick)));
}

void TPaintPacer::Ask(TPaintClient* Client)
{
    Client->FAsked = true;
    Asked.push_back(Client);
    Arm();
}

void TPaintPacer::Forget(TPaintClient* Client)
{
    if (Client->FAsked)
        Erase(Asked, Client);
    Client->FAsked = false;
    std::replace(Running.begin(), Running.end(), Client, static_cast<TPaintClient*>(nullptr));
}

void TPaintPacer::Forget(TWindow* Window)
{
    Erase(Windows, Window);
}

void TPaintPacer::RunClients()
{
    // A client that asks again while the others run waits for the next
    // interval; one destroyed meanwhile is skipped.
    Running.swap(Asked);
    for (TPaintClient* C : Running)
        C->FAsked = false;
    for (size_t i = 0; i < Running.size(); ++i)
        if (TPaintClient* C = Running[i])
            C->AboutToPaint();
    Running.clear();
}

void TPaintPacer::ShowLatest()
{
    if (Running.empty()) // not from inside a client's AboutToPaint
        RunClients();
}

void TPaintPacer::Tick()
{
    Timer->stop();
    Ticked = true;
    LastTick = GetTickCount();
    if (InTick)
        return;
    InTick = true;
    RunClients();
    // What the clients changed and what the windows held paints now, not
    // at the next interval's end.
    const std::vector<TWindow*> Now = Windows;
    for (TWindow* W : Now) {
        if (std::find(Windows.begin(), Windows.end(), W) == Windows.end())
            continue; // gone with a window an earlier paint closed
        QCoreApplication::sendPostedEvents(W->Window, QEvent::UpdateRequest);
        if (W->Held) {
            W->Held = false;
            QEvent Request(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(W->Window, &Request);
        }
    }
    InTick = false;
}

void TPaintPacer::Poll()
{
    const bool Waiting = !Asked.empty() || std::any_of(Windows.begin(), Windows.end(), [](const TWindow* W) { return W->Held; });
    if (Waiting && Due())
        Tick();
}

void TPaintPacer::SetManualForTest(bool On)
{
    Manual = On;
    if (Manual)
        Timer->stop();
    else if (!Asked.empty())
        Arm();
}

void ShowLatest(const QWidget*)
{
    TPaintPacer::Instance().ShowLatest();
}

} // namespace ostan
