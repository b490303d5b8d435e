#pragma once
// The plug-in host: a device library's panel activated in the main window's
// plug-in area, unloaded, fitted to the area, fed the data frames, and
// chosen by the adapter's device identifier when automatic selection is on.
#include "CommonInterfaces.h"

#include <QSize>
#include <QString>
#include <cstdint>

class QWidget;

namespace ostan {

class TDeviceChooseDialog;

// What the plug-in host needs of the main window.
class IPluginArea {
public:
    virtual ~IPluginArea() = default;
    // Grows to show the whole of a panel.
    virtual QWidget& MainWindow() = 0;
    // The window's size until a panel needs more.
    virtual QSize SmallestSize() const = 0;
    // The panels' parent.
    virtual QWidget& Placeholder() = 0;
    // The program's only reference to the active plug-in.
    virtual ComPtr<IOstanPlugin>& ActivePlugin() = 0;
    // The link collects the active device's frames.
    virtual void SelectDevice(int32_t PacketLength, uint8_t DeviceCode) = 0;
    // A plug-in became active (true) or was unloaded: the actions that need one follow.
    virtual void PluginChanged(bool Active) = 0;
    // Null until the start-up creates it.
    virtual TDeviceChooseDialog* DeviceDialog() const = 0;
    virtual bool AutoSelectOn() const = 0; // the check of "&Автовыбор прибора"
};

class TPluginHost {
public:
    explicit TPluginHost(IPluginArea& Area) : Area(Area) {}
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

    IPluginArea& Area;
    // Activations in progress; a device identifier that arrives meanwhile
    // (the old plug-in's destruction pumps messages) waits for their end.
    int Activations = 0;
    QString PendingAutoSelect;
};

} // namespace ostan
