#include "AdapterOperations.h"

#include "AdapterLink.h"
#include "MessageBox.h"
#include "PortScanning.h"
#include "Startup.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QAction>
#include <QScopedValueRollback>
#include <algorithm>
#include <memory>
#include <optional>

namespace ostan {

namespace {

// The silent abort of one port's attempt in the search.
struct SilentAbort {};

void ClickToolButton(QAction* Action)
{
    // A tool button's click runs its action whenever the action is enabled,
    // also while the window itself is disabled.
    if (Action->isEnabled())
        Action->trigger();
}

// The window busy with an operation for the guard's lifetime: disabled when
// asked, with a progress window once one is shown. On every exit, an
// exception's included, the progress window goes, the window's enabled state
// is set back and the operation's action is unchecked.
class TWindowBusy {
public:
    // Leaves the window's enabled state as it is.
    explicit TWindowBusy(QWidget& Window) : Window(Window) {}
    // Disables the window; at the end it is enabled as EnabledAfter, and
    // Action, when given, unchecked.
    TWindowBusy(QWidget& Window, bool EnabledAfter, QAction* Action = nullptr)
        : Window(Window), EnabledAfter(EnabledAfter), Action(Action)
    {
        Window.setEnabled(false);
    }
    ~TWindowBusy()
    {
        if (ProgressWindow && ShowsResult) {
            // The result stays for its minimum time; the window then deletes itself.
            TPortScanningForm* Result = ProgressWindow.release();
            Result->CloseWhenDone();
        }
        ProgressWindow.reset();
        if (EnabledAfter)
            Window.setEnabled(*EnabledAfter);
        if (Action)
            Action->setChecked(false);
    }
    TWindowBusy(const TWindowBusy&) = delete;
    TWindowBusy& operator=(const TWindowBusy&) = delete;

    // The progress window, created on first use.
    TPortScanningForm& Progress()
    {
        if (!ProgressWindow)
            ProgressWindow = std::make_unique<TPortScanningForm>(&Window);
        return *ProgressWindow;
    }
    // The progress window, created now, shows the operation's result.
    TPortScanningForm& Result()
    {
        ShowsResult = true;
        return Progress();
    }

private:
    QWidget& Window;
    std::optional<bool> EnabledAfter;
    QAction* Action = nullptr;
    std::unique_ptr<TPortScanningForm> ProgressWindow;
    bool ShowsResult = false;
};

} // namespace

int PortNumberFromName(const QString& Name)
{
    if (Name.left(3).toUpper() != QLatin1String("COM"))
        return 0;
    bool ok = false;
    const int n = Name.mid(3).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

QString SpeedText(int BaudCode)
{
    switch (BaudCode) {
    case br19200: return QStringLiteral("19.2");
    case br38400: return QStringLiteral("38.4");
    case br57600: return QStringLiteral("57.6");
    case br115200: return QStringLiteral("115.2");
    default: return QString();
    }
}

TAdapterOperations::TAdapterOperations(IAdapterHost& H, const TAdapterWaits& W) : Host(H), Waits(W)
{
    SetOstanBackSink(this);
}

TAdapterOperations::~TAdapterOperations()
{
    if (OstanBackSink() == this)
        SetOstanBackSink(nullptr);
}

void TAdapterOperations::SendPluginPacket(const TDynamicByteArray& Data) { Link().Writer().SendPluginPacket(Data); }

bool TAdapterOperations::LivePortIsAResult(int StoredPort) const
{
    return !(Searching || SearchCutShort) && (Comm().PortNum() != 0 || PortsHeld.count(StoredPort) > 0);
}

bool TAdapterOperations::ProbeAdapter(int BaudCode)
{
    if (Comm().PortNum() == 0 || EndRequested())
        return false;
    if (BaudCode != Comm().Baudrate()) {
        if (Comm().Active())
            Comm().Close();
        Comm().SetBaudrate(BaudCode);
    }
    if (!Comm().Active()) {
        try {
            Comm().Open();
        } catch (const std::exception& e) {
            // Noted for the search's result; both speeds of a port fail alike.
            const auto* refused = dynamic_cast<const EVaCommError*>(&e);
            const int port = Comm().PortNum();
            if (refused && !refused->Device.isEmpty()
                && std::none_of(Unopened.begin(), Unopened.end(), [&](const TUnopenedPort& p) { return p.Port == port; }))
                Unopened.push_back({port, refused->Device, refused->Errno, QString::fromStdString(refused->what())});
            Comm().SetPortNum(0);
            return false;
        }
    }
    PortsHeld.insert(Comm().PortNum());
    Link().SendProbe();
    const uint32_t wait = BaudCode == br115200 ? uint32_t(Host.SupervisionTimer().Interval()) : Waits.ProbeMs;
    PumpUntil([this] { return Link().Supervisor().LinkUp() || EndRequested(); }, wait);
    return Link().Supervisor().LinkUp();
}

void TAdapterOperations::ScanPorts()
{
    TWindowBusy Busy(Host.MainWindow());
    TPortScanningForm& Progress = Busy.Progress();
    const QStringList ports = Host.SearchPorts();
    const QScopedValueRollback<bool> InSearch(Searching, true);
    Unopened.clear();
    for (const QString& name : ports) {
        if (EndRequested()) {
            SearchCutShort = true;
            Comm().Close();
            Comm().SetPortNum(0);
            break;
        }
        try {
            const int n = PortNumberFromName(name);
            if (n == 0)
                throw SilentAbort{};
            Comm().SetPortNum(n);
            Progress.SetText(QStringLiteral("Поиск ...   COM%1").arg(n));
            Progress.raise();
            if (!ProbeAdapter(br57600) && !ProbeAdapter(br115200))
                throw SilentAbort{};
        } catch (...) {
            Comm().Close();
            Comm().SetPortNum(0);
        }
        if (Link().Supervisor().LinkUp())
            break;
    }
    // A request that came during the last port's probes.
    if (!Link().Supervisor().LinkUp() && EndRequested())
        SearchCutShort = true;
}

void TAdapterOperations::Search()
{
    Host.UnloadPlugin();
    {
        TWindowBusy Busy(Host.MainWindow(), true, &Host.SearchAction());
        SearchCutShort = false;
        Comm().Close();
        Link().ForgetAdapter();
        ScanPorts();
        // Cut short, the program is ending: no result to show.
        if (!SearchCutShort) {
            TPortScanningForm& Result = Busy.Result();
            if (Link().Supervisor().LinkUp()) {
                Result.SetTextColor(QColor(0, 128, 0));
                Result.SetText(QStringLiteral("Найден на COM%1 (%2)").arg(Comm().PortNum()).arg(SpeedText(Comm().Baudrate())));
            } else {
                Result.SetTextColor(QColor(255, 0, 0));
                Result.SetText(QStringLiteral("Адаптер не найден"));
                Result.SetDetails(UnopenedPortsText(Unopened));
            }
        }
        Link().UpdateLinkState();
    }
    if (Link().Supervisor().LinkUp())
        ClickToolButton(&Host.ResetAction());
}

void TAdapterOperations::Reset()
{
    TWindowBusy Busy(Host.MainWindow(), Host.MainWindow().isEnabled(), &Host.ResetAction());
    TPortScanningForm& Progress = Busy.Progress();
    Progress.SetTextColor(QColor(0, 0, 255));
    Progress.SetText(QStringLiteral("Сброс адаптера..."));
    Progress.raise();
    Host.UnloadPlugin();
    Link().SendReset();
    PumpUntil([this] { return Link().Receiver().AdapterFirmwareVersion() != 0; }, Waits.ResetMs);
    if (Link().Receiver().AdapterFirmwareVersion() != 0)
        Host.SupervisionTimer().Restart();
    else
        ShowMessageBox(MsgType::Error, QStringLiteral("Ошибка инициализации адаптера."));
}

void TAdapterOperations::ConnectOnStart()
{
    bool ok = false;
    {
        TWindowBusy Busy(Host.MainWindow());
        Busy.Progress().SetText(QStringLiteral("Подключение...   COM%1").arg(Comm().PortNum()));
        ok = ProbeAdapter(Comm().Baudrate());
    }
    ClickToolButton(ok ? &Host.ResetAction() : &Host.SearchAction());
}

void TAdapterOperations::ShortCircuitReset()
{
    Link().SendShortCircuitReset();
}

void TAdapterOperations::ShowFirmwareVersion()
{
    const TWindowBusy Busy(Host.MainWindow(), Host.MainWindow().isEnabled());
    ProbeAdapter(Comm().Baudrate());
    if (Link().Receiver().AdapterFirmwareVersion() == 0)
        ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(QStringLiteral("не определена")));
    else
        ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(Link().Receiver().AdapterFirmwareVersion()));
}

void TAdapterOperations::RestartDevice()
{
    Link().SendRestart();
}

bool TAdapterOperations::SendAutoSwitchOff()
{
    return Link().SendAutoSwitchOff();
}

} // namespace ostan
