#include "AdapterLink.h"

#include "Beep.h"
#include "MessageBox.h"
#include "Ticks.h"

namespace ostan {

namespace {

constexpr uint8_t HdrInit = 's';
constexpr uint8_t HdrEcho = 't';
constexpr uint8_t HdrStatus = 'b';
constexpr uint8_t HdrDeviceId = '7';
constexpr uint8_t HdrData = '_';

const char HexDigits[] = "0123456789ABCDEF";

} // namespace

TAdapterLink::TAdapterLink(ISerialPort& P, ILinkTimer& T, ILinkHost& H) : Port(P), Timer(T), Host(H)
{
    Timer.OnTimer = [this] { DeviceActiveTimerTimer(); };
}

uint8_t TAdapterLink::FrameBuffer(int Index) const
{
    return Index >= 1 && Index <= FrameBufferSize ? Buffer[size_t(Index)] : 0;
}

void TAdapterLink::SetFrameBuffer(int Index, uint8_t Value)
{
    if (Index >= 1 && Index <= FrameBufferSize)
        Buffer[size_t(Index)] = Value;
}

// ---- transmit ----

bool TAdapterLink::SendAdapterCommand(uint8_t PayloadLength, bool CheckAlive)
{
    if (CheckAlive && !LinkUp) {
        ShowMessageBox(MsgType::Information,
                       QStringLiteral("Адаптер не активен.\rДля отображеня данных необходимо подключить и\r"
                                      "инициализировать адаптер, а затем выбрать прибор."));
        return false;
    }
    if (!Port.Active()) {
        ShowMessageBox(MsgType::Error, QStringLiteral("Попытка записи в неоткрытый порт!\rОбратитесь к разработчику."));
        return false;
    }
    const int n = PayloadLength > MaxPayload ? MaxPayload : PayloadLength;
    Buffer[251] = 0x0D;
    Buffer[252] = 0x0A;
    Buffer[254] = uint8_t(Buffer[251] ^ Buffer[252] ^ Buffer[TxCodeIndex]);
    bool ok = Port.WriteBuf(&Buffer[251], 4) == 4;
    if (n >= 2 && ok) {
        uint8_t check = 0;
        for (int i = 0; i < n - 1; ++i)
            check ^= Buffer[size_t(TxPayloadIndex + i)];
        Buffer[size_t(TxPayloadIndex + n - 1)] = check;
        ok = Port.WriteBuf(&Buffer[TxPayloadIndex], n) == n;
    }
    if (!ok && !WriteErrorBoxOpen) {
        // A failure repeated while the box is open (a plug-in timer, say)
        // must not stack a second box.
        WriteErrorBoxOpen = true;
        ShowMessageBox(MsgType::Error, QStringLiteral("Ошибка записи в порт.\rОбратитесь к разработчику."));
        WriteErrorBoxOpen = false;
    }
    return ok;
}

bool TAdapterLink::SendCommand(uint8_t Code, bool CheckAlive)
{
    Buffer[TxCodeIndex] = Code;
    return SendAdapterCommand(0, CheckAlive);
}

bool TAdapterLink::SendPluginPacket(const TDynamicByteArray& Data)
{
    if (Data.Length() > MaxPayload)
        return false; // would run past the transmit half: nothing is sent
    Buffer[TxCodeIndex] = 0x01;
    for (int i = 0; i < Data.Length(); ++i)
        Buffer[size_t(TxPayloadIndex + i)] = Data[i];
    return SendAdapterCommand(uint8_t(Data.Length()), true);
}

// ---- receive ----

void TAdapterLink::VaComm1RxChar()
{
    const QByteArray text = Port.ReadText();
    if (text.isEmpty())
        return;
    // One queue for all calls: a call nested inside a box opened from here
    // appends its bytes behind the ones still waiting and goes on from the
    // head, so the bytes are always handled in the order they arrived.
    if (RxQueueHead >= RxQueue.size()) {
        RxQueue.clear();
        RxQueueHead = 0;
    }
    RxQueue.append(text);
    try {
        while (RxQueueHead < RxQueue.size()) {
            const uint8_t b = uint8_t(RxQueue[RxQueueHead++]);
            FeedByte(b);
        }
    } catch (...) {
        RxQueue.clear(); // the bytes not handled yet are lost with the program
        RxQueueHead = 0;
        throw;
    }
    RxQueue.clear();
    RxQueueHead = 0;
}

void TAdapterLink::FeedByte(uint8_t b)
{
    if (Host.LogExists()) {
        const char hex[4] = {HexDigits[b >> 4], HexDigits[b & 0x0F], '.', 0};
        Host.AddLogText(QString::fromLatin1(hex, 3), true);
    }
    if (RxCount >= RxFrameSize) {
        // Never store past the receive half, whatever the packet length says.
        RxCount = 0;
        Synced = false;
    }
    ++RxCount;
    Buffer[size_t(RxCount)] = b;
    if (RxCount == 1) {
        const bool always = b == HdrStatus || b == HdrInit || b == HdrEcho;
        const bool synced = Synced && (b == HdrDeviceId || b == HdrData);
        if (!always && !synced) {
            RxCount = 0;
            return;
        }
    }
    const uint8_t header = Buffer[1];
    auto xor3 = [this] { return uint8_t(Buffer[1] ^ Buffer[2] ^ Buffer[3]); };

    if (RxCount == 3 && (header == HdrInit || header == HdrEcho)) {
        RxCount = 0;
        Synced = false;
        if (xor3() == 0) {
            Synced = true;
            LogLabel(header == HdrInit ? QStringLiteral("(Init)") : QStringLiteral("(Echo)"));
            AdapterFirmwareVersion = Buffer[2];
            MarkLinkActive();
        }
    }
    if (RxCount == 3 && header == HdrStatus) {
        RxCount = 0;
        Synced = false;
        if (xor3() == 0) {
            Synced = true;
            LogLabel(QStringLiteral("(Status)"));
            ShowAdapterStatus(Buffer[2]);
        }
        MarkLinkActive();
    }
    if (RxCount == 7 && header == HdrDeviceId) {
        RxCount = 0;
        Synced = false;
        uint8_t x = 0;
        for (int i = 2; i <= 7; ++i)
            x ^= Buffer[size_t(i)];
        if (x == 0) {
            Synced = true;
            LogLabel(QStringLiteral("(Device ID)"));
            if (Host.AutoSelectOn())
                Host.AutoSelectByDeviceId();
        }
    }
    if (RxCount >= 1 && RxCount >= PacketLength && header == HdrData) {
        const int length = RxCount; // PacketLength, or 1 when it is below 1
        RxCount = 0;
        Synced = false;
        if (Host.PluginActive()) {
            RxPacket.SetLength(length);
            for (int i = 0; i < length; ++i)
                RxPacket[i] = Buffer[size_t(i + 1)];
            Synced = Host.ReceivePacket(RxPacket);
        }
        SetIndicator(0, Synced ? 1 : 0, Label2, IndicatorColor::Yellow);
        Host.LinkViewChanged();
        if (Synced) {
            MarkLinkActive();
            LogLabel(QStringLiteral("(Data)"));
            if (Host.SoundOn())
                DataBeep(400, 20);
        }
    }
}

void TAdapterLink::LogLabel(const QString& Label)
{
    if (Host.LogExists())
        Host.AddLogText(Label, false);
}

// ---- supervision ----

void TAdapterLink::MarkLinkActive()
{
    ProgressPosition = ProgressPosition >= 10 ? 0 : ProgressPosition + 1;
    NoActivity = false;
    Timer.Restart();
    if (!LinkUp) {
        LinkUp = true;
        UpdateLinkState();
    } else {
        Host.LinkViewChanged();
    }
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
    RxCount = 0; // drops a partly received frame
}

void TAdapterLink::UpdateLinkState()
{
    if (LinkUp) {
        StatusPanelText = QStringLiteral("COM%1").arg(Port.PortNum());
    } else {
        StatusPanelText = QStringLiteral("Нет связи");
        ResetIndicators();
    }
    AdpResetEnabled = LinkUp;
    KZResetEnabled = LinkUp && Indicators[labKZ].Enabled;
    FirmwareVersionEnabled = LinkUp;
    Host.LinkViewChanged();
}

void TAdapterLink::SetIndicator(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color)
{
    IndicatorState& s = Indicators[size_t(Lbl)];
    if ((Value & Mask) == Mask)
        s = {true, Color};
    else
        s = {false, IndicatorColor::ButtonFace};
}

void TAdapterLink::ShowAdapterStatus(uint8_t Status)
{
    SetIndicator(uint8_t(~Status), 0x01, Label9, IndicatorColor::Lime);
    if (Indicators[Label9].Color != IndicatorColor::Lime)
        SetIndicator(0, 0x01, Label2, IndicatorColor::Yellow);
    SetIndicator(Status, 0x04, labKZ, IndicatorColor::Red);
    KZResetEnabled = Indicators[labKZ].Enabled;
    SetIndicator(Status, 0x20, Label5, IndicatorColor::Lime);
    SetIndicator(uint8_t(Status ^ 0x20), 0x20, Label6, IndicatorColor::Lime);
    SetIndicator(Status, 0x40, Label7, IndicatorColor::Red);
    PowerOn = (Status & 0x08) == 0x08;
    Host.LinkViewChanged();
    if (!PowerOn && AdapterFirmwareVersion >= 25 && Host.PluginActive() && TicksSince(PluginSelectTime) > 50) {
        Host.UnloadPlugin();
        if (Port.ReadBufUsed() > 0)
            MessageBeep(0);
        ShowMessageBox(MsgType::Information,
                       QStringLiteral("Питание адатпера было отключено.\rНеобходимо заново выбрать прибор."));
    }
}

void TAdapterLink::ResetIndicators()
{
    ShowAdapterStatus(0x09);
    SetIndicator(0, 0x01, Label5, IndicatorColor::Lime);
    SetIndicator(0, 0x01, Label6, IndicatorColor::Lime);
    Host.LinkViewChanged();
}

} // namespace ostan
