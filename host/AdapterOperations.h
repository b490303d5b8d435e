#pragma once
// The adapter operations of the main window: the probe, the port search,
// the reset, the connection at start and the service commands. It is also
// what the plug-ins' callback object reaches: it installs itself as the
// callback's sink for its lifetime.
#include "BackInterface.h"

#include <QString>
#include <set>

namespace ostan {

class TMainForm;

class TAdapterOperations final : public IOstanBackSink {
public:
    explicit TAdapterOperations(TMainForm& Form);
    ~TAdapterOperations() override;
    TAdapterOperations(const TAdapterOperations&) = delete;
    TAdapterOperations& operator=(const TAdapterOperations&) = delete;

    bool ProbeAdapter(int BaudCode);
    void ScanPorts();
    void ConnectOnStart();
    void Search();         // "&Поиск адаптера"
    void Reset();          // "&Сброс адаптера"
    void ShortCircuitReset();
    void ShowFirmwareVersion();
    // True when the command went out.
    bool SendAutoSwitchOff();

    // IOstanBackSink
    void SendPluginPacket(const TDynamicByteArray& Data) override;
    void RestartDevice() override;
    void DisableAutoSwitch() override { SendAutoSwitchOff(); }

    // Whether the live port and speed are what the settings are to keep,
    // given the port number they hold.
    bool LivePortIsAResult(int StoredPort) const;

private:
    TMainForm& Form;
    std::set<int> PortsHeld;     // the ports opened in this run
    bool Searching = false;      // a close may come while the search waits
    bool SearchCutShort = false; // the last search ended at the system's request
};

// The live port and speed are a result once a search has run through its
// list, and then only when the program found the adapter or held the stored
// port itself: a search stopped on the way, or a copy of the program that
// found the port busy, leaves the stored port and speed as they were.
bool LivePortIsAResult(int LivePort, bool SearchUnfinished, bool HeldStoredPort);

// Port number of a name from the port list ("COM7", "com12"); 0 when none.
int PortNumberFromName(const QString& Name);

// Speed text of a baud code ("57.6"), empty for a code the search does not know.
QString SpeedText(int BaudCode);

} // namespace ostan
