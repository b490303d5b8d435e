#include "AdapterEmulator.h"

#include "PortMapping.h"
#include "Ticks.h"

#include <QDateTime>
#include <QSocketNotifier>

namespace adapteremu {

AdapterEmulator::AdapterEmulator(EmulatorConfig Config, QObject* Parent)
    : QObject(Parent), Cfg(std::move(Config))
{
    if (!SetDevice(Cfg.Device))
        SetDevice(QLatin1String(DefaultDevice));
    Parser.SetDefaultRelayLength(Cfg.DefaultRelayLength);
    Parser.SetRelayLengthFromSelect(Cfg.RelayLengthFromSelect);
    StatusTimer.setTimerType(Qt::PreciseTimer);
    StreamTimer.setTimerType(Qt::PreciseTimer);
    AnnounceTimer.setSingleShot(true);
    AnnounceTimer.setInterval(AnnounceDelayMs);
    connect(&StatusTimer, &QTimer::timeout, this, &AdapterEmulator::StatusTick);
    connect(&StreamTimer, &QTimer::timeout, this, &AdapterEmulator::StreamTick);
    connect(&AnnounceTimer, &QTimer::timeout, this, &AdapterEmulator::Announce);
}

AdapterEmulator::~AdapterEmulator() { Stop(); }

QString AdapterEmulator::ComPortName() const { return ComName(Cfg.PortNum); }

bool AdapterEmulator::SpeedMatches() const { return Pty.IsOpen() && LineBaud() == Cfg.Baud; }

bool AdapterEmulator::CanTalk() const { return !Silent && SpeedMatches(); }

uint8_t AdapterEmulator::EffectiveStatus() const
{
    return PowerOn ? Cfg.Status : static_cast<uint8_t>(Cfg.Status & ~StatusPower);
}

bool AdapterEmulator::Start(QString* Error)
{
    if (Pty.IsOpen())
        return true;
    if (!OpenTerminal(Error))
        return false;
    SetStatusPeriod(Cfg.StatusPeriodMs);
    return true;
}

bool AdapterEmulator::OpenTerminal(QString* Error)
{
    if (!Pty.Open(Error))
        return false;
    Slave = Pty.SlavePath();
    ++Generation;
    if (Cfg.MapPort) {
        QString why;
        if (!MapPort(Slave, Cfg.PortNum, &why)) {
            if (Error)
                *Error = QStringLiteral("cannot map %1 to %2: %3").arg(Slave, ComPortName(), why);
            Pty.Close();
            return false;
        }
        MappedNow = true;
    }
    Notifier = std::make_unique<QSocketNotifier>(Pty.MasterFd(), QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &AdapterEmulator::OnReadable);
    HungUp = false;
    emit Mapped(Slave, ComPortName());
    return true;
}

void AdapterEmulator::CloseTerminal()
{
    Notifier.reset();
    if (MappedNow) {
        UnmapPort(Slave);
        MappedNow = false;
    }
    Pty.Close();
    ++Generation;
}

void AdapterEmulator::Stop()
{
    StatusTimer.stop();
    StreamTimer.stop();
    AnnounceTimer.stop();
    CloseTerminal();
}

void AdapterEmulator::SetStatusPeriod(int Ms)
{
    Cfg.StatusPeriodMs = Ms;
    if (Ms > 0) {
        StatusTimer.start(Ms);
    } else {
        StatusTimer.stop();
    }
}

void AdapterEmulator::SetDefaultRelayLength(int Length)
{
    Cfg.DefaultRelayLength = Length;
    Parser.SetDefaultRelayLength(Length);
}

void AdapterEmulator::SetRelayLengthFromSelect(bool On)
{
    Cfg.RelayLengthFromSelect = On;
    Parser.SetRelayLengthFromSelect(On);
    if (!On)
        Parser.ForgetSelect();
}

void AdapterEmulator::SetStreamOnSelect(int PeriodMs, QByteArray Frame)
{
    Cfg.StreamOnSelectMs = PeriodMs;
    Cfg.StreamFrame = std::move(Frame);
}

bool AdapterEmulator::SetDevice(const QString& Library)
{
    const EmulatedDevice* D = FindDevice(Library);
    if (!D)
        return false;
    FDevice = D;
    Cfg.Device = QLatin1String(D->Library);
    if (D->Kind == DeviceKind::SensorBlock)
        Cfg.Status |= StatusSensorBlock;
    else
        Cfg.Status &= static_cast<uint8_t>(~StatusSensorBlock);
    return true;
}

void AdapterEmulator::SetPower(bool On)
{
    PowerOn = On;
    if (!On) {
        StreamTimer.stop();
        AnnounceTimer.stop();
    }
}

void AdapterEmulator::Hangup()
{
    if (!Pty.IsOpen())
        return;
    StreamTimer.stop();
    AnnounceTimer.stop();
    CloseTerminal();
    HungUp = true;
    emit HungUpNow();
}

bool AdapterEmulator::Resume(QString* Error)
{
    Silent = false;
    PowerOn = true;
    if (HungUp && !OpenTerminal(Error))
        return false;
    return true;
}

void AdapterEmulator::OnReadable()
{
    bool hungUp = false;
    const QByteArray bytes = Pty.ReadAll(&hungUp);
    if (hungUp && Notifier) {
        // Cannot happen while the slave is held open here; should it, a
        // readable-forever descriptor must not spin the loop.
        Notifier->setEnabled(false);
    }
    if (bytes.isEmpty())
        return;
    Raw.append(bytes);
    const int baud = LineBaud();
    for (ParserEvent& e : Parser.Feed(bytes)) {
        if (e.Type == ParserEvent::Junk) {
            emit JunkReceived(e.Bytes);
            continue;
        }
        if (baud != Cfg.Baud) {
            emit CommandIgnored(e.Cmd.Code, baud);
            continue;
        }
        ReceivedCommand r;
        r.Code = e.Cmd.Code;
        r.Payload = e.Cmd.Payload;
        r.TrailerOk = e.Cmd.TrailerOk;
        r.Tick = ostan::GetTickCount();
        Received.push_back(r);
        emit CommandReceived(r);
        Handle(e.Cmd);
        if (!Pty.IsOpen())
            return; // a slot hung up or stopped the emulator
    }
}

void AdapterEmulator::Answer(const QByteArray& Frame)
{
    if (!Silent)
        SendRaw(Frame);
}

void AdapterEmulator::Handle(const ParsedCommand& Cmd)
{
    switch (Cmd.Code) {
    case CmdProbe:
        Answer(MakeEchoFrame(Cfg.Firmware));
        break;
    case CmdReset:
        // The adapter starts afresh: no stream until the next select. A
        // meter tells the restarted adapter who it is.
        StreamTimer.stop();
        Answer(MakeInitFrame(Cfg.Firmware));
        if (Announces())
            AnnounceTimer.start();
        break;
    case CmdShortCircuitReset:
        Cfg.Status &= static_cast<uint8_t>(~StatusShortCircuit);
        break;
    case CmdSelect:
        if (Cfg.StreamOnSelectMs != 0 && PowerOn)
            StartStream(Cfg.StreamOnSelectMs, Cfg.StreamFrame);
        break;
    default:
        break; // recorded only
    }
}

int AdapterEmulator::SendRaw(const QByteArray& Bytes)
{
    const int n = Pty.Write(Bytes);
    Dropped += static_cast<int>(Bytes.size()) - n;
    Sent += n;
    return n;
}

int AdapterEmulator::SendStatusFrame() { return SendRaw(MakeStatusFrame(EffectiveStatus())); }
int AdapterEmulator::SendInitFrame() { return SendRaw(MakeInitFrame(Cfg.Firmware)); }
int AdapterEmulator::SendEchoFrame() { return SendRaw(MakeEchoFrame(Cfg.Firmware)); }
int AdapterEmulator::SendDeviceId(uint8_t Id) { return SendRaw(MakeDeviceIdFrame(Id)); }
int AdapterEmulator::SendKarn7(const Karn7Reading& Reading) { return SendRaw(MakeKarn7Packet(Reading)); }

int AdapterEmulator::SendBadCheck(const QByteArray& Frame)
{
    return SendRaw(WithBadCheck(Frame.isEmpty() ? MakeStatusFrame(EffectiveStatus()) : Frame));
}

int AdapterEmulator::SendSplit(const QByteArray& First, const QByteArray& Second, int DelayMs)
{
    const int n = SendRaw(First);
    const int gen = Generation;
    QTimer::singleShot(std::max(DelayMs, 0), this, [this, Second, gen] {
        if (gen == Generation)
            SendRaw(Second);
    });
    return n;
}

int AdapterEmulator::SendGarbage(int Count)
{
    static const QByteArray headers("bst7_");
    QByteArray g;
    while (g.size() < Count) {
        // xorshift32: the same garbage every run
        GarbageSeed ^= GarbageSeed << 13;
        GarbageSeed ^= GarbageSeed >> 17;
        GarbageSeed ^= GarbageSeed << 5;
        const char c = static_cast<char>(GarbageSeed & 0xFF);
        if (!headers.contains(c))
            g.append(c);
    }
    return SendRaw(g);
}

void AdapterEmulator::StartStream(int PeriodMs, QByteArray Frame)
{
    StreamFixed = std::move(Frame);
    StreamStep = 0;
    LineRate = PeriodMs == StreamLineRate;
    StreamStartMs = QDateTime::currentMSecsSinceEpoch();
    StreamBytes = 0;
    if (LineRate)
        StreamTimer.start(2);
    else if (PeriodMs > 0)
        StreamTimer.start(PeriodMs);
    else
        StreamTimer.stop();
}

void AdapterEmulator::StopStream() { StreamTimer.stop(); }

QByteArray AdapterEmulator::NextStreamPacket()
{
    if (!StreamFixed.isEmpty())
        return StreamFixed;
    return FDevice->Packet(StreamStep++);
}

void AdapterEmulator::StatusTick()
{
    if (!CanTalk())
        return;
    SendStatusFrame();
    Announce();
}

bool AdapterEmulator::Announces() const { return Cfg.AnnounceDevice && FDevice->Id != NoDeviceId; }

void AdapterEmulator::Announce()
{
    // A meter without the adapter's power is silent.
    if (Announces() && PowerOn && CanTalk())
        SendDeviceId(FDevice->Id);
}

void AdapterEmulator::StreamTick()
{
    if (!CanTalk())
        return;
    if (!LineRate) {
        SendRaw(NextStreamPacket());
        return;
    }
    // Whole packets while the line has carried fewer bytes than its speed
    // allows since the stream began.
    const qint64 Budget = (QDateTime::currentMSecsSinceEpoch() - StreamStartMs) * Cfg.Baud / 10 / 1000;
    while (StreamBytes < Budget && CanTalk()) {
        const QByteArray Packet = NextStreamPacket();
        StreamBytes += Packet.size();
        SendRaw(Packet);
    }
}

void AdapterEmulator::ClearRecords()
{
    Received.clear();
    Raw.clear();
}

} // namespace adapteremu
