#include "PluginHost.h"

#include "AdapterLink.h"
#include "AdapterProtocol.h"
#include "DeviceChooseDlg.h"

#include <QWidget>
#include <stdexcept>
#include <utility>

namespace ostan {

namespace {

// Frame lengths the receive machine can collect: the header and at least one
// byte, at most the receive frame.
constexpr int MinPacketLength = 2;
constexpr int MaxPacketLength = TAdapterReceiver::RxFrameSize;

// Counts a call in progress for its lifetime, also when an exception leaves.
class TDepthScope {
public:
    explicit TDepthScope(int& D) : Depth(D) { ++Depth; }
    ~TDepthScope() { --Depth; }
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;

private:
    int& Depth;
};

} // namespace

bool TPluginHost::ReceivePacket(const TDynamicByteArray& Packet)
{
    // Our own reference for the call: the plug-in may be unloaded from an
    // event it pumps.
    const ComPtr<IOstanPlugin> Plugin = Area.ActivePlugin();
    return Plugin && Plugin->ReceivePacket(Packet);
}

void TPluginHost::Unload()
{
    PendingAutoSelect.clear(); // a device identifier seen before the unload is out of date
    Area.ActivePlugin() = nullptr;
    Area.PluginChanged(false);
}

void TPluginHost::Activate(const QString& ModuleName)
{
    try {
        const TDepthScope InProgress(Activations);
        ActivationSteps(ModuleName);
    } catch (...) {
        PendingAutoSelect.clear();
        throw;
    }
    RunPendingAutoSelect();
}

void TPluginHost::ActivationSteps(const QString& ModuleName)
{
    // The activation works on a reference of its own: whatever runs inside
    // the calls below may unload the plug-in or choose another one, and then
    // this activation stops.
    const ComPtr<IOstanPlugin> Plugin =
        ComCast<IOstanPlugin>(CreateComObject(ProgIDToClassID(ModuleName + QLatin1String(".OstanPlugin"))));
    ComPtr<IOstanPlugin>& Current = Area.ActivePlugin();
    Current = Plugin; // the previous plug-in is destroyed here
    if (Current != Plugin)
        return;
    int32_t Length = 0;
    int32_t Code = 0;
    Plugin->Init(&Area.Placeholder(), Length, Code);
    if (Current != Plugin)
        return;
    // A longer frame would not fit the receive buffer, a shorter one is no frame.
    if (Length < MinPacketLength || Length > MaxPacketLength)
        throw std::runtime_error(QStringLiteral("Модуль %1 сообщил недопустимую длину пакета данных: %2.\r"
                                                "Допустимая длина: от %3 до %4 байт.")
                                     .arg(ModuleName)
                                     .arg(Length)
                                     .arg(MinPacketLength)
                                     .arg(MaxPacketLength)
                                     .toStdString());
    FollowPanelMinimum();
    Fit();
    Plugin->ShowPanel();
    if (Current != Plugin)
        return;
    Area.SelectDevice(Length, static_cast<uint8_t>(Code & 0xFF));
    Area.PluginChanged(true);
}

void TPluginHost::FollowPanelMinimum()
{
    QWidget& Window = Area.MainWindow();
    QWidget& Holder = Area.Placeholder();
    // The newest child is the panel Init made; one released before it may
    // still wait for its deletion.
    const QList<QWidget*> Children =
        Holder.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    const QSize Panel = Children.isEmpty() ? QSize(0, 0) : Children.last()->minimumSize();
    // SetBounds leaves one pixel on each side.
    const QSize Place = Panel.isEmpty() ? QSize(0, 0) : Panel + QSize(2, 2);
    // What the window holds besides the placeholder (the adapter's panel,
    // menu, tool bar and status bar) keeps its size.
    const QSize Around = Window.size() - Holder.size();
    Holder.setMinimumSize(Place);
    const QSize Need = (Around + Place).expandedTo(Area.SmallestSize());
    Window.setMinimumSize(Need);
    if (Window.width() < Need.width() || Window.height() < Need.height())
        Window.resize(Window.size().expandedTo(Need));
}

void TPluginHost::Fit()
{
    if (const ComPtr<IOstanPlugin> Plugin = Area.ActivePlugin())
        Plugin->SetBounds(1, 1, Area.Placeholder().width() - 2, Area.Placeholder().height() - 2);
}

QString TPluginHost::ModuleOfDeviceId(uint8_t Id)
{
    for (const adapter::DeviceIdEntry& E : adapter::DeviceIds)
        if (E.Id == Id)
            return QLatin1String(E.Library);
    return QString();
}

void TPluginHost::AutoSelectByDeviceId(uint8_t Id)
{
    const QString ModuleName = ModuleOfDeviceId(Id);
    if (ModuleName.isEmpty())
        return;
    if (Activations > 0) {
        PendingAutoSelect = ModuleName;
        return;
    }
    AutoSelectModule(ModuleName);
}

void TPluginHost::AutoSelectModule(const QString& ModuleName)
{
    TDeviceChooseDialog* Dialog = Area.DeviceDialog();
    if (!Dialog)
        return;
    if (Area.ActivePlugin() && ModuleName == Dialog->SelectedModule)
        return;
    if (Dialog->SelectByModuleName(ModuleName))
        Activate(ModuleName);
}

void TPluginHost::RunPendingAutoSelect()
{
    while (Activations == 0 && !PendingAutoSelect.isEmpty()) {
        const QString ModuleName = std::exchange(PendingAutoSelect, QString());
        if (Area.AutoSelectOn())
            AutoSelectModule(ModuleName);
    }
}

} // namespace ostan
