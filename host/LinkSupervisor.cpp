#include "LinkSupervisor.h"

#include "AdapterProtocol.h"
#include "Ticks.h"

namespace ostan {

namespace {

constexpr int PowerLossMinFirmware = 25;
// A status byte right after an activation may still tell of the time before.
constexpr uint32_t PowerLossGraceMs = 50;

} // namespace

bool TLinkSupervisor::MarkLinkActive()
{
    FProgressPosition = (FProgressPosition + 1) % (ProgressMax + 1);
    FNoActivity = false;
    Timer.Restart();
    if (FLinkUp)
        return false;
    FLinkUp = true;
    return true;
}

bool TLinkSupervisor::TimerTick()
{
    if (FNoActivity) {
        Timer.SetEnabled(false);
        FLinkUp = false;
        return true;
    }
    FNoActivity = true;
    Timer.Restart();
    return false;
}

void TLinkSupervisor::ProbeSent()
{
    Timer.Restart();
    FLinkUp = false;
}

void TLinkSupervisor::PortHungUp()
{
    Timer.SetEnabled(false);
    FNoActivity = false;
    FLinkUp = false;
}

bool TLinkSupervisor::NoteStatus(uint8_t Status, int AdapterFirmwareVersion, bool PluginActive)
{
    FPowerOn = (Status & adapter::StatusPower) == adapter::StatusPower;
    return !FPowerOn && AdapterFirmwareVersion >= PowerLossMinFirmware && PluginActive
           && TicksSince(FPluginSelectTime, GetTickCount()) > PowerLossGraceMs;
}

} // namespace ostan
