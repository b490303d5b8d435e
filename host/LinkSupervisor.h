#pragma once
// Link supervision: a timer declares the link down after two silent periods,
// every frame that counts as activity keeps it up; the power bit of the last
// status byte and the rule that unloads the plug-in when it goes.
#include <cstdint>
#include <functional>

namespace ostan {

// The supervision timer (interval 1600 ms in the program). Restart means
// disable, then enable: a full interval runs from now.
class ILinkTimer {
public:
    virtual ~ILinkTimer() = default;
    virtual void SetEnabled(bool On) = 0;
    virtual bool Enabled() const = 0;
    virtual int Interval() const = 0;
    void Restart() { SetEnabled(false); SetEnabled(true); }
    std::function<void()> OnTimer; // set by TAdapterLink
};

class TLinkSupervisor {
public:
    static constexpr int ProgressMax = 10;

    explicit TLinkSupervisor(ILinkTimer& Timer) : Timer(Timer) {}

    bool LinkUp() const { return FLinkUp; }
    bool NoActivity() const { return FNoActivity; }
    bool PowerOn() const { return FPowerOn; }
    uint32_t PluginSelectTime() const { return FPluginSelectTime; }
    int ProgressPosition() const { return FProgressPosition; } // heartbeat, 0..ProgressMax

    // A frame that counts as activity: the heartbeat moves and a full period
    // runs from now. True when this brought the link up.
    bool MarkLinkActive();
    // The timer's tick. True when it declares the link down (the timer then
    // stops); false when it only found the period silent, which drops a
    // partial frame.
    bool TimerTick();
    // The probe went out: a full period from now, the link counted down
    // until the echo comes.
    void ProbeSent();
    // Before a search: the link is down.
    void Forget() { FLinkUp = false; }
    // The port is gone: down at once, the timer stopped.
    void PortHungUp();
    void PluginSelected(uint32_t Now) { FPluginSelectTime = Now; }
    // Notes the power bit of a status byte. True when the power-loss rule
    // asks to unload the active plug-in.
    bool NoteStatus(uint8_t Status, int AdapterFirmwareVersion, bool PluginActive);

private:
    ILinkTimer& Timer;
    bool FLinkUp = false;
    bool FNoActivity = false;
    bool FPowerOn = false;
    uint32_t FPluginSelectTime = 0;
    int FProgressPosition = 0;
};

} // namespace ostan
