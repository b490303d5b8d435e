#include "AdapterOperations.h"

#include "MessageBox.h"
#include "Options.h"
#include "OstanMain.h"
#include "PortScanning.h"
#include "Startup.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QAction>
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

TAdapterOperations::TAdapterOperations(TMainForm& F, const TAdapterWaits& W) : Form(F), Waits(W)
{
    SetOstanBackSink(this);
}

TAdapterOperations::~TAdapterOperations()
{
    if (OstanBackSink() == this)
        SetOstanBackSink(nullptr);
}

void TAdapterOperations::SendPluginPacket(const TDynamicByteArray& Data) { Form.Link.SendPluginPacket(Data); }

bool LivePortIsAResult(int LivePort, bool SearchUnfinished, bool HeldStoredPort)
{
    return !SearchUnfinished && (LivePort != 0 || HeldStoredPort);
}

bool TAdapterOperations::LivePortIsAResult(int StoredPort) const
{
    return ostan::LivePortIsAResult(Form.VaComm1->PortNum(), Searching || SearchCutShort,
                                    PortsHeld.count(StoredPort) > 0);
}

bool TAdapterOperations::ProbeAdapter(int BaudCode)
{
    if (Form.VaComm1->PortNum() == 0 || EndRequested())
        return false;
    if (BaudCode != Form.VaComm1->Baudrate()) {
        if (Form.VaComm1->Active())
            Form.VaComm1->Close();
        Form.VaComm1->SetBaudrate(BaudCode);
    }
    if (!Form.VaComm1->Active()) {
        try {
            Form.VaComm1->Open();
        } catch (const std::exception&) {
            Form.VaComm1->SetPortNum(0);
            return false;
        }
    }
    PortsHeld.insert(Form.VaComm1->PortNum());
    Form.Link.SendProbe();
    const uint32_t wait = BaudCode == br115200 ? uint32_t(Form.DeviceActiveTimer.Interval()) : Waits.ProbeMs;
    PumpUntil([this] { return Form.Link.LinkUp || EndRequested(); }, wait);
    return Form.Link.LinkUp;
}

void TAdapterOperations::ScanPorts()
{
    TWindowBusy Busy(Form);
    TPortScanningForm& Progress = Busy.Progress();
    const QStringList ports = Form.OptionsDlg ? Form.OptionsDlg->ComPorts : QStringList();
    Searching = true;
    const struct TSearching {
        bool& On;
        ~TSearching() { On = false; }
    } InSearch{Searching};
    for (const QString& name : ports) {
        if (EndRequested()) {
            SearchCutShort = true;
            Form.VaComm1->Close();
            Form.VaComm1->SetPortNum(0);
            break;
        }
        try {
            const int n = PortNumberFromName(name);
            if (n == 0)
                throw SilentAbort{};
            Form.VaComm1->SetPortNum(n);
            Progress.SetText(QStringLiteral("Поиск ...   COM%1").arg(n));
            Progress.raise();
            if (!ProbeAdapter(br57600) && !ProbeAdapter(br115200))
                throw SilentAbort{};
        } catch (...) {
            Form.VaComm1->Close();
            Form.VaComm1->SetPortNum(0);
        }
        if (Form.Link.LinkUp)
            break;
    }
    // A request that came during the last port's probes.
    if (!Form.Link.LinkUp && EndRequested())
        SearchCutShort = true;
}

void TAdapterOperations::Search()
{
    Form.UnloadPlugin();
    {
        TWindowBusy Busy(Form, true, Form.AutoDetectDevice);
        SearchCutShort = false;
        Form.VaComm1->Close();
        Form.Link.ForgetAdapter();
        ScanPorts();
        // Cut short, the program is ending: no result to show.
        if (!SearchCutShort) {
            TPortScanningForm& Result = Busy.Result();
            if (Form.Link.LinkUp) {
                Result.SetTextColor(QColor(0, 128, 0));
                Result.SetText(QStringLiteral("Найден на COM%1 (%2)").arg(Form.VaComm1->PortNum()).arg(SpeedText(Form.VaComm1->Baudrate())));
            } else {
                Result.SetTextColor(QColor(255, 0, 0));
                Result.SetText(QStringLiteral("Адаптер не найден"));
            }
        }
        Form.Link.UpdateLinkState();
    }
    if (Form.Link.LinkUp)
        ClickToolButton(Form.AdpReset);
}

void TAdapterOperations::Reset()
{
    TWindowBusy Busy(Form, Form.isEnabled(), Form.AdpReset);
    TPortScanningForm& Progress = Busy.Progress();
    Progress.SetTextColor(QColor(0, 0, 255));
    Progress.SetText(QStringLiteral("Сброс адаптера..."));
    Progress.raise();
    Form.UnloadPlugin();
    Form.Link.SendReset();
    PumpUntil([this] { return Form.Link.AdapterFirmwareVersion != 0; }, Waits.ResetMs);
    if (Form.Link.AdapterFirmwareVersion != 0)
        Form.DeviceActiveTimer.Restart();
    else
        ShowMessageBox(MsgType::Error, QStringLiteral("Ошибка инициализации адаптера."));
}

void TAdapterOperations::ConnectOnStart()
{
    bool ok = false;
    {
        TWindowBusy Busy(Form);
        Busy.Progress().SetText(QStringLiteral("Подключение...   COM%1").arg(Form.VaComm1->PortNum()));
        ok = ProbeAdapter(Form.VaComm1->Baudrate());
    }
    ClickToolButton(ok ? Form.AdpReset : Form.AutoDetectDevice);
}

void TAdapterOperations::ShortCircuitReset()
{
    Form.Link.SendShortCircuitReset();
}

void TAdapterOperations::ShowFirmwareVersion()
{
    const TWindowBusy Busy(Form, Form.isEnabled());
    ProbeAdapter(Form.VaComm1->Baudrate());
    if (Form.Link.AdapterFirmwareVersion == 0)
        ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(QStringLiteral("не определена")));
    else
        ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(Form.Link.AdapterFirmwareVersion));
}

void TAdapterOperations::RestartDevice()
{
    Form.Link.SendRestart();
}

bool TAdapterOperations::SendAutoSwitchOff()
{
    return Form.Link.SendAutoSwitchOff();
}

} // namespace ostan
