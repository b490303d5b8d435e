#include "VaComm.h"

#include "ErrorReasons.h"
#include "Registry.h"
#include "Ticks.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace ostan {

namespace {

// A write waits this long in all for a full device before it gives up.
constexpr uint32_t WriteWaitMs = 1000;

speed_t SpeedOfCode(int Code)
{
    switch (Code) {
    case br19200: return B19200;
    case br38400: return B38400;
    case br57600: return B57600;
    case br115200: return B115200;
    default: return B0;
    }
}

QString ErrorText(int Error) { return ErrnoReason(Error); }

[[noreturn]] void Fail(const QString& Message) { throw EVaCommError(Message.toStdString()); }

bool IsHangUpError(int Error)
{
    return Error == EIO || Error == ENXIO || Error == ENODEV || Error == EPIPE;
}

// Marks the notifier's handler on the stack for its whole run, also when a
// receive handler raises.
struct DepthGuard {
    explicit DepthGuard(int& D) : Depth(D) { ++Depth; }
    ~DepthGuard() { --Depth; }
    int& Depth;
};

} // namespace

int BaudRateOfCode(int Code)
{
    switch (Code) {
    case br19200: return 19200;
    case br38400: return 38400;
    case br57600: return 57600;
    case br115200: return 115200;
    default: return 0;
    }
}

TVaComm::TVaComm(QObject* Parent) : QObject(Parent) {}

TVaComm::~TVaComm() { Close(); }

void TVaComm::SetPortNum(int Num) { Port = Num; }

void TVaComm::SetBaudrate(int Code) { Baud = Code; }

QString TVaComm::DeviceName() const { return QStringLiteral("COM%1").arg(Port); }

void TVaComm::Open()
{
    Close();
    if (Port <= 0)
        Fail(QStringLiteral("Не задан номер последовательного порта"));
    const speed_t speed = SpeedOfCode(Baud);
    if (speed == B0)
        Fail(QStringLiteral("Порт %1: недопустимый код скорости %2").arg(DeviceName()).arg(Baud));
    QString path;
    try {
        path = SerialDevicePathForPort(Port);
    } catch (const ERegistryException& e) {
        Fail(QStringLiteral("Порт %1: %2").arg(DeviceName(), QString::fromUtf8(e.what())));
    }
    if (path.isEmpty())
        Fail(QStringLiteral("Порт %1 не найден в системе").arg(DeviceName()));

    const QString inUse = QStringLiteral("Порт %1 (%2) занят другой программой").arg(DeviceName(), path);
    auto busy = [&] { throw EVaCommError(inUse, path, EBUSY); };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EBUSY)
        busy(); // held exclusively elsewhere
    if (fd < 0) {
        const int e = errno;
        throw EVaCommError(QStringLiteral("Не удалось открыть порт %1 (%2): %3").arg(DeviceName(), path, ErrorText(e)),
                           path, e);
    }
    auto refuse = [&](const QString& What) {
        const int e = errno;
        ::close(fd);
        throw EVaCommError(QStringLiteral("Порт %1 (%2): %3: %4").arg(DeviceName(), path, What, ErrorText(e)), path, e);
    };
    termios tio;
    if (::tcgetattr(fd, &tio) != 0)
        refuse(QStringLiteral("это не последовательный порт"));
    // The port is ours alone: the advisory lock that serial programs take on
    // the device (it holds for every user), and the terminal's exclusive
    // mode, which refuses further opens by other users outright.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            busy();
        }
        refuse(QStringLiteral("не удалось заблокировать порт"));
    }
    ::ioctl(fd, TIOCEXCL);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // VMIN 1: a non-blocking read of an empty port fails with EAGAIN; with
    // VMIN 0 it would return 0, which could not be told from a hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        refuse(QStringLiteral("не удалось установить параметры"));
    // A pseudo-terminal has no modem lines and refuses this; that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    ::tcflush(fd, TCIOFLUSH);

    Fd = fd;
    ++Generation;
    Notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TVaComm::DataReady);
}

void TVaComm::Close()
{
    if (Notifier) {
        Notifier->setEnabled(false);
        // Deleting a notifier from inside its own activation is not safe.
        if (NotifierDepth > 0)
            Notifier.release()->deleteLater();
        else
            Notifier.reset();
    }
    if (Fd >= 0) {
        // The exclusive mode outlives our descriptor while another one is
        // open (an emulator holding its pseudo-terminal): lift it.
        ::ioctl(Fd, TIOCNXCL);
        ::close(Fd);
        Fd = -1;
    }
    Pending.clear();
}

bool TVaComm::Drain()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(Fd, buf, sizeof buf);
        if (n > 0) {
            Pending.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Anything but "nothing more waiting" means the device is gone:
        // treating it so is what keeps a dead device from spinning the loop.
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void TVaComm::DataReady()
{
    if (Fd < 0)
        return;
    DepthGuard depth(NotifierDepth);
    const unsigned generation = Generation;
    const qsizetype before = Pending.size();
    const bool alive = Drain();
    if (Pending.size() > before) {
        emit OnRxChar(static_cast<int>(Pending.size()));
        if (Fd < 0 || Generation != generation)
            return; // the handler closed or reopened the port
    }
    if (!alive)
        HangUp();
}

void TVaComm::HangUp()
{
    Close();
    emit OnHangUp();
}

void TVaComm::LostDuringWrite()
{
    Close();
    // Raised from the event loop, so the writer sees its short count first.
    const unsigned generation = Generation;
    QTimer::singleShot(0, this, [this, generation] {
        if (Generation == generation && Fd < 0)
            emit OnHangUp();
    });
}

int TVaComm::WriteBuf(const void* Buffer, int Count)
{
    if (Fd < 0 || !Buffer || Count <= 0)
        return 0;
    const char* bytes = static_cast<const char*>(Buffer);
    const uint32_t start = GetTickCount();
    int done = 0;
    while (done < Count) {
        const ssize_t n = ::write(Fd, bytes + done, static_cast<size_t>(Count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const uint32_t spent = TicksSince(start);
            if (spent >= WriteWaitMs)
                break;
            pollfd p{Fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(WriteWaitMs - spent));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break; // still full: give up with what went out
            if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
                LostDuringWrite();
                break;
            }
            continue;
        }
        if (n < 0 && IsHangUpError(errno))
            LostDuringWrite();
        break;
    }
    return done;
}

QByteArray TVaComm::ReadText()
{
    // A hang-up seen here is left to the notifier, which fires for it.
    if (Fd >= 0)
        Drain();
    return std::exchange(Pending, QByteArray());
}

int TVaComm::ReadBufUsed() const
{
    int waiting = 0;
    if (Fd < 0 || ::ioctl(Fd, FIONREAD, &waiting) != 0)
        waiting = 0;
    return static_cast<int>(Pending.size()) + waiting;
}

} // namespace ostan
