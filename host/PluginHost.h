#pragma once
// The plug-in host: a device library's panel activated in the main window's
// plug-in area, unloaded, fitted to the area, fed the data frames, and
// chosen by the adapter's device identifier when automatic selection is on.
#include "CommonInterfaces.h"

#include <QString>
#include <cstdint>

namespace ostan {

class TMainForm;

class TPluginHost {
public:
    explicit TPluginHost(TMainForm& Form) : Form(Form) {}
    TPluginHost(const TPluginHost&) = delete;
    TPluginHost& operator=(const TPluginHost&) = delete;

    void Activate(const QString& ModuleName);
    void Unload();
    void Fit();
    bool ReceivePacket(const TDynamicByteArray& Packet);
    void AutoSelectByDeviceId(uint8_t Id);

    // The library the automatic selection takes for a device identifier;
    // empty for an identifier it ignores.
    static QString ModuleOfDeviceId(uint8_t Id);

private:
    void ActivationSteps(const QString& ModuleName);
    // The placeholder, and with it the main window, grows to show the whole
    // of a panel whose minimum size is larger than the place it gets.
    void FollowPanelMinimum();
    void AutoSelectModule(const QString& ModuleName);
    void RunPendingAutoSelect();

    TMainForm& Form;
    // Activations in progress; a device identifier that arrives meanwhile
    // (the old plug-in's destruction pumps messages) waits for their end.
    int Activations = 0;
    QString PendingAutoSelect;
};

} // namespace ostan
