#include "Registry.h"
#include "TempStore.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace ostan;

namespace {

constexpr int PtyPort = 7;

// A pseudo-terminal whose slave is mapped to COM7 in a store of the test's own.
class VaCommTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(Master, 0);
        ASSERT_EQ(::grantpt(Master), 0);
        ASSERT_EQ(::unlockpt(Master), 0);
        char name[PATH_MAX];
        ASSERT_EQ(::ptsname_r(Master, name, sizeof name), 0);
        SlavePath = QString::fromLocal8Bit(name);
        Map(SlavePath, PtyPort);

        Comm.SetPortNum(PtyPort);
        Comm.SetBaudrate(br115200);
        QObject::connect(&Comm, &TVaComm::OnRxChar, [this](int Count) { RxEvents.push_back(Count); });
        QObject::connect(&Comm, &TVaComm::OnHangUp, [this] { ++HangUps; });
    }
    void TearDown() override
    {
        Comm.Close();
        CloseMaster();
        SetTickSourceForTest({});
        SetSystemSerialDevicesForTest({});
    }

    static void Map(const QString& Device, int Port)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", true));
        reg.WriteString(Device, QStringLiteral("COM%1").arg(Port));
    }

    void CloseMaster()
    {
        if (Master >= 0)
            ::close(Master);
        Master = -1;
    }

    // Reads from the master until Count bytes came or a generous bound passed
    // (the bound only keeps a broken build from hanging).
    QByteArray ReadMaster(int Count)
    {
        QByteArray got;
        for (int rounds = 0; got.size() < Count && rounds < 50; ++rounds) {
            pollfd p{Master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(Master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
        return got;
    }

    speed_t MasterSpeed() const
    {
        termios tio{};
        EXPECT_EQ(::tcgetattr(Master, &tio), 0);
        return ::cfgetospeed(&tio);
    }

    test::TTempStore Store;
    int Master = -1;
    QString SlavePath;
    TVaComm Comm;
    std::vector<int> RxEvents;
    int HangUps = 0;
};

std::string OpenError(TVaComm& Comm)
{
    try {
        Comm.Open();
    } catch (const EVaCommError& e) {
        return e.what();
    }
    return "(opened)";
}

} // namespace

TEST_F(VaCommTest, MovesBytesBothWaysRawAt115200)
{
    ASSERT_NO_THROW(Comm.Open());
    ASSERT_TRUE(Comm.Active());
    EXPECT_EQ(Comm.DeviceName(), "COM7");

    // The master reports the slave's settings: the emulator reads the speed there.
    termios tio{};
    ASSERT_EQ(::tcgetattr(Master, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B115200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);

    const char probe[] = {0x0D, 0x0A, 0x07, 0x00};
    EXPECT_EQ(Comm.WriteBuf(probe, 4), 4);
    EXPECT_EQ(ReadMaster(4), QByteArray(probe, 4)); // no CR/LF translation

    const QByteArray frame("\x74\x1B\x6F", 3);
    ASSERT_EQ(::write(Master, frame.constData(), 3), 3);
    ASSERT_TRUE(PumpUntil([&] { return !RxEvents.empty(); }, 20000));
    EXPECT_EQ(RxEvents.front(), 3);
    EXPECT_EQ(Comm.ReadBufUsed(), 3);

    // Bytes left unread raise no stream of events.
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(RxEvents.size(), 1u);
    EXPECT_EQ(Comm.ReadText(), frame);
    EXPECT_EQ(Comm.ReadBufUsed(), 0);
    EXPECT_EQ(Comm.ReadText(), QByteArray());
    EXPECT_EQ(HangUps, 0);
}

TEST_F(VaCommTest, EachBaudCodeSetsItsSpeed)
{
    struct Case { int Code; int Rate; speed_t Speed; };
    const Case cases[] = {{9, 19200, B19200}, {10, 38400, B38400}, {12, 57600, B57600}, {13, 115200, B115200}};
    for (const auto& c : cases) {
        EXPECT_EQ(BaudRateOfCode(c.Code), c.Rate);
        Comm.Close();
        Comm.SetBaudrate(c.Code);
        EXPECT_FALSE(Comm.Active()); // setting the code opens nothing
        ASSERT_NO_THROW(Comm.Open()) << c.Code;
        EXPECT_EQ(MasterSpeed(), c.Speed) << c.Code;
    }
    for (int code : {0, 11, 14, -1})
        EXPECT_EQ(BaudRateOfCode(code), 0);
}

TEST_F(VaCommTest, OpenRefusesWithAReadableMessage)
{
    QFile plain(Store.DirPath() + "/plain");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Map(plain.fileName(), 9);
    Map(Store.DirPath() + "/gone", 10);

    struct Case { int Port; int Code; std::string Names; };
    const Case cases[] = {
        {0, br115200, "номер"},            // no port
        {PtyPort, 11, "11"},                // unknown baud code
        {8, br115200, "COM8"},              // nothing mapped to it
        {9, br115200, "plain"},             // not a terminal
        {10, br115200, "gone"},             // the device is missing
    };
    for (const auto& c : cases) {
        Comm.SetPortNum(c.Port);
        Comm.SetBaudrate(c.Code);
        const std::string m = OpenError(Comm);
        EXPECT_NE(m, "(opened)") << c.Port;
        EXPECT_NE(m.find(c.Names), std::string::npos) << m;
        EXPECT_FALSE(Comm.Active()) << c.Port;
    }
    EXPECT_EQ(Comm.WriteBuf("x", 1), 0); // a closed port writes nothing
}

TEST_F(VaCommTest, ClosedMasterIsAHangUpWithoutSpinning)
{
    ASSERT_NO_THROW(Comm.Open());
    CloseMaster();
    ASSERT_TRUE(PumpUntil([&] { return HangUps > 0; }, 20000));
    EXPECT_FALSE(Comm.Active());
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(HangUps, 1);
    EXPECT_LE(RxEvents.size(), 1u);
    EXPECT_EQ(Comm.ReadBufUsed(), 0);
    EXPECT_EQ(Comm.WriteBuf("x", 1), 0);
    Comm.Close();
    Comm.Close();
    EXPECT_FALSE(Comm.Active());
}

TEST_F(VaCommTest, HangUpDuringAWriteReturnsWhatWasWritten)
{
    ASSERT_NO_THROW(Comm.Open());
    CloseMaster();
    EXPECT_EQ(Comm.WriteBuf("\x0D\x0A\x07\x00", 4), 0);
    EXPECT_FALSE(Comm.Active());
    EXPECT_EQ(HangUps, 0); // raised from the event loop, not inside the write
    ASSERT_TRUE(PumpUntil([&] { return HangUps > 0; }, 20000));
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(HangUps, 1);
}

TEST_F(VaCommTest, FullDeviceGivesAShortTrueCount)
{
    ASSERT_NO_THROW(Comm.Open());
    uint32_t now = 0;
    SetTickSourceForTest([&] { return now += 1000; }); // the wait runs out at once
    const QByteArray big(1 << 20, 'x');
    const int written = Comm.WriteBuf(big.constData(), static_cast<int>(big.size()));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, big.size());
    EXPECT_TRUE(Comm.Active());
    SetTickSourceForTest({});

    qsizetype drained = 0;
    char buf[65536];
    for (ssize_t n; (n = ::read(Master, buf, sizeof buf)) > 0;)
        drained += n;
    EXPECT_EQ(drained, written);
}

namespace {

// Runs Body in a child process with a pipe back; returns what it wrote.
// The child ends with _exit, so nothing of the test runs twice.
template <class F>
std::string InChild(F Body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "(no pipe)";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const std::string said = Body();
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string got;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return got;
}

void ExpectInUse(const std::string& Message)
{
    EXPECT_NE(Message.find("COM7"), std::string::npos) << Message;
    EXPECT_NE(Message.find("занят"), std::string::npos) << Message;
}

} // namespace

TEST_F(VaCommTest, APortHeldByAnotherProcessIsAFailedOpen)
{
    // A second copy of the program cannot open the port this one holds.
    ASSERT_NO_THROW(Comm.Open());
    ExpectInUse(InChild([] {
        TVaComm second;
        second.SetPortNum(PtyPort);
        return OpenError(second);
    }));
    EXPECT_TRUE(Comm.Active());

    // Nor can this one open a port that another serial program has locked;
    // once that program lets go, it can.
    Comm.Close();
    int hold[2], release[2];
    ASSERT_EQ(::pipe(hold), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        ::close(release[1]);
        const int fd = ::open(QFile::encodeName(SlavePath).constData(), O_RDWR | O_NOCTTY);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        [[maybe_unused]] const ssize_t w = ::write(hold[1], &ok, 1);
        char c;
        [[maybe_unused]] const ssize_t r = ::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(hold[1]);
    ::close(release[0]);
    char locked = 0;
    ASSERT_EQ(::read(hold[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');
    ExpectInUse(OpenError(Comm));
    EXPECT_FALSE(Comm.Active());
    ::close(release[1]);
    ::waitpid(other, nullptr, 0);
    ::close(hold[0]);
    EXPECT_EQ(OpenError(Comm), "(opened)");
}
