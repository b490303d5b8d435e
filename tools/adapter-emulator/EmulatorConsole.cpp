#include "EmulatorConsole.h"

#include "AdapterEmulator.h"

#include <QRegularExpression>

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
    return QStringLiteral(
        "send HEX...                  raw bytes (\"5F 01 02\" or \"5F0102\")\n"
        "status HEX                   set the whole status byte and send a status frame\n"
        "status-period MS             periodic status frames, 0 = off\n"
        "firmware V                   version in the \"s\" and \"t\" frames\n"
        "init | echo                  an \"s\" / \"t\" frame\n"
        "devid ID                     a device-ID frame\n"
        "karn7 GAS VALUE [t1] [t2] [range] [fault=HEX]\n"
        "                             a KARN-7 packet; GAS: methane, co or 0..7\n"
        "badcheck [HEX...]            a frame with a wrong check (default: status)\n"
        "split HEX... [| HEX...] [delay=MS]\n"
        "                             one frame in two writes (default: halves, 100 ms)\n"
        "garbage N                    N bytes that open no frame\n"
        "device LIBRARY               the device played (its kind sets status bit 20): %1\n"
        "stream device MS|line | stream karn7 MS | stream raw MS HEX... | stream off\n"
        "stream-on-select MS|line|off a device select starts the device's stream (line: at the line rate)\n"
        "stats                        \"stats sent N dropped N unread N\": bytes to the program\n"
        "relaylen N | auto            payload length of a relayed device command\n"
        "baud 57600 | 115200          the adapter's line speed\n"
        "silent on|off                no answers, no status, no stream\n"
        "power on|off                 status frames with the power bit cleared\n"
        "hangup                       close the terminal (the program reads EIO)\n"
        "resume                       end silence and power loss; reopen after hangup\n"
        "sleep MS                     hold back the following lines\n"
        "help | quit")
        .arg(DeviceNames().join(QStringLiteral(", ")));
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

void EmulatorConsole::Execute(const QString& Line)
{
    QString text = Line;
    const int hash = text.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        text.truncate(hash);
    QStringList t = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (t.isEmpty())
        return;
    const QString verb = t.takeFirst().toLower();
    const auto bytesOf = [&](const QStringList& Tokens, QByteArray& Result) {
        const auto parsed = ParseHexBytes(Tokens);
        if (!parsed || parsed->isEmpty()) {
            Error(QStringLiteral("bad hex bytes in: ") + Line.trimmed());
            return false;
        }
        Result = *parsed;
        return true;
    };
    const auto usage = [&](const char* Form) { Error(QStringLiteral("usage: ") + QLatin1String(Form)); };
    QByteArray bytes;
    int n = 0;
    uint8_t b = 0;
    bool on = false;

    if (verb == QLatin1String("send")) {
        if (bytesOf(t, bytes))
            Emu.SendRaw(bytes);
    } else if (verb == QLatin1String("status")) {
        if (t.size() != 1 || !ParseByte(t[0], b, 16))
            return usage("status HEX");
        Emu.SetStatus(b);
        Emu.SendStatusFrame();
    } else if (verb == QLatin1String("status-period")) {
        if (t.size() != 1 || !ParseInt(t[0], n) || n < 0)
            return usage("status-period MS");
        Emu.SetStatusPeriod(n);
    } else if (verb == QLatin1String("firmware")) {
        if (t.size() != 1 || !ParseByte(t[0], b, 10))
            return usage("firmware 0..255");
        Emu.SetFirmware(b);
    } else if (verb == QLatin1String("init")) {
        Emu.SendInitFrame();
    } else if (verb == QLatin1String("echo")) {
        Emu.SendEchoFrame();
    } else if (verb == QLatin1String("devid")) {
        if (t.size() != 1 || !ParseByte(t[0], b, 10))
            return usage("devid 0..255");
        Emu.SendDeviceId(b);
    } else if (verb == QLatin1String("karn7")) {
        Karn7Reading r;
        bool ok = t.size() >= 2;
        if (ok) {
            const QString gas = t[0].toLower();
            if (gas == QLatin1String("methane") || gas == QLatin1String("ch4"))
                r.GasCode = Karn7Reading::Methane;
            else if (gas == QLatin1String("co"))
                r.GasCode = Karn7Reading::CarbonMonoxide;
            else
                ok = ParseByte(gas, r.GasCode, 10) && r.GasCode < 8;
            bool valueOk = false;
            r.Concentration = t[1].toDouble(&valueOk);
            ok = ok && valueOk;
        }
        for (int i = 2; ok && i < t.size(); ++i) {
            const QString f = t[i].toLower();
            if (f == QLatin1String("t1"))
                r.Threshold1 = true;
            else if (f == QLatin1String("t2"))
                r.Threshold2 = true;
            else if (f == QLatin1String("range"))
                r.RangeExceeded = true;
            else if (f.startsWith(QLatin1String("fault=")) && ParseByte(f.mid(6), b, 16))
                r.Faults = b;
            else
                ok = false;
        }
        if (!ok)
            return usage("karn7 methane|co|0..7 VALUE [t1] [t2] [range] [fault=HEX]");
        Emu.SendKarn7(r);
    } else if (verb == QLatin1String("badcheck")) {
        if (t.isEmpty())
            Emu.SendBadCheck();
        else if (bytesOf(t, bytes))
            Emu.SendBadCheck(bytes);
    } else if (verb == QLatin1String("split")) {
        int delay = 100;
        QStringList first, second;
        bool cut = false;
        for (const QString& tok : t) {
            if (tok.startsWith(QLatin1String("delay="))) {
                if (!ParseInt(tok.mid(6), delay) || delay < 0)
                    return usage("split HEX... [| HEX...] [delay=MS]");
            } else if (tok == QLatin1String("|")) {
                cut = true;
            } else {
                (cut ? second : first).append(tok);
            }
        }
        if (!bytesOf(first + second, bytes))
            return;
        const int at = cut ? static_cast<int>(ParseHexBytes(first).value_or(QByteArray()).size())
                           : static_cast<int>(bytes.size() / 2);
        Emu.SendSplit(bytes.left(at), bytes.mid(at), delay);
    } else if (verb == QLatin1String("garbage")) {
        if (t.size() != 1 || !ParseInt(t[0], n) || n < 0)
            return usage("garbage N");
        Emu.SendGarbage(n);
    } else if (verb == QLatin1String("stream")) {
        const QString kind = t.value(0).toLower();
        if (kind == QLatin1String("off") && t.size() == 1)
            Emu.StopStream();
        else if (kind == QLatin1String("device") && t.size() == 2 && t[1] == QLatin1String("line"))
            Emu.StartStream(StreamLineRate);
        else if (kind == QLatin1String("device") && t.size() == 2 && ParseInt(t[1], n) && n > 0)
            Emu.StartStream(n);
        else if (kind == QLatin1String("karn7") && t.size() == 2 && ParseInt(t[1], n) && n > 0) {
            Emu.SetDevice(QLatin1String(DefaultDevice));
            Emu.StartStream(n);
        }
        else if (kind == QLatin1String("raw") && t.size() >= 3 && ParseInt(t[1], n) && n > 0) {
            if (bytesOf(t.mid(2), bytes))
                Emu.StartStream(n, bytes);
        } else
            return usage("stream device MS|line | stream karn7 MS | stream raw MS HEX... | stream off");
    } else if (verb == QLatin1String("device")) {
        if (t.size() != 1 || !Emu.SetDevice(t[0]))
            return Error(QStringLiteral("usage: device ") + DeviceNames().join(QLatin1Char('|')));
    } else if (verb == QLatin1String("stream-on-select")) {
        if (t.size() == 1 && t[0] == QLatin1String("off"))
            Emu.SetStreamOnSelect(0);
        else if (t.size() == 1 && t[0] == QLatin1String("line"))
            Emu.SetStreamOnSelect(StreamLineRate);
        else if (t.size() == 1 && ParseInt(t[0], n) && n > 0)
            Emu.SetStreamOnSelect(n);
        else
            return usage("stream-on-select MS|line|off");
    } else if (verb == QLatin1String("stats")) {
        Out(QStringLiteral("stats sent %1 dropped %2 unread %3")
                .arg(Emu.BytesSent())
                .arg(Emu.BytesDropped())
                .arg(Emu.BytesUnread()));
    } else if (verb == QLatin1String("relaylen")) {
        if (t.size() == 1 && t[0] == QLatin1String("auto")) {
            Emu.SetRelayLengthFromSelect(true);
        } else if (t.size() == 1 && ParseInt(t[0], n) && n >= 0 && n <= CommandParser::MaxPayload) {
            Emu.SetRelayLengthFromSelect(false);
            Emu.SetDefaultRelayLength(n);
        } else
            return usage("relaylen N|auto");
    } else if (verb == QLatin1String("baud")) {
        if (t.size() != 1 || !ParseInt(t[0], n) || (n != 57600 && n != 115200))
            return usage("baud 57600|115200");
        Emu.SetBaud(n);
    } else if (verb == QLatin1String("silent")) {
        if (t.size() != 1 || !ParseOnOff(t[0], on))
            return usage("silent on|off");
        Emu.SetSilent(on);
    } else if (verb == QLatin1String("power")) {
        if (t.size() != 1 || !ParseOnOff(t[0], on))
            return usage("power on|off");
        Emu.SetPower(on);
    } else if (verb == QLatin1String("hangup")) {
        Emu.Hangup();
    } else if (verb == QLatin1String("resume")) {
        QString why;
        if (!Emu.Resume(&why))
            Error(why);
    } else if (verb == QLatin1String("sleep")) {
        if (t.size() != 1 || !ParseInt(t[0], n) || n < 0)
            return usage("sleep MS");
        Sleep.start(n);
    } else if (verb == QLatin1String("help")) {
        for (const QString& l : HelpText().split(QLatin1Char('\n')))
            Out(QStringLiteral("help ") + l);
    } else if (verb == QLatin1String("quit") || verb == QLatin1String("exit")) {
        Quitting = true;
    } else {
        Error(QStringLiteral("unknown command: ") + verb);
    }
}

} // namespace adapteremu
