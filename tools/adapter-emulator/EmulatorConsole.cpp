#include "EmulatorConsole.h"

#include "AdapterEmulator.h"

#include <QRegularExpression>
#include <limits>

namespace adapteremu {

namespace {
QString Hex2(uint8_t B) { return QStringLiteral("%1").arg(B, 2, 16, QLatin1Char('0')).toUpper(); }

bool ParseInt(const QString& Text, int& Out, int Base = 10)
{
    bool ok = false;
    const int v = Text.toInt(&ok, Base);
    if (ok)
        Out = v;
    return ok;
}

bool ParseByte(const QString& Text, uint8_t& Out, int Base)
{
    int v = 0;
    if (!ParseInt(Text, v, Base) || v < 0 || v > 255)
        return false;
    Out = static_cast<uint8_t>(v);
    return true;
}

bool ParseOnOff(const QString& Text, bool& Out)
{
    if (Text == QLatin1String("on"))
        Out = true;
    else if (Text == QLatin1String("off"))
        Out = false;
    else
        return false;
    return true;
}
// Hands the argument, parsed, to Apply; false when it does not parse.
template <class F> bool WithCount(const QString& Text, F Apply)
{
    int n = 0;
    if (!ParseInt(Text, n) || n < 0)
        return false;
    Apply(n);
    return true;
}

template <class F> bool WithByte(const QString& Text, int Base, F Apply)
{
    uint8_t b = 0;
    if (!ParseByte(Text, b, Base))
        return false;
    Apply(b);
    return true;
}

template <class F> bool WithOnOff(const QString& Text, F Apply)
{
    bool on = false;
    if (!ParseOnOff(Text, on))
        return false;
    Apply(on);
    return true;
}

} // namespace

EmulatorConsole::EmulatorConsole(AdapterEmulator& Emulator, Writer Writer, QObject* Parent)
    : QObject(Parent), Emu(Emulator), Out(std::move(Writer))
{
    Sleep.setSingleShot(true);
    connect(&Sleep, &QTimer::timeout, this, &EmulatorConsole::RunQueued);
    connect(&Emu, &AdapterEmulator::CommandReceived, this,
            [this](const ReceivedCommand& c) { Out(CommandLine(c, Emu.Device())); });
    connect(&Emu, &AdapterEmulator::CommandIgnored, this, [this](uint8_t Code, int Baud) {
        Out(QStringLiteral("ignored %1 baud %2").arg(Hex2(Code)).arg(Baud));
    });
    connect(&Emu, &AdapterEmulator::JunkReceived, this,
            [this](const QByteArray& b) { Out(QStringLiteral("junk ") + HexText(b)); });
    connect(&Emu, &AdapterEmulator::Mapped, this, [this](const QString& Slave, const QString& Com) {
        Out(QStringLiteral("ready %1 %2").arg(Slave, Com));
    });
    connect(&Emu, &AdapterEmulator::HungUpNow, this, [this] { Out(QStringLiteral("hangup")); });
}

QString EmulatorConsole::CommandLine(const ReceivedCommand& Cmd, const EmulatedDevice* Device)
{
    QString line = QStringLiteral("cmd ") + Hex2(Cmd.Code);
    if (!Cmd.Payload.isEmpty())
        line += QStringLiteral(" payload ") + HexText(Cmd.Payload);
    if (!Cmd.TrailerOk)
        line += QStringLiteral(" badcheck");
    if (Cmd.Code == CmdRelay && Device) {
        const QString meaning = Device->Describe(Cmd.Payload);
        if (!meaning.isEmpty())
            line += QStringLiteral("  ") + meaning;
    }
    return line;
}

QString EmulatorConsole::HelpText()
{
    constexpr int Column = 29; // where the descriptions start
    QStringList lines;
    for (const Verb& v : Verbs()) {
        if (!v.Help)
            continue;
        QString usage = QLatin1String(v.Usage);
        QString help = QString::fromUtf8(v.Help);
        if (v.Run == &EmulatorConsole::RunDevice)
            help = help.arg(DeviceNames().join(QStringLiteral(", ")));
        if (usage.size() < Column)
            lines << usage.leftJustified(Column) + help;
        else
            lines << usage << QString(Column, QLatin1Char(' ')) + help;
    }
    return lines.join(QLatin1Char('\n'));
}

void EmulatorConsole::Submit(const QString& Line)
{
    Queue.push_back(Line);
    if (!Sleep.isActive())
        RunQueued();
}

void EmulatorConsole::EndOfInput()
{
    Ending = true;
    if (!Sleep.isActive())
        RunQueued();
}

void EmulatorConsole::RunQueued()
{
    while (!Queue.empty() && !Sleep.isActive() && !Quitting) {
        const QString line = Queue.front();
        Queue.pop_front();
        Execute(line);
    }
    if (Quitting || (Ending && Idle())) {
        Queue.clear();
        emit QuitRequested();
    }
}

void EmulatorConsole::Error(const QString& Text) { Out(QStringLiteral("error ") + Text); }

std::span<const EmulatorConsole::Verb> EmulatorConsole::Verbs()
{
    using C = EmulatorConsole;
    constexpr int Any = std::numeric_limits<int>::max();
    static const Verb table[] = {
        {"send", "send HEX...", "raw bytes (\"5F 01 02\" or \"5F0102\")", 1, Any, &C::RunSend},
        {"status", "status HEX", "set the whole status byte and send a status frame", 1, 1, &C::RunStatus},
        {"status-period", "status-period MS", "periodic status frames, 0 = off", 1, 1, &C::RunStatusPeriod},
        {"firmware", "firmware 0..255", "version in the \"s\" and \"t\" frames", 1, 1, &C::RunFirmware},
        {"init", "init", "an \"s\" frame", 0, 0, &C::RunInit},
        {"echo", "echo", "a \"t\" frame", 0, 0, &C::RunEcho},
        {"devid", "devid 0..255", "a device-ID frame", 1, 1, &C::RunDevId},
        {"karn7", "karn7 GAS VALUE [t1] [t2] [range] [fault=HEX]", "a KARN-7 packet; GAS: methane, co or 0..7", 2,
         Any, &C::RunKarn7},
        {"badcheck", "badcheck [HEX...]", "a frame with a wrong check (default: status)", 0, Any, &C::RunBadCheck},
        {"split", "split HEX... [| HEX...] [delay=MS]", "one frame in two writes (default: halves, 100 ms)", 1, Any,
         &C::RunSplit},
        {"garbage", "garbage N", "N bytes that open no frame", 1, 1, &C::RunGarbage},
        {"device", "device LIBRARY", "the device played (its kind sets the status bit 0x20): %1", 1, 1, &C::RunDevice},
        {"stream", "stream device MS|line | stream karn7 MS | stream raw MS HEX... | stream off",
         "the device's packets every MS or at the line rate, KARN-7 packets, fixed bytes; or none", 1, Any,
         &C::RunStream},
        {"stream-on-select", "stream-on-select MS|line|off",
         "a device select starts the device's stream (line: at the line rate)", 1, 1, &C::RunStreamOnSelect},
        {"stats", "stats",
         "\"stats sent N dropped N unread N\": bytes written to the program, bytes the terminal did not take "
         "(its buffer was full: the program reads too slowly) and bytes the program has not read yet",
         0, 0, &C::RunStats},
        {"relaylen", "relaylen N|auto", "payload length of a relayed device command", 1, 1, &C::RunRelayLength},
        {"baud", "baud 57600|115200", "the adapter's line speed", 1, 1, &C::RunBaud},
        {"silent", "silent on|off", "no answers, no status, no stream", 1, 1, &C::RunSilent},
        {"power", "power on|off", "status frames with the power bit cleared", 1, 1, &C::RunPower},
        {"hangup", "hangup", "close the terminal (the program reads EIO)", 0, 0, &C::RunHangup},
        {"resume", "resume", "end silence and power loss; reopen after hangup", 0, 0, &C::RunResume},
        {"sleep", "sleep MS", "hold back the following lines", 1, 1, &C::RunSleep},
        {"help", "help", "this list", 0, Any, &C::RunHelp},
        {"quit", "quit", "end the emulator", 0, Any, &C::RunQuit},
        {"exit", "exit", nullptr, 0, Any, &C::RunQuit},
    };
    return table;
}

void EmulatorConsole::Execute(const QString& Line)
{
    QString text = Line;
    const int hash = text.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        text.truncate(hash);
    QStringList args = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (args.isEmpty())
        return;
    const QString name = args.takeFirst().toLower();
    for (const Verb& v : Verbs()) {
        if (name != QLatin1String(v.Name))
            continue;
        Current = Line.trimmed();
        if (args.size() < v.MinArgs || args.size() > v.MaxArgs || !(this->*v.Run)(args))
            Error(QStringLiteral("usage: ") + QLatin1String(v.Usage));
        return;
    }
    Error(QStringLiteral("unknown command: ") + name);
}

bool EmulatorConsole::HexArgs(const QStringList& Args, QByteArray& Result)
{
    const auto parsed = ParseHexBytes(Args);
    if (!parsed || parsed->isEmpty()) {
        Error(QStringLiteral("bad hex bytes in: ") + Current);
        return false;
    }
    Result = *parsed;
    return true;
}

bool EmulatorConsole::RunSend(const QStringList& Args)
{
    QByteArray bytes;
    if (HexArgs(Args, bytes))
        Emu.SendRaw(bytes);
    return true;
}

bool EmulatorConsole::RunStatus(const QStringList& Args)
{
    return WithByte(Args[0], 16, [this](uint8_t B) {
        Emu.SetStatus(B);
        Emu.SendStatusFrame();
    });
}

bool EmulatorConsole::RunStatusPeriod(const QStringList& Args)
{
    return WithCount(Args[0], [this](int N) { Emu.SetStatusPeriod(N); });
}

bool EmulatorConsole::RunFirmware(const QStringList& Args)
{
    return WithByte(Args[0], 10, [this](uint8_t B) { Emu.SetFirmware(B); });
}

bool EmulatorConsole::RunInit(const QStringList&)
{
    Emu.SendInitFrame();
    return true;
}

bool EmulatorConsole::RunEcho(const QStringList&)
{
    Emu.SendEchoFrame();
    return true;
}

bool EmulatorConsole::RunDevId(const QStringList& Args)
{
    return WithByte(Args[0], 10, [this](uint8_t B) { Emu.SendDeviceId(B); });
}

bool EmulatorConsole::RunKarn7(const QStringList& Args)
{
    Karn7Reading r;
    const QString gas = Args[0].toLower();
    if (gas == QLatin1String("methane") || gas == QLatin1String("ch4"))
        r.GasCode = Karn7Reading::Methane;
    else if (gas == QLatin1String("co"))
        r.GasCode = Karn7Reading::CarbonMonoxide;
    else if (!ParseByte(gas, r.GasCode, 10) || r.GasCode >= 8)
        return false;
    bool valueOk = false;
    r.Concentration = Args[1].toDouble(&valueOk);
    if (!valueOk)
        return false;
    for (int i = 2; i < Args.size(); ++i) {
        const QString f = Args[i].toLower();
        uint8_t b = 0;
        if (f == QLatin1String("t1"))
            r.Threshold1 = true;
        else if (f == QLatin1String("t2"))
            r.Threshold2 = true;
        else if (f == QLatin1String("range"))
            r.RangeExceeded = true;
        else if (f.startsWith(QLatin1String("fault=")) && ParseByte(f.mid(6), b, 16))
            r.Faults = b;
        else
            return false;
    }
    Emu.SendKarn7(r);
    return true;
}

bool EmulatorConsole::RunBadCheck(const QStringList& Args)
{
    QByteArray bytes;
    if (Args.isEmpty())
        Emu.SendBadCheck();
    else if (HexArgs(Args, bytes))
        Emu.SendBadCheck(bytes);
    return true;
}

bool EmulatorConsole::RunSplit(const QStringList& Args)
{
    int delay = 100;
    QStringList first, second;
    bool cut = false;
    for (const QString& tok : Args) {
        if (tok.startsWith(QLatin1String("delay="))) {
            if (!ParseInt(tok.mid(6), delay) || delay < 0)
                return false;
        } else if (tok == QLatin1String("|")) {
            cut = true;
        } else {
            (cut ? second : first).append(tok);
        }
    }
    QByteArray bytes;
    if (!HexArgs(first + second, bytes))
        return true;
    const int at = cut ? static_cast<int>(ParseHexBytes(first).value_or(QByteArray()).size())
                       : static_cast<int>(bytes.size() / 2);
    Emu.SendSplit(bytes.left(at), bytes.mid(at), delay);
    return true;
}

bool EmulatorConsole::RunGarbage(const QStringList& Args)
{
    return WithCount(Args[0], [this](int N) { Emu.SendGarbage(N); });
}

bool EmulatorConsole::RunDevice(const QStringList& Args)
{
    if (!Emu.SetDevice(Args[0]))
        Error(QStringLiteral("usage: device ") + DeviceNames().join(QLatin1Char('|')));
    return true;
}

bool EmulatorConsole::RunStream(const QStringList& Args)
{
    const QString kind = Args[0].toLower();
    int n = 0;
    if (kind == QLatin1String("off") && Args.size() == 1) {
        Emu.StopStream();
    } else if (kind == QLatin1String("device") && Args.size() == 2 && Args[1] == QLatin1String("line")) {
        Emu.StartStream(StreamLineRate);
    } else if (kind == QLatin1String("device") && Args.size() == 2 && ParseInt(Args[1], n) && n > 0) {
        Emu.StartStream(n);
    } else if (kind == QLatin1String("karn7") && Args.size() == 2 && ParseInt(Args[1], n) && n > 0) {
        Emu.SetDevice(QLatin1String(DefaultDevice));
        Emu.StartStream(n);
    } else if (kind == QLatin1String("raw") && Args.size() >= 3 && ParseInt(Args[1], n) && n > 0) {
        QByteArray bytes;
        if (HexArgs(Args.mid(2), bytes))
            Emu.StartStream(n, bytes);
    } else {
        return false;
    }
    return true;
}

bool EmulatorConsole::RunStreamOnSelect(const QStringList& Args)
{
    int n = 0;
    if (Args[0] == QLatin1String("off"))
        Emu.SetStreamOnSelect(0);
    else if (Args[0] == QLatin1String("line"))
        Emu.SetStreamOnSelect(StreamLineRate);
    else if (ParseInt(Args[0], n) && n > 0)
        Emu.SetStreamOnSelect(n);
    else
        return false;
    return true;
}

bool EmulatorConsole::RunStats(const QStringList&)
{
    Out(QStringLiteral("stats sent %1 dropped %2 unread %3")
            .arg(Emu.BytesSent())
            .arg(Emu.BytesDropped())
            .arg(Emu.BytesUnread()));
    return true;
}

bool EmulatorConsole::RunRelayLength(const QStringList& Args)
{
    int n = 0;
    if (Args[0] == QLatin1String("auto")) {
        Emu.SetRelayLengthFromSelect(true);
    } else if (ParseInt(Args[0], n) && n >= 0 && n <= MaxCommandPayload) {
        Emu.SetRelayLengthFromSelect(false);
        Emu.SetDefaultRelayLength(n);
    } else {
        return false;
    }
    return true;
}

bool EmulatorConsole::RunBaud(const QStringList& Args)
{
    int n = 0;
    if (!ParseInt(Args[0], n) || (n != 57600 && n != 115200))
        return false;
    Emu.SetBaud(n);
    return true;
}

bool EmulatorConsole::RunSilent(const QStringList& Args)
{
    return WithOnOff(Args[0], [this](bool On) { Emu.SetSilent(On); });
}

bool EmulatorConsole::RunPower(const QStringList& Args)
{
    return WithOnOff(Args[0], [this](bool On) { Emu.SetPower(On); });
}

bool EmulatorConsole::RunHangup(const QStringList&)
{
    Emu.Hangup();
    return true;
}

bool EmulatorConsole::RunResume(const QStringList&)
{
    QString why;
    if (!Emu.Resume(&why))
        Error(why);
    return true;
}

bool EmulatorConsole::RunSleep(const QStringList& Args)
{
    return WithCount(Args[0], [this](int N) { Sleep.start(N); });
}

bool EmulatorConsole::RunHelp(const QStringList&)
{
    for (const QString& l : HelpText().split(QLatin1Char('\n')))
        Out(QStringLiteral("help ") + l);
    return true;
}

bool EmulatorConsole::RunQuit(const QStringList&)
{
    Quitting = true;
    return true;
}

} // namespace adapteremu
