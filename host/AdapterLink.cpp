#include "AdapterLink.h"

#include "AdapterProtocol.h"
#include "Beep.h"
#include "MessageBox.h"
#include "Ticks.h"

#include <algorithm>

namespace ostan {

namespace {

using namespace adapter;

constexpr int TxStart = 251;
constexpr int TxCheckIndex = 254;
constexpr int ProgressMax = 10;

constexpr int RestartMinFirmware = 9;
constexpr int PowerLossMinFirmware = 25;
constexpr int AutoSwitchMinFirmware = 26;
constexpr uint32_t PowerLossGraceMs = 50;

const QString& TextNotActive()
{
    static const QString t = QStringLiteral(
        "Адаптер не активен.\rДля отображеня данных необходимо подключить и\rинициализировать адаптер, а затем выбрать прибор.");
    return t;
}

const QString& TextPortNotOpen()
{
    static const QString t = QStringLiteral("Попытка записи в неоткрытый порт!\rОбратитесь к разработчику.");
    return t;
}

const QString& TextWriteError()
{
    static const QString t = QStringLiteral("Ошибка записи в порт.\rОбратитесь к разработчику.");
    return t;
}

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

// Sets a flag for the lifetime of the guard, also when an exception leaves.
class FlagGuard {
public:
    explicit FlagGuard(bool& F) : Flag(F) { Flag = true; }
    ~FlagGuard() { Flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& Flag;
};

} // namespace

TAdapterLink::TAdapterLink(ISerialPort& P, ILinkTimer& T, ILinkHost& H) : Port(P), Timer(T), Host(H)
{
    Timer.OnTimer = [this] { DeviceActiveTimerTimer(); };
}

TAdapterLink::~TAdapterLink() { Timer.OnTimer = nullptr; }

uint8_t TAdapterLink::FrameBuffer(int Index) const
{
    return Index >= 1 && Index <= FrameBufferSize ? Buffer[static_cast<size_t>(Index)] : 0;
}

void TAdapterLink::SetFrameBuffer(int Index, uint8_t Value)
{
    if (Index >= 1 && Index <= FrameBufferSize)
        Buffer[static_cast<size_t>(Index)] = Value;
}

// ---- transmit ----

bool TAdapterLink::ShowSendError(const QString& Text)
{
    // A plug-in timer may send again while the box is open; one box is enough.
    if (!WriteErrorBoxOpen) {
        FlagGuard open(WriteErrorBoxOpen);
        ShowMessageBox(MsgType::Error, Text);
    }
    return false;
}

bool TAdapterLink::SendAdapterCommand(uint8_t PayloadLength, bool CheckAlive)
{
    const int n = PayloadLength;
    if (n > MaxPayload)
        return false;
    if (CheckAlive && !LinkUp) {
        ShowMessageBox(MsgType::Information, TextNotActive());
        return false;
    }
    if (!Port.Active())
        return ShowSendError(TextPortNotOpen());

    Buffer[TxStart] = 0x0D;
    Buffer[TxStart + 1] = 0x0A;
    Buffer[TxCheckIndex] = Buffer[TxStart] ^ Buffer[TxStart + 1] ^ Buffer[TxCodeIndex];
    bool ok = Port.WriteBuf(&Buffer[TxStart], 4) == 4;
    if (n >= 2 && ok) {
        uint8_t check = 0;
        for (int i = 1; i < n; ++i)
            check ^= Buffer[static_cast<size_t>(TxCheckIndex + i)];
        Buffer[static_cast<size_t>(TxCheckIndex + n)] = check;
        ok = Port.WriteBuf(&Buffer[TxPayloadIndex], n) == n;
    }
    if (!ok)
        return ShowSendError(TextWriteError());
    return true;
}

bool TAdapterLink::SendCommand(uint8_t Code, bool CheckAlive)
{
    Buffer[TxCodeIndex] = Code;
    return SendAdapterCommand(0, CheckAlive);
}

bool TAdapterLink::SendPluginPacket(const TDynamicByteArray& Data)
{
    const int n = Data.Length();
    if (n > MaxPayload)
        return false;
    Buffer[TxCodeIndex] = CmdRelay;
    if (n > 0)
        std::copy_n(Data.Bytes(), n, &Buffer[TxPayloadIndex]);
    return SendAdapterCommand(static_cast<uint8_t>(n), true);
}

void TAdapterLink::SendProbe()
{
    SendCommand(CmdProbe, false);
    SendCommand(CmdProbe, false);
    Timer.Restart();
    LinkUp = false;
}

void TAdapterLink::SendReset()
{
    ResetIndicators();
    SendCommand(CmdReset, true);
    RxCount = 0;
    AdapterFirmwareVersion = 0;
}

void TAdapterLink::SendShortCircuitReset()
{
    SendCommand(CmdShortCircuitReset, true);
    KZResetEnabled = false;
    Host.LinkViewChanged();
}

void TAdapterLink::SendRestart()
{
    if (AdapterFirmwareVersion >= RestartMinFirmware && LinkUp) {
        SendCommand(CmdRestart, true);
        RxCount = 0;
        if (AdapterFirmwareVersion >= AutoSwitchMinFirmware)
            SendCommand(CmdRestartStep2, true);
    }
}

bool TAdapterLink::SendAutoSwitchOff()
{
    if (AdapterFirmwareVersion >= AutoSwitchMinFirmware && LinkUp)
        return SendCommand(CmdAutoSwitchOff, true);
    return false;
}

void TAdapterLink::SelectDevice(int Length, uint8_t Code)
{
    PacketLength = Length;
    Buffer[TxCodeIndex] = CmdSelect;
    Buffer[TxPayloadIndex] = Code;
    SendAdapterCommand(2, true);
    PluginSelectTime = GetTickCount();
}

void TAdapterLink::ForgetAdapter()
{
    PacketLength = 3;
    LinkUp = false;
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

void TAdapterLink::RxByte(uint8_t B)
{
    if (Host.LogExists())
        Host.AddLogText(HexByte(B), true);

    if (RxCount < 0 || RxCount >= RxFrameSize) {
        // A frame longer than RxFrame can hold (PacketLength above 250) is
        // dropped; this byte is a header candidate again.
        RxCount = 0;
        Synced = false;
    }
    ++RxCount;
    Buffer[static_cast<size_t>(RxCount)] = B;

    if (RxCount == 1) {
        const bool always = B == StatusHeader || B == InitHeader || B == EchoHeader;
        const bool whenSynced = B == DeviceIdHeader || B == DataHeader;
        if (!(always || (Synced && whenSynced))) {
            RxCount = 0;
            return;
        }
    }

    const uint8_t header = Buffer[1];
    if (RxCount == 3 && (header == InitHeader || header == EchoHeader)) {
        RxCount = 0;
        Synced = false;
        if ((Buffer[1] ^ Buffer[2] ^ Buffer[3]) == 0) {
            Synced = true;
            const uint8_t version = Buffer[2];
            if (Host.LogExists())
                Host.AddLogText(header == InitHeader ? QStringLiteral("(Init)") : QStringLiteral("(Echo)"), false);
            AdapterFirmwareVersion = version;
            MarkLinkActive();
        }
        return;
    }
    if (RxCount == 3 && header == StatusHeader) {
        RxCount = 0;
        Synced = false;
        if ((Buffer[1] ^ Buffer[2] ^ Buffer[3]) == 0) {
            Synced = true;
            const uint8_t status = Buffer[2];
            if (Host.LogExists())
                Host.AddLogText(QStringLiteral("(Status)"), false);
            ShowAdapterStatus(status);
        }
        MarkLinkActive();
        return;
    }
    if (RxCount == 7 && header == DeviceIdHeader) {
        RxCount = 0;
        Synced = false;
        if ((Buffer[2] ^ Buffer[3] ^ Buffer[4] ^ Buffer[5] ^ Buffer[6] ^ Buffer[7]) == 0) {
            Synced = true;
            if (Host.LogExists())
                Host.AddLogText(QStringLiteral("(Device ID)"), false);
            if (Host.AutoSelectOn())
                Host.AutoSelectByDeviceId();
        }
        return;
    }
    if (header == DataHeader && RxCount >= PacketLength)
        DataFrameComplete();
}

void TAdapterLink::DataFrameComplete()
{
    // PacketLength <= RxCount <= 250 here.
    const int length = std::max(PacketLength, 0);
    RxCount = 0;
    Synced = false;
    if (Host.PluginActive()) {
        // A data frame that completes inside a nested call while the outer
        // plug-in call still reads RxPacket gets its own copy.
        TDynamicByteArray own;
        TDynamicByteArray& packet = RxPacketLent ? own : RxPacket;
        packet.SetLength(length);
        if (length > 0)
            std::copy_n(&Buffer[1], length, packet.Bytes());
        if (&packet == &RxPacket) {
            FlagGuard lent(RxPacketLent);
            Synced = Host.ReceivePacket(packet);
        } else {
            Synced = Host.ReceivePacket(packet);
        }
    }
    SetIndicator(0, Synced ? 1 : 0, Label2, IndicatorColor::Yellow);
    if (Synced) {
        MarkLinkActive();
        if (Host.LogExists())
            Host.AddLogText(QStringLiteral("(Data)"), false);
        if (Host.SoundOn())
            DataBeep(400, 20);
    }
}

// ---- supervision ----

void TAdapterLink::MarkLinkActive()
{
    ProgressPosition = (ProgressPosition + 1) % (ProgressMax + 1);
    NoActivity = false;
    Timer.Restart();
    if (!LinkUp) {
        LinkUp = true;
        UpdateLinkState(); // tells the host
    } else {
        Host.LinkViewChanged();
    }
}

void TAdapterLink::PortHungUp()
{
    Timer.SetEnabled(false);
    RxCount = 0;
    Synced = false;
    NoActivity = false;
    LinkUp = false;
    UpdateLinkState();
}

void TAdapterLink::DeviceActiveTimerTimer()
{
    if (NoActivity) {
        Timer.SetEnabled(false);
        LinkUp = false;
        UpdateLinkState();
        return;
    }
    NoActivity = true;
    Timer.Restart();
    RxCount = 0;
}

void TAdapterLink::UpdateLinkState()
{
    if (LinkUp) {
        StatusPanelText = QStringLiteral("COM") + QString::number(Port.PortNum());
    } else {
        StatusPanelText = QStringLiteral("Нет связи");
        ResetIndicators();
    }
    AdpResetEnabled = LinkUp;
    KZResetEnabled = LinkUp && Indicators[labKZ].Enabled;
    FirmwareVersionEnabled = LinkUp;
    Host.LinkViewChanged();
}

void TAdapterLink::ShowAdapterStatus(uint8_t Status)
{
    Light(static_cast<uint8_t>(~Status), StatusNoReception, Label9, IndicatorColor::Lime);
    if (Indicators[Label9].Color != IndicatorColor::Lime)
        Light(0, 0x01, Label2, IndicatorColor::Yellow);
    Light(Status, StatusShortCircuit, labKZ, IndicatorColor::Red);
    KZResetEnabled = Indicators[labKZ].Enabled;
    Light(Status, StatusSensorBlock, Label5, IndicatorColor::Lime);
    Light(Status ^ StatusSensorBlock, StatusSensorBlock, Label6, IndicatorColor::Lime);
    Light(Status, StatusOverflow, Label7, IndicatorColor::Red);
    PowerOn = (Status & StatusPower) == StatusPower;
    Host.LinkViewChanged();

    if (!PowerOn && AdapterFirmwareVersion >= PowerLossMinFirmware && Host.PluginActive()
        && TicksSince(PluginSelectTime, GetTickCount()) > PowerLossGraceMs) {
        Host.UnloadPlugin();
        if (Port.ReadBufUsed() > 0)
            MessageBeep(0);
        ShowMessageBox(MsgType::Information, TextPowerLost());
    }
}

void TAdapterLink::Light(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color)
{
    IndicatorState& s = Indicators[static_cast<size_t>(Lbl)];
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
