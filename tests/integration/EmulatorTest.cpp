// The adapter emulator on a real pseudo-terminal, seen from the program's side
// of the line: the slave opened with plain termios.
#include "AdapterEmulator.h"
#include "EmulatorConsole.h"
#include "PortMapping.h"
#include "QStringPrinting.h"
#include "Registry.h"
#include "TempStore.h"
#include "Ticks.h"

#include <algorithm>
#include <QProcess>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace adapteremu;

namespace {

QByteArray H(const char* Hex) { return QByteArray::fromHex(Hex); }

const QString SerialComm = QStringLiteral("\\HARDWARE\\DEVICEMAP\\SERIALCOMM");

// The program's end of the line.
class Line {
public:
    Line(const QString& DevicePath, speed_t Speed) : Path(DevicePath)
    {
        Fd = ::open(Path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        SetSpeed(Speed);
    }
    ~Line()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    bool IsOpen() const { return Fd >= 0; }
    void SetSpeed(speed_t Speed)
    {
        termios t{};
        if (Fd < 0 || tcgetattr(Fd, &t) != 0)
            return;
        cfmakeraw(&t);
        cfsetispeed(&t, Speed);
        cfsetospeed(&t, Speed);
        tcsetattr(Fd, TCSANOW, &t);
    }
    void Write(const QByteArray& Bytes) { ASSERT_EQ(::write(Fd, Bytes.constData(), Bytes.size()), Bytes.size()); }
    // Collects what is waiting; false once the line reports a hang-up.
    bool Drain()
    {
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(Fd, buf, sizeof buf);
            if (n > 0) {
                Got.append(buf, static_cast<int>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                HungUp = true;
                return false;
            }
            return true;
        }
    }
    // Pumps the emulator until Count bytes have arrived; returns them.
    QByteArray Take(int Count, uint32_t TimeoutMs = 10000)
    {
        ostan::PumpUntil([&] { Drain(); return Got.size() >= Count || HungUp; }, TimeoutMs);
        const QByteArray out = Got.left(Count);
        Got.remove(0, out.size());
        return out;
    }
    const QString Path;
    QByteArray Got;
    bool HungUp = false;
    // Forgets what has arrived so far.
    void Fresh()
    {
        Drain();
        Got.clear();
    }

private:
    int Fd = -1;
};

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        ostan::SetSystemSerialDevicesForTest([] { return QStringList(); });
    }
    void TearDown() override
    {
        Emu.reset();
        ostan::SetSystemSerialDevicesForTest({});
    }
    AdapterEmulator& Make(EmulatorConfig Cfg = {})
    {
        Emu = std::make_unique<AdapterEmulator>(Cfg);
        QString error;
        EXPECT_TRUE(Emu->Start(&error)) << error.toStdString();
        return *Emu;
    }
    // Pumps until the emulator has taken in Count bytes in all. Its answers
    // are written while it handles them, so once this holds, any answer is
    // already on the line.
    void UntilReceived(int Count)
    {
        EXPECT_TRUE(ostan::PumpUntil([&] { return Emu->RawReceived().size() >= Count; }, 10000));
        ostan::ProcessMessages();
    }
    static QString Mapping(const QString& Device)
    {
        ostan::TRegistry reg(ostan::RegAccess::Read);
        if (!reg.OpenKeyReadOnly(SerialComm) || !reg.ValueExists(Device))
            return {};
        return reg.ReadString(Device);
    }

    ostan::test::TTempStore Store;
    const QString StorePath = Store.FilePath();
    std::unique_ptr<AdapterEmulator> Emu;
};

const QByteArray Probe = H("0D0A0700");

} // namespace

TEST_F(EmulatorTest, AnswersProbeAndResetOnlyAtItsSpeed)
{
    struct Case { int adapter; speed_t line; uint8_t firmware; const char* probeAnswer; const char* resetAnswer; };
    const Case cases[] = {
        {115200, B115200, 27, "741B6F", "731B68"},
        {115200, B57600, 27, "", ""},
        {57600, B57600, 9, "74097D", "73097A"},
        {57600, B115200, 9, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.adapter << " firmware " << int(c.firmware) << " line " << c.line);
        EmulatorConfig cfg;
        cfg.Baud = c.adapter;
        cfg.Firmware = c.firmware;
        auto& emu = Make(cfg);
        int ignored = 0;
        QObject::connect(&emu, &AdapterEmulator::CommandIgnored, [&](uint8_t, int) { ++ignored; });
        Line line(emu.SlavePath(), c.line);
        ASSERT_TRUE(line.IsOpen());

        line.Write(Probe + Probe); // the program probes twice
        UntilReceived(8);
        line.Write(H("0D0AFFF8"));
        UntilReceived(12);
        line.Drain();
        const QByteArray probe(QByteArray::fromHex(c.probeAnswer)), reset(QByteArray::fromHex(c.resetAnswer));
        EXPECT_EQ(line.Got.toHex(), (probe + probe + reset).toHex());
        const bool matched = !probe.isEmpty();
        EXPECT_EQ(emu.Commands().size(), matched ? 3u : 0u);
        EXPECT_EQ(ignored, matched ? 0 : 3);
        EXPECT_EQ(emu.RawReceived(), Probe + Probe + H("0D0AFFF8"));
    }
}

TEST_F(EmulatorTest, RecordsCommandsByteExact)
{
    auto& emu = Make();
    std::vector<ReceivedCommand> signalled;
    QObject::connect(&emu, &AdapterEmulator::CommandReceived,
                     [&](const ReceivedCommand& c) { signalled.push_back(c); });
    Line line(emu.SlavePath(), B115200);
    // header and payload in two writes each, as the program sends them
    const QList<QByteArray> writes = {H("0D0A0801"), // wrong header check: no command
                                      H("0D0A0403"), H("0303"), H("0D0A0106"), H("A501A4"),
                                      H("0D0A0403"), H("0404"), H("0D0A0106"), H("AA0501AE"),
                                      H("0D0A0106"), H("10203F00")};
    QByteArray all;
    for (const QByteArray& w : writes) {
        line.Write(w);
        all += w;
        UntilReceived(all.size());
    }
    struct Want { uint8_t code; const char* payload; bool trailerOk; };
    const Want want[] = {{0x04, "0303", true}, {0x01, "A501A4", true}, {0x04, "0404", true},
                         {0x01, "AA0501AE", true}, {0x01, "10203F00", false}};
    ASSERT_EQ(emu.Commands().size(), std::size(want));
    ASSERT_EQ(signalled.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(emu.Commands()[i].Code, want[i].code) << i;
        EXPECT_EQ(emu.Commands()[i].Payload.toHex().toUpper(), QByteArray(want[i].payload)) << i;
        EXPECT_EQ(emu.Commands()[i].TrailerOk, want[i].trailerOk) << i;
        EXPECT_EQ(signalled[i].Payload, emu.Commands()[i].Payload) << i;
    }
    EXPECT_EQ(emu.RawReceived(), all);
}

TEST_F(EmulatorTest, StatusFramesFollowPowerAndSilence)
{
    EmulatorConfig cfg;
    cfg.Device = QStringLiteral("MOLT2"); // an instrument that sends no device-ID frames
    cfg.StatusPeriodMs = 20;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B115200);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(line.Take(3).toHex(), "62086a");

    emu.SetPower(false);
    line.Fresh();
    EXPECT_EQ(line.Take(3).toHex(), "620062");

    emu.SetSilent(true);
    line.Fresh();
    line.Write(Probe);
    UntilReceived(4);
    ostan::PumpUntil([] { return false; }, 100); // several periods
    line.Drain();
    EXPECT_TRUE(line.Got.isEmpty()) << line.Got.toHex().toStdString();

    ASSERT_TRUE(emu.Resume());
    EXPECT_EQ(line.Take(3).toHex(), "62086a");
    EXPECT_EQ(emu.SlavePath(), line.Path); // no hang-up, no new terminal
}

TEST_F(EmulatorTest, NoStatusFramesAtAnotherSpeed)
{
    EmulatorConfig cfg;
    cfg.Device = QStringLiteral("MOLT2");
    cfg.StatusPeriodMs = 20;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B57600);
    ostan::PumpUntil([] { return false; }, 100);
    line.Drain();
    EXPECT_TRUE(line.Got.isEmpty());
    line.SetSpeed(B115200);
    EXPECT_EQ(line.Take(3).toHex(), "62086a");
}

TEST_F(EmulatorTest, ConsoleLinesPutTheirFramesOnTheLine)
{
    auto& emu = Make();
    QStringList out;
    EmulatorConsole console(emu, [&](const QString& l) { out << l; });
    Line line(emu.SlavePath(), B115200);
    struct Case { const char* command; const char* bytes; };
    const Case cases[] = {
        {"devid 1", "37010000000001"},
        {"send 5F 01 02", "5F0102"},
        {"status 2C", "622C4E"},
        {"badcheck", "622C4F"},
        {"badcheck 73 1B 68", "731B69"},
        {"firmware 30", ""},
        {"echo", "741E6A"},
        {"init", "731E6D"},
        {"power off", ""},
        {"status 28", "622042"},
        {"power on", ""},
        {"karn7 methane 2.91", "5F8123A2"},
        {"karn7 co 100", "5F206444"},
        {"karn7 4 0 fault=03", "5F840387"},
        {"karn7 methane 2.44 range", "5F82F476"},
        {"split 62 08 6A delay=5", "62086A"},
        {"split 37 01 | 00 00 00 00 01 delay=5", "37010000000001"},
        {"  # a comment", ""},
    };
    for (const auto& c : cases) {
        console.Submit(QString::fromLatin1(c.command));
        const QByteArray want = QByteArray::fromHex(c.bytes);
        EXPECT_EQ(line.Take(static_cast<int>(want.size())).toHex().toUpper(), QByteArray(c.bytes)) << c.command;
    }
    EXPECT_TRUE(out.isEmpty()) << out.join('\n').toStdString();

    console.Submit(QStringLiteral("garbage 40"));
    const QByteArray g = line.Take(40);
    ASSERT_EQ(g.size(), 40);
    for (char b : QByteArray("bst7_"))
        EXPECT_FALSE(g.contains(b)) << b;

    for (const char* bad : {"status zz", "karn7 argon 1", "send", "split zz", "bogus", "baud 9600"})
        console.Submit(QString::fromLatin1(bad));
    ASSERT_EQ(out.size(), 6);
    for (const QString& l : out)
        EXPECT_TRUE(l.startsWith(QLatin1String("error "))) << l.toStdString();
    // A usage error quotes the verb's own help line.
    const QStringList help = EmulatorConsole::HelpText().split('\n');
    for (const QString& l : {out[0], out[1], out[5]}) {
        ASSERT_TRUE(l.startsWith(QLatin1String("error usage: "))) << l.toStdString();
        const QString usage = l.mid(13);
        EXPECT_TRUE(std::any_of(help.begin(), help.end(), [&](const QString& h) { return h.startsWith(usage); }))
            << usage.toStdString();
    }
}

TEST_F(EmulatorTest, ConsoleStatsCountWhatTheProgramHasNotRead)
{
    auto& emu = Make();
    QStringList out;
    EmulatorConsole console(emu, [&](const QString& l) { out << l; });
    Line line(emu.SlavePath(), B115200);
    console.Submit(QStringLiteral("send 5F 01 02 03"));
    ostan::PumpUntil([&] { return emu.BytesUnread() == 4; }, 10000); // the terminal passes bytes on by itself
    console.Submit(QStringLiteral("stats"));
    EXPECT_EQ(line.Take(4).toHex().toUpper(), QByteArray("5F010203"));
    console.Submit(QStringLiteral("stats"));
    EXPECT_EQ(out, (QStringList{"stats sent 4 dropped 0 unread 4", "stats sent 4 dropped 0 unread 0"}));
}

TEST_F(EmulatorTest, ConsoleReportsWhatTheProgramSent)
{
    auto& emu = Make();
    QStringList out;
    EmulatorConsole console(emu, [&](const QString& l) { out << l; });
    Line line(emu.SlavePath(), B57600);
    line.Write(Probe);
    UntilReceived(4);
    line.SetSpeed(B115200);
    line.Write(H("0D0A0403" "0303" "77" "0D0A0106" "A501A5" "0D0A0502"));
    UntilReceived(22);
    EXPECT_EQ(out, (QStringList{"ignored 07 baud 57600", "cmd 04 payload 03 03", "junk 77",
                                "cmd 01 payload A5 01 A5 badcheck", "cmd 05"}));
}

TEST_F(EmulatorTest, ConsoleSleepHoldsBackLaterLinesAndQuitEndsInput)
{
    auto& emu = Make();
    EmulatorConsole console(emu, [](const QString&) {});
    bool quit = false;
    QObject::connect(&console, &EmulatorConsole::QuitRequested, [&] { quit = true; });
    Line line(emu.SlavePath(), B115200);
    console.Submit(QStringLiteral("sleep 30"));
    console.Submit(QStringLiteral("devid 2"));
    console.EndOfInput();
    line.Drain();
    EXPECT_TRUE(line.Got.isEmpty());
    EXPECT_FALSE(quit);
    EXPECT_EQ(line.Take(7).toHex(), "37020000000002");
    EXPECT_TRUE(ostan::PumpUntil([&] { return quit; }, 10000));
}

TEST_F(EmulatorTest, SelectStartsTheDeviceStreamAndResetStopsIt)
{
    EmulatorConfig cfg;
    cfg.StreamOnSelectMs = 10;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B115200);
    line.Write(H("0D0A0403" "0303"));
    for (int i = 0; i < 3; ++i) {
        const QByteArray p = line.Take(4);
        ASSERT_EQ(p.size(), 4);
        EXPECT_EQ(static_cast<uint8_t>(p[0]), DataHeader);
        EXPECT_EQ(static_cast<uint8_t>(p[1]) >> 5, Karn7Reading::Methane);
        EXPECT_EQ(XorOf(p, 1), 0) << p.toHex().toStdString();
    }
    line.Write(H("0D0AFFF8"));
    UntilReceived(10);
    EXPECT_FALSE(emu.IsStreaming());
    line.Drain();
    EXPECT_TRUE(line.Got.endsWith(H("731B68"))) << line.Got.toHex().toStdString();

    line.Fresh();
    emu.StartStream(10, H("5F0102"));
    EXPECT_EQ(line.Take(6).toHex(), "5f01025f0102");
}

TEST_F(EmulatorTest, EachDeviceReportsItsKindAndIdentifier)
{
    // Sensor blocks set the status bit 0x20, instruments clear it; only the
    // three meters announce themselves, by the program's identifiers.
    struct Case { const char* library; uint8_t status; uint8_t id; };
    const Case cases[] = {
        {"PIP_KARN7", 0x28, 0}, {"PIP_KARN7E", 0x28, 0}, {"PIP_KARN7E_8", 0x28, 0}, {"PIP_DELM", 0x28, 0},
        {"MOLT2", 0x08, 0},     {"MOLT2old", 0x08, 0},   {"BRUN3vm", 0x08, 0},      {"SEVO1", 0x08, 0},
        {"TIRA5", 0x08, 1},     {"TIRA6", 0x08, 2},      {"TIRA4", 0x08, 3},
    };
    ASSERT_EQ(Devices().size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        EmulatorConfig cfg;
        cfg.Device = QLatin1String(c.library);
        const AdapterEmulator emu(cfg);
        ASSERT_EQ(emu.Config().Device, QLatin1String(c.library));
        EXPECT_EQ(emu.EffectiveStatus(), c.status);
        EXPECT_EQ(emu.Device()->Id, c.id);
        int named = 0;
        for (const ostan::adapter::DeviceIdEntry& e : ostan::adapter::DeviceIds)
            if (QLatin1String(e.Library) == QLatin1String(c.library)) {
                EXPECT_EQ(e.Id, c.id);
                ++named;
            }
        EXPECT_EQ(named, c.id ? 1 : 0);
    }

    // A device played later sets the bit; the other bits stay.
    EmulatorConfig cfg;
    cfg.Status = 0x2C;
    AdapterEmulator emu(cfg);
    ASSERT_TRUE(emu.SetDevice(QStringLiteral("TIRA4")));
    EXPECT_EQ(emu.EffectiveStatus(), 0x0C);
    ASSERT_TRUE(emu.SetDevice(QStringLiteral("PIP_DELM")));
    EXPECT_EQ(emu.EffectiveStatus(), 0x2C);
}

TEST_F(EmulatorTest, AMeterAnnouncesItselfAfterEachResetAndEachStatusFrame)
{
    EmulatorConfig cfg;
    cfg.Device = QStringLiteral("TIRA6");
    cfg.StreamOnSelectMs = 10;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B115200);
    const QByteArray init = H("731B68"), id = H("37020000000002"), status = H("62086A");
    const auto nothingMore = [&] {
        ostan::PumpUntil([] { return false; }, 150);
        line.Drain();
        EXPECT_TRUE(line.Got.isEmpty()) << line.Got.toHex().toStdString();
        line.Got.clear();
    };

    // The reset's answer, then the identifier; no data.
    line.Write(H("0D0AFFF8"));
    EXPECT_EQ(line.Take(10), init + id);
    nothingMore();

    // A select starts the data; a reset stops them, and only the identifier
    // follows until the next select.
    line.Write(H("0D0A0403" "0303"));
    EXPECT_EQ(static_cast<uint8_t>(line.Take(19).at(0)), DataHeader);
    line.Write(H("0D0AFFF8"));
    UntilReceived(14);
    EXPECT_FALSE(emu.IsStreaming());
    ASSERT_TRUE(ostan::PumpUntil([&] { line.Drain(); return line.Got.contains(id); }, 10000));
    EXPECT_TRUE(line.Got.endsWith(init + id)) << line.Got.toHex().toStdString();
    line.Got.clear();
    nothingMore();

    // Periodic status frames carry the identifier behind them; without power
    // the meter is silent and its data stop.
    emu.SetStatusPeriod(20);
    EXPECT_EQ(line.Take(10), status + id);
    line.Write(H("0D0A0403" "0303"));
    UntilReceived(20);
    ASSERT_TRUE(emu.IsStreaming());
    emu.SetPower(false);
    EXPECT_FALSE(emu.IsStreaming());
    line.Fresh();
    EXPECT_EQ(line.Take(9), H("620062" "620062" "620062"));

    // An emulator told not to announce sends no identifier.
    EmulatorConfig quiet = cfg;
    quiet.AnnounceDevice = false;
    quiet.StatusPeriodMs = 20;
    Emu.reset();
    auto& still = Make(quiet);
    Line other(still.SlavePath(), B115200);
    other.Write(H("0D0AFFF8"));
    ostan::PumpUntil([] { return false; }, 200);
    other.Drain();
    EXPECT_TRUE(other.Got.contains(init));
    EXPECT_TRUE(other.Got.contains(status));
    EXPECT_FALSE(other.Got.contains(char(DeviceIdHeader))) << other.Got.toHex().toStdString();
}

TEST_F(EmulatorTest, ShortCircuitResetClearsItsStatusBit)
{
    EmulatorConfig cfg;
    cfg.Status = 0x2C;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B115200);
    line.Write(H("0D0A0502"));
    UntilReceived(4);
    EXPECT_EQ(emu.Status(), 0x28);
}

TEST_F(EmulatorTest, MappingLivesAsLongAsTheTerminal)
{
    // left over from an emulator that did not end cleanly
    {
        ostan::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(SerialComm, true));
        reg.WriteString(QStringLiteral("/dev/pts/999"), QStringLiteral("COM7"));
        reg.WriteString(QStringLiteral("/dev/pts/998"), QStringLiteral("COM8"));
    }
    auto& emu = Make();
    const QString first = emu.SlavePath();
    EXPECT_EQ(Mapping(first), QStringLiteral("COM7"));
    EXPECT_EQ(ostan::SerialDevicePathForPort(7), first);
    EXPECT_EQ(Mapping(QStringLiteral("/dev/pts/999")), QString());
    EXPECT_EQ(Mapping(QStringLiteral("/dev/pts/998")), QStringLiteral("COM8"));

    Line line(first, B115200);
    emu.Hangup();
    EXPECT_FALSE(line.Drain()); // read gives 0 or EIO
    EXPECT_EQ(Mapping(first), QString());

    ASSERT_TRUE(emu.Resume());
    const QString second = emu.SlavePath();
    EXPECT_NE(second, first);
    EXPECT_EQ(ostan::SerialDevicePathForPort(7), second);
    Line again(second, B115200);
    again.Write(Probe);
    EXPECT_EQ(again.Take(3).toHex(), "741b6f");

    Emu.reset();
    EXPECT_EQ(Mapping(second), QString());
    EXPECT_EQ(ostan::SerialDevicePathForPort(7), QString());
}

namespace {
// The command-line program, as scripts and the integration tests start it.
class EmulatorProcess {
public:
    explicit EmulatorProcess(const QStringList& Args, bool NullStdin = false)
    {
        if (NullStdin)
            Proc.setStandardInputFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OSTAN_SYSTEM_SERIAL_DEVICES"), QString()); // only our mapping
        Proc.setProcessEnvironment(env);
        Proc.start(QStringLiteral(ADAPTER_EMULATOR_BIN), Args);
    }
    ~EmulatorProcess()
    {
        if (Proc.state() != QProcess::NotRunning) {
            Proc.kill();
            Proc.waitForFinished(1000);
        }
    }
    // The next line on stdout, or empty after the timeout.
    QString NextLine(uint32_t TimeoutMs = 15000)
    {
        ostan::PumpUntil([&] { Proc.waitForReadyRead(5); return Proc.canReadLine(); }, TimeoutMs);
        return QString::fromLocal8Bit(Proc.readLine()).trimmed();
    }
    QProcess Proc;
};
} // namespace

TEST_F(EmulatorTest, CommandLineProgramMapsReportsAndCleansUp)
{
    EmulatorProcess p({"--port", "9", "--baud", "57600", "--firmware", "26", "--registry", StorePath});
    const QStringList ready = p.NextLine().split(' ');
    ASSERT_EQ(ready.size(), 3) << ready.join(' ').toStdString();
    EXPECT_EQ(ready[0], QStringLiteral("ready"));
    EXPECT_EQ(ready[2], QStringLiteral("COM9"));
    EXPECT_EQ(Mapping(ready[1]), QStringLiteral("COM9"));

    Line line(ready[1], B57600);
    line.Write(Probe);
    EXPECT_EQ(p.NextLine(), QStringLiteral("cmd 07"));
    EXPECT_EQ(line.Take(3).toHex(), "741a6e");
    p.Proc.write("devid 5\n");
    EXPECT_EQ(line.Take(7).toHex(), "37050000000005");

    p.Proc.terminate(); // SIGTERM
    ASSERT_TRUE(p.Proc.waitForFinished(10000));
    EXPECT_EQ(p.Proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.Proc.exitCode(), 0);
    EXPECT_EQ(Mapping(ready[1]), QString());
}

TEST_F(EmulatorTest, CommandLineProgramEndsAtEndOfInputUnlessStdinIsNull)
{
    {
        EmulatorProcess p({"--registry", StorePath});
        const QString ready = p.NextLine();
        ASSERT_TRUE(ready.startsWith(QLatin1String("ready "))) << ready.toStdString();
        p.Proc.closeWriteChannel();
        ASSERT_TRUE(p.Proc.waitForFinished(10000));
        EXPECT_EQ(p.Proc.exitCode(), 0);
        EXPECT_EQ(Mapping(ready.section(' ', 1, 1)), QString());
    }
    {
        // as `make run` starts it: in the background, stdin from /dev/null
        EmulatorProcess p({"--registry", StorePath}, true);
        const QString ready = p.NextLine();
        ASSERT_TRUE(ready.startsWith(QLatin1String("ready "))) << ready.toStdString();
        Line line(ready.section(' ', 1, 1), B115200);
        line.Write(Probe);
        EXPECT_EQ(line.Take(3).toHex(), "741b6f");
        EXPECT_EQ(p.Proc.state(), QProcess::Running);
        p.Proc.terminate();
        ASSERT_TRUE(p.Proc.waitForFinished(10000));
        EXPECT_EQ(p.Proc.exitCode(), 0);
    }
}

TEST_F(EmulatorTest, TheChosenDeviceStreamsAtTheLineRateAndEveryByteIsCounted)
{
    EmulatorConfig cfg;
    cfg.Device = QStringLiteral("MOLT2");
    cfg.StreamOnSelectMs = StreamLineRate;
    auto& emu = Make(cfg);
    Line line(emu.SlavePath(), B115200);
    line.Write(H("0D0A0403" "0303"));
    // Whole analyser packets, each passing its check, back to back.
    const QByteArray got = line.Take(21 * 30, 3000);
    ASSERT_EQ(got.size(), 21 * 30);
    for (int i = 0; i < got.size(); i += 21) {
        const QByteArray p = got.mid(i, 21);
        EXPECT_EQ(static_cast<uint8_t>(p[0]), DataHeader) << i;
        EXPECT_EQ(XorOf(p, 1), 0) << i;
    }
    emu.StopStream();
    line.Drain();
    // What the emulator sent is what the line delivered.
    EXPECT_EQ(emu.BytesUnread(), 0);
    EXPECT_EQ(emu.BytesDropped(), 0);
    EXPECT_EQ(emu.BytesSent(), got.size() + line.Got.size());

    // The log decodes the analyser's commands.
    EXPECT_EQ(EmulatorConsole::CommandLine(emu.Commands().front(), emu.Device()).toStdString(), "cmd 04 payload 03 03");
    EXPECT_FALSE(emu.SetDevice(QStringLiteral("NoSuchDevice")));
    EXPECT_STREQ(emu.Device()->Library, "MOLT2");
}
