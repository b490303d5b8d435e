#include "PluginHost.h"

#include "AdapterProtocol.h"
#include "DeviceChooseDlg.h"
#include "OstanMain.h"

#include <QAction>
#include <QFrame>
#include <stdexcept>
#include <utility>

namespace ostan {

namespace {

// Frame lengths the receive machine can collect: the header and at least one
// byte, at most the receive frame.
constexpr int MinPacketLength = 2;
constexpr int MaxPacketLength = TAdapterLink::RxFrameSize;

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
    const ComPtr<IOstanPlugin> Plugin = Form.CurrentPlugin;
    return Plugin && Plugin->ReceivePacket(Packet);
}

void TPluginHost::Unload()
{
    PendingAutoSelect.clear(); // a device identifier seen before the unload is out of date
    Form.CurrentPlugin = nullptr;
    Form.FileSave1->setEnabled(false);
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
    ComPtr<IOstanPlugin>& Current = Form.CurrentPlugin;
    Current = Plugin; // the previous plug-in is destroyed here
    if (Current != Plugin)
        return;
    int32_t Length = 0;
    int32_t Code = 0;
    Plugin->Init(Form.PlugInPlaceholder, Length, Code);
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
    Form.Link.SelectDevice(Length, static_cast<uint8_t>(Code & 0xFF));
    Form.FileSave1->setEnabled(Form.ExcelAvailable);
}

void TPluginHost::FollowPanelMinimum()
{
    // The newest child is the panel Init made; one released before it may
    // still wait for its deletion.
    const QList<QWidget*> Children =
        Form.PlugInPlaceholder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    const QSize Panel = Children.isEmpty() ? QSize(0, 0) : Children.last()->minimumSize();
    // SetBounds leaves one pixel on each side.
    const QSize Place = Panel.isEmpty() ? QSize(0, 0) : Panel + QSize(2, 2);
    // What the window holds besides the placeholder (the adapter's panel,
    // menu, tool bar and status bar) keeps its size.
    const QSize Around = Form.size() - Form.PlugInPlaceholder->size();
    Form.PlugInPlaceholder->setMinimumSize(Place);
    const QSize Need = (Around + Place).expandedTo(TMainForm::DesignSize);
    Form.setMinimumSize(Need);
    if (Form.width() < Need.width() || Form.height() < Need.height())
        Form.resize(Form.size().expandedTo(Need));
}

void TPluginHost::Fit()
{
    if (const ComPtr<IOstanPlugin> Plugin = Form.CurrentPlugin)
        Plugin->SetBounds(1, 1, Form.PlugInPlaceholder->width() - 2, Form.PlugInPlaceholder->height() - 2);
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
    TDeviceChooseDialog* Dialog = Form.DeviceChooseDialog;
    if (!Dialog)
        return;
    if (Form.CurrentPlugin && ModuleName == Dialog->SelectedModule)
        return;
    if (Dialog->SelectByModuleName(ModuleName))
        Activate(ModuleName);
}

void TPluginHost::RunPendingAutoSelect()
{
    while (Activations == 0 && !PendingAutoSelect.isEmpty()) {
        const QString ModuleName = std::exchange(PendingAutoSelect, QString());
        if (Form.AutoSelectPlugin->isChecked())
            AutoSelectModule(ModuleName);
    }
}

} // namespace ostan
