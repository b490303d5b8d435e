#include "PseudoTerminal.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace adapteremu {

namespace {
QString SystemError(const char* What)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(What), QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

int BaudFromSpeed(unsigned Speed)
{
    switch (Speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
    }
}

bool PseudoTerminal::Open(QString* Error)
{
    Close();
    const int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m < 0) {
        if (Error)
            *Error = SystemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
        if (Error)
            *Error = SystemError("pseudo-terminal setup");
        ::close(m);
        return false;
    }
    const int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        if (Error)
            *Error = SystemError("open slave");
        ::close(m);
        return false;
    }
    // Raw until the program sets its own mode: no echo of our frames back to
    // us, no CR/LF translation of the command header. The speed stays the
    // system's default, so a program that sets none does not match ours.
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
    }
    Master = m;
    SlaveKeeper = s;
    Slave = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::Close()
{
    if (Master >= 0)
        ::close(Master);
    if (SlaveKeeper >= 0)
        ::close(SlaveKeeper);
    Master = SlaveKeeper = -1;
}

int PseudoTerminal::LineBaud() const
{
    // On a pseudo-terminal the master reports the slave's settings, which the
    // program changes when it sets its speed.
    termios t{};
    if (Master < 0 || tcgetattr(Master, &t) != 0)
        return 0;
    return BaudFromSpeed(cfgetospeed(&t));
}

QByteArray PseudoTerminal::ReadAll(bool* HungUp)
{
    QByteArray out;
    if (HungUp)
        *HungUp = false;
    if (Master < 0)
        return out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(Master, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if ((n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) || n == 0) {
            if (HungUp)
                *HungUp = true;
        }
        break;
    }
    return out;
}

int PseudoTerminal::Write(const QByteArray& Bytes)
{
    if (Master < 0)
        return 0;
    int done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(Master, Bytes.constData() + done, static_cast<size_t>(Bytes.size() - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    return done;
}

int PseudoTerminal::Unread() const
{
    int n = 0;
    // The slave's input queue: what the master wrote and no reader took.
    if (SlaveKeeper < 0 || ::ioctl(SlaveKeeper, FIONREAD, &n) != 0)
        return 0;
    return n;
}

} // namespace adapteremu
