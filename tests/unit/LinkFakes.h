#pragma once
// Fakes around TAdapterLink: a port that records its writes, a timer on a
// fake clock (or one that never fires) and a host that records what the link
// tells it. Used by the unit tests, the benchmark and the fuzzer (no test
// framework here).
#include "AdapterLink.h"
#include "FakeClock.h"
#include "Ticks.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <vector>

namespace ostan::fakes {

using Bytes = std::vector<uint8_t>;

inline QByteArray ToQBytes(const Bytes& B)
{
    return QByteArray(reinterpret_cast<const char*>(B.data()), static_cast<qsizetype>(B.size()));
}

class FakePort : public ISerialPort {
public:
    int Num = 3;
    bool Open = true;
    std::vector<int> Limits;      // the next write calls accept at most these many bytes
    std::vector<Bytes> Writes;    // what each WriteBuf call accepted
    QByteArray Incoming;          // handed out by the next ReadText
    int Unread = 0;               // further bytes ReadBufUsed reports

    int PortNum() const override { return Num; }
    bool Active() const override { return Open; }
    int WriteBuf(const void* Buffer, int Count) override
    {
        int n = Count;
        if (!Limits.empty()) {
            n = std::min(Count, Limits.front());
            Limits.erase(Limits.begin());
        }
        const auto* p = static_cast<const uint8_t*>(Buffer);
        Writes.emplace_back(p, p + n);
        return n;
    }
    QByteArray ReadText() override
    {
        QByteArray t;
        t.swap(Incoming);
        return t;
    }
    int ReadBufUsed() const override { return static_cast<int>(Incoming.size()) + Unread; }

    void Queue(const Bytes& B) { Incoming.append(ToQBytes(B)); }
    Bytes Wire() const
    {
        Bytes all;
        for (const auto& w : Writes)
            all.insert(all.end(), w.begin(), w.end());
        return all;
    }
};

// A repeating timer on the fake clock: fires each time its interval has
// passed since it was last enabled (or last fired).
class FakeTimer : public ILinkTimer {
public:
    explicit FakeTimer(FakeClock& C, int IntervalMs = 1600) : Clock(C), IntervalMs(IntervalMs) {}

    void SetEnabled(bool Enable) override
    {
        if (Enable && !On)
            Since = Clock.Now;
        On = Enable;
    }
    bool Enabled() const override { return On; }
    int Interval() const override { return IntervalMs; }

    // Moves the clock on by Ms, firing on the way.
    void Advance(uint32_t Ms)
    {
        uint32_t left = Ms;
        while (On) {
            const uint32_t due = static_cast<uint32_t>(IntervalMs) - (Clock.Now - Since);
            if (due > left)
                break;
            Clock.Now += due;
            left -= due;
            Since = Clock.Now;
            if (OnTimer)
                OnTimer();
        }
        Clock.Now += left;
    }

private:
    FakeClock& Clock;
    int IntervalMs;
    bool On = false;
    uint32_t Since = 0;
};

// A timer that never fires, for runs where no timeout may interfere.
class NullTimer : public ILinkTimer {
public:
    void SetEnabled(bool E) override { On = E; }
    bool Enabled() const override { return On; }
    int Interval() const override { return 1600; }
    bool On = false;
};

class FakeHost : public ILinkHost {
public:
    // Settings the link asks about.
    bool Plugin = false;
    bool Accept = true;
    bool Sound = false;
    bool AutoSelect = false;
    bool Log = true;

    // Hooks run inside the calls, where a real host may pump events.
    std::function<bool(const TDynamicByteArray&)> OnReceive; // replaces Accept
    std::function<void()> OnAutoSelect;
    const TAdapterLink* Link = nullptr; // for reading RxFrame(2)

    // What happened.
    std::vector<Bytes> Packets;
    std::vector<int> AutoSelectIds;
    int Unloads = 0;
    int ViewChanges = 0;
    QStringList LogLines;
    QString LogLine; // the current, unfinished line

    bool PluginActive() const override { return Plugin; }
    bool ReceivePacket(const TDynamicByteArray& P) override
    {
        Packets.push_back(P.Vector());
        return OnReceive ? OnReceive(P) : Accept;
    }
    void UnloadPlugin() override
    {
        ++Unloads;
        Plugin = false;
    }
    void AutoSelectByDeviceId() override
    {
        AutoSelectIds.push_back(Link ? Link->Receiver().RxFrame(2) : -1);
        if (OnAutoSelect)
            OnAutoSelect();
    }
    bool SoundOn() const override { return Sound; }
    bool AutoSelectOn() const override { return AutoSelect; }
    bool LogExists() const override { return Log; }
    void AddLogText(const QString& Text, bool SameLine) override
    {
        LogLine += Text;
        if (!SameLine) {
            LogLines << LogLine;
            LogLine.clear();
        }
    }
    void LinkViewChanged() override { ++ViewChanges; }
};

} // namespace ostan::fakes
