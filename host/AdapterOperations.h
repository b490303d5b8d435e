#pragma once
// The adapter operations of the main window: the probe, the port search,
// the reset, the connection at start and the service commands. It is also
// what the plug-ins' callback object reaches: it installs itself as the
// callback's sink for its lifetime.
#include "BackInterface.h"
#include "PortAccess.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <set>

class QAction;
class QWidget;

namespace ostan {

class ILinkTimer;
class TAdapterLink;
class TVaComm;

// What the adapter operations need of the main window.
class IAdapterHost {
public:
    virtual ~IAdapterHost() = default;
    // Disabled while an operation runs; the progress window's owner.
    virtual QWidget& MainWindow() = 0;
    virtual TVaComm& Port() = 0;
    virtual TAdapterLink& AdapterLink() = 0;
    virtual ILinkTimer& SupervisionTimer() = 0;
    // The ports the search tries, in order.
    virtual QStringList SearchPorts() const = 0;
    virtual void UnloadPlugin() = 0;
    virtual QAction& SearchAction() = 0; // "&Поиск адаптера"
    virtual QAction& ResetAction() = 0;  // "&Сброс адаптера"
};

// The waits of the adapter operations (the program's values); tests shorten them.
struct TAdapterWaits {
    uint32_t ProbeMs = 200;   // the probe at speeds below 115200
    uint32_t ResetMs = 1700;  // the wait for the reset's answer
    int SupervisionMs = 1600; // the supervision timer, also the probe at 115200
};

class TAdapterOperations final : public IOstanBackSink {
public:
    TAdapterOperations(IAdapterHost& Host, const TAdapterWaits& Waits);
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
    // given the port number they hold. They are a result once a search has
    // run through its list, and then only when the program found the adapter
    // or held the stored port itself: a search stopped on the way, or a copy
    // of the program that found the port busy, leaves the stored port and
    // speed as they were.
    bool LivePortIsAResult(int StoredPort) const;

    // The ports of the last search whose device refused to open, in order.
    const std::vector<TUnopenedPort>& UnopenedPorts() const { return Unopened; }

private:
    TVaComm& Comm() const { return Host.Port(); }
    TAdapterLink& Link() const { return Host.AdapterLink(); }

    IAdapterHost& Host;
    const TAdapterWaits Waits;
    std::set<int> PortsHeld;     // the ports opened in this run
    bool Searching = false;      // a close may come while the search waits
    bool SearchCutShort = false; // the last search ended at the system's request
    std::vector<TUnopenedPort> Unopened;
};

// Port number of a name from the port list ("COM7", "com12"); 0 when none.
int PortNumberFromName(const QString& Name);

// Speed text of a baud code ("57.6"), empty for a code the search does not know.
QString SpeedText(int BaudCode);

} // namespace ostan
