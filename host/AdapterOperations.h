#pragma once
// The adapter operations of the main window: the probe, the port search,
// the reset, the connection at start and the service commands. It is also
// what the plug-ins' callback object reaches: it installs itself as the
// callback's sink for its lifetime.
#include "BackInterface.h"

#include <QString>

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

private:
    TMainForm& Form;
};

// Port number of a name from the port list ("COM7", "com12"); 0 when none.
int PortNumberFromName(const QString& Name);

// Speed text of a baud code ("57.6"), empty for a code the search does not know.
QString SpeedText(int BaudCode);

} // namespace ostan
