#include "AdapterLink.h"

#include "AdapterProtocol.h"
#include "Beep.h"
#include "MessageBox.h"
#include "Ticks.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace ostan {

namespace {

using namespace adapter;

constexpr int RestartMinFirmware = 9;
constexpr int AutoSwitchMinFirmware = 26;

const QString& TextPowerLost()
{
    static const QString t = QStringLiteral("Питание адатпера было отключено.\rНеобходимо заново выбрать прибор.");
    return t;
}

QString HexByte(uint8_t B)
{
    static const char digits[] = "0123456789ABCDEF";
    const QChar text[3] = {QLatin1Char(digits[B >> 4]), QLatin1Char(digits[B & 0x0F]), QLatin1Char('.')};
    return QString(text, 3);
}

} // namespace

TAdapterLink::TAdapterLink(ISerialPort& P, ILinkTimer& T, ILinkHost& H)
    : Port(P), Timer(T), Host(H), Supervision(T), Tx(P, Supervision)
{
    Timer.OnTimer = [this] { DeviceActiveTimerTimer(); };
}

TAdapterLink::~TAdapterLink() { Timer.OnTimer = nullptr; }

uint8_t TAdapterLink::FrameBuffer(int Index) const
{
    return Index <= TAdapterReceiver::RxFrameSize ? Rx.RxFrame(Index) : Tx.TxByte(Index - TAdapterReceiver::RxFrameSize);
}

// ---- commands ----

void TAdapterLink::SendProbe()
{
    Tx.SendCommand(CmdProbe, false);
    Tx.SendCommand(CmdProbe, false);
    Supervision.ProbeSent();
}

void TAdapterLink::SendReset()
{
    ResetIndicators();
    Tx.SendCommand(CmdReset, true);
    Rx.DropFrame();
    Rx.ForgetFirmware();
}

void TAdapterLink::SendShortCircuitReset()
{
    Tx.SendCommand(CmdShortCircuitReset, true);
    FView.KZResetEnabled = false;
    Host.LinkViewChanged();
}

void TAdapterLink::SendRestart()
{
    if (Rx.AdapterFirmwareVersion() >= RestartMinFirmware && Supervision.LinkUp()) {
        Tx.SendCommand(CmdRestart, true);
        Rx.DropFrame();
        if (Rx.AdapterFirmwareVersion() >= AutoSwitchMinFirmware)
            Tx.SendCommand(CmdRestartStep2, true);
    }
}

bool TAdapterLink::SendAutoSwitchOff()
{
    if (Rx.AdapterFirmwareVersion() >= AutoSwitchMinFirmware && Supervision.LinkUp())
        return Tx.SendCommand(CmdAutoSwitchOff, true);
    return false;
}

void TAdapterLink::SelectDevice(int Length, uint8_t Code)
{
    Rx.SetPacketLength(Length);
    Tx.SetCommandCode(CmdSelect);
    Tx.SetPayloadByte(1, Code);
    Tx.SendAdapterCommand(SelectPayloadLength, true);
    Supervision.PluginSelected(GetTickCount());
}

void TAdapterLink::ForgetAdapter()
{
    Rx.SetPacketLength(StartupPacketLength);
    Supervision.Forget();
    UpdateLinkState();
}

// ---- receive ----

void TAdapterLink::VaComm1RxChar()
{
    QByteArray text = Port.ReadText();
    if (text.isEmpty())
        return;
    // One queue for all calls: a call entered again from a box opened below
    // appends its read and goes on from the head, so no byte overtakes an
    // earlier one; the outer call then finds what is left, maybe nothing.
    if (RxQueueHead >= RxQueue.size()) {
        RxQueue = std::move(text);
        RxQueueHead = 0;
    } else {
        RxQueue.append(text);
    }
    try {
        while (RxQueueHead < RxQueue.size()) {
            const uint8_t b = static_cast<uint8_t>(RxQueue.at(RxQueueHead));
            ++RxQueueHead;
            RxByte(b);
        }
    } catch (...) {
        // The program is on its way to the exception handler, which ends it;
        // the bytes not handled are dropped.
        RxQueue.clear();
        RxQueueHead = 0;
        throw;
    }
    RxQueue.clear();
    RxQueueHead = 0;
}

void TAdapterLink::Log(const QString& Label)
{
    if (Host.LogExists())
        Host.AddLogText(Label, false);
}

void TAdapterLink::RxByte(uint8_t B)
{
    if (Host.LogExists())
        Host.AddLogText(HexByte(B), true);

    const TRxFrame frame = Rx.Feed(B);
    switch (frame.Type) {
    case TRxFrame::None:
        return;
    case TRxFrame::Init:
    case TRxFrame::Echo:
        if (frame.CheckOk) {
            Log(frame.Type == TRxFrame::Init ? QStringLiteral("(Init)") : QStringLiteral("(Echo)"));
            MarkLinkActive();
        }
        return;
    case TRxFrame::Status:
        if (frame.CheckOk) {
            Log(QStringLiteral("(Status)"));
            ShowAdapterStatus(frame.Value);
        }
        MarkLinkActive(); // a status frame counts as activity even with a bad check
        return;
    case TRxFrame::DeviceId:
        if (frame.CheckOk) {
            Log(QStringLiteral("(Device ID)"));
            if (Host.AutoSelectOn())
                Host.AutoSelectByDeviceId();
        }
        return;
    case TRxFrame::Data:
        DataFrameComplete();
        return;
    }
}

void TAdapterLink::DataFrameComplete()
{
    if (Host.PluginActive()) {
        // A data frame that completes inside a nested call while the outer
        // plug-in call still reads RxPacket gets its own copy.
        TDynamicByteArray own;
        TDynamicByteArray& packet = RxPacketLent ? own : FRxPacket;
        const std::span<const uint8_t> frame = Rx.DataFrame();
        packet.SetLength(static_cast<int>(frame.size()));
        std::copy(frame.begin(), frame.end(), packet.Bytes());
        if (&packet == &FRxPacket) {
            const QScopedValueRollback<bool> lent(RxPacketLent, true);
            Rx.DataJudged(Host.ReceivePacket(packet));
        } else {
            Rx.DataJudged(Host.ReceivePacket(packet));
        }
    }
    const bool accepted = Rx.Synced();
    SetIndicator(0, accepted ? 1 : 0, Label2, IndicatorColor::Yellow);
    if (accepted) {
        MarkLinkActive();
        Log(QStringLiteral("(Data)"));
        if (Host.SoundOn())
            DataBeep(400, 20);
    }
}

// ---- supervision ----

void TAdapterLink::MarkLinkActive()
{
    if (Supervision.MarkLinkActive())
        UpdateLinkState(); // tells the host
    else
        Host.LinkViewChanged();
}

void TAdapterLink::PortHungUp()
{
    Supervision.PortHungUp();
    Rx.Unsync();
    UpdateLinkState();
}

void TAdapterLink::DeviceActiveTimerTimer()
{
    if (Supervision.TimerTick())
        UpdateLinkState();
    else
        Rx.DropFrame();
}

void TAdapterLink::UpdateLinkState()
{
    const bool up = Supervision.LinkUp();
    if (up) {
        FView.StatusPanelText = QStringLiteral("COM") + QString::number(Port.PortNum());
    } else {
        FView.StatusPanelText = QStringLiteral("Нет связи");
        ResetIndicators();
    }
    FView.AdpResetEnabled = up;
    FView.KZResetEnabled = up && FView.Indicators[labKZ].Enabled;
    FView.FirmwareVersionEnabled = up;
    Host.LinkViewChanged();
}

// ---- indicators ----

void TAdapterLink::ShowAdapterStatus(uint8_t Status)
{
    Light(static_cast<uint8_t>(~Status), StatusNoReception, Label9, IndicatorColor::Lime);
    if (FView.Indicators[Label9].Color != IndicatorColor::Lime)
        Light(0, 0x01, Label2, IndicatorColor::Yellow);
    Light(Status, StatusShortCircuit, labKZ, IndicatorColor::Red);
    FView.KZResetEnabled = FView.Indicators[labKZ].Enabled;
    Light(Status, StatusSensorBlock, Label5, IndicatorColor::Lime);
    Light(Status ^ StatusSensorBlock, StatusSensorBlock, Label6, IndicatorColor::Lime);
    Light(Status, StatusOverflow, Label7, IndicatorColor::Red);
    const bool powerLost = Supervision.NoteStatus(Status, Rx.AdapterFirmwareVersion(), Host.PluginActive());
    Host.LinkViewChanged();

    if (powerLost) {
        Host.UnloadPlugin();
        if (Port.ReadBufUsed() > 0)
            MessageBeep(0);
        ShowMessageBox(MsgType::Information, TextPowerLost());
    }
}

void TAdapterLink::Light(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color)
{
    IndicatorState& s = FView.Indicators[static_cast<size_t>(Lbl)];
    if ((Value & Mask) == Mask)
        s = {true, Color};
    else
        s = {false, IndicatorColor::ButtonFace};
}

void TAdapterLink::SetIndicator(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color)
{
    Light(Value, Mask, Lbl, Color);
    Host.LinkViewChanged();
}

void TAdapterLink::ResetIndicators()
{
    ShowAdapterStatus(StatusNoReception | StatusPower);
    Light(0, 0x01, Label5, IndicatorColor::Lime);
    Light(0, 0x01, Label6, IndicatorColor::Lime);
    Host.LinkViewChanged();
}

} // namespace ostan
