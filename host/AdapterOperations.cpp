#include "AdapterOperations.h"

#include "MessageBox.h"
#include "Options.h"
#include "OstanMain.h"
#include "PortScanning.h"
#include "Startup.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QAction>

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

TAdapterOperations::TAdapterOperations(TMainForm& F) : Form(F) { SetOstanBackSink(this); }

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
    const uint32_t wait = BaudCode == br115200 ? uint32_t(Form.DeviceActiveTimer.Interval()) : TMainForm::Wait.ProbeMs;
    PumpUntil([this] { return Form.Link.LinkUp || EndRequested(); }, wait);
    return Form.Link.LinkUp;
}

void TAdapterOperations::ScanPorts()
{
    auto* form = new TPortScanningForm(&Form);
    const QStringList ports = Form.OptionsDlg ? Form.OptionsDlg->ComPorts : QStringList();
    Searching = true;
    try {
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
                form->SetText(QStringLiteral("Поиск ...   COM%1").arg(n));
                form->raise();
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
    } catch (...) {
        Searching = false;
        delete form;
        throw;
    }
    Searching = false;
    delete form;
}

void TAdapterOperations::Search()
{
    Form.UnloadPlugin();
    Form.setEnabled(false);
    TPortScanningForm* result = nullptr;
    std::exception_ptr failure;
    SearchCutShort = false;
    try {
        Form.VaComm1->Close();
        Form.Link.ForgetAdapter();
        ScanPorts();
        // Cut short, the program is ending: no result to show.
        if (!SearchCutShort) {
            result = new TPortScanningForm(&Form);
            if (Form.Link.LinkUp) {
                result->SetTextColor(QColor(0, 128, 0));
                result->SetText(QStringLiteral("Найден на COM%1 (%2)").arg(Form.VaComm1->PortNum()).arg(SpeedText(Form.VaComm1->Baudrate())));
            } else {
                result->SetTextColor(QColor(255, 0, 0));
                result->SetText(QStringLiteral("Адаптер не найден"));
            }
        }
        Form.Link.UpdateLinkState();
    } catch (...) {
        failure = std::current_exception();
    }
    if (result)
        result->CloseWhenDone();
    Form.setEnabled(true);
    Form.AutoDetectDevice->setChecked(false);
    if (failure)
        std::rethrow_exception(failure);
    if (Form.Link.LinkUp)
        ClickToolButton(Form.AdpReset);
}

void TAdapterOperations::Reset()
{
    const bool wasEnabled = Form.isEnabled();
    Form.setEnabled(false);
    auto* form = new TPortScanningForm(&Form);
    form->SetTextColor(QColor(0, 0, 255));
    form->SetText(QStringLiteral("Сброс адаптера..."));
    form->raise();
    std::exception_ptr failure;
    try {
        Form.UnloadPlugin();
        Form.Link.SendReset();
        PumpUntil([this] { return Form.Link.AdapterFirmwareVersion != 0; }, TMainForm::Wait.ResetMs);
        if (Form.Link.AdapterFirmwareVersion != 0)
            Form.DeviceActiveTimer.Restart();
        else
            ShowMessageBox(MsgType::Error, QStringLiteral("Ошибка инициализации адаптера."));
    } catch (...) {
        failure = std::current_exception();
    }
    delete form;
    Form.AdpReset->setChecked(false);
    Form.setEnabled(wasEnabled);
    if (failure)
        std::rethrow_exception(failure);
}

void TAdapterOperations::ConnectOnStart()
{
    bool ok = false;
    {
        auto* form = new TPortScanningForm(&Form);
        form->SetText(QStringLiteral("Подключение...   COM%1").arg(Form.VaComm1->PortNum()));
        try {
            ok = ProbeAdapter(Form.VaComm1->Baudrate());
        } catch (...) {
            delete form;
            throw;
        }
        delete form;
    }
    ClickToolButton(ok ? Form.AdpReset : Form.AutoDetectDevice);
}

void TAdapterOperations::ShortCircuitReset()
{
    Form.Link.SendShortCircuitReset();
}

void TAdapterOperations::ShowFirmwareVersion()
{
    const bool wasEnabled = Form.isEnabled();
    Form.setEnabled(false);
    try {
        ProbeAdapter(Form.VaComm1->Baudrate());
        if (Form.Link.AdapterFirmwareVersion == 0)
            ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(QStringLiteral("не определена")));
        else
            ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: %1").arg(Form.Link.AdapterFirmwareVersion));
    } catch (...) {
        Form.setEnabled(wasEnabled);
        throw;
    }
    Form.setEnabled(wasEnabled);
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
