#include "TermSignal.h"

#include "EndSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ostan {

namespace {
int Pipe[2] = {-1, -1};

void OnSignal(int)
{
    // The code interrupted may be about to read errno (the atomic write's
    // error path does): the write here must not change it.
    const int SavedErrno = errno;
    NoteEndSignal();
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(Pipe[1], &c, 1); // async-signal-safe
    errno = SavedErrno;
}
} // namespace

void WatchTerminationSignals(std::function<void()> OnRequest)
{
    if (Pipe[0] < 0) {
        if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
    }
    auto* notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [OnRequest] {
        char buf[16];
        while (::read(Pipe[0], buf, sizeof buf) > 0) {
        }
        OnRequest();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &sa, nullptr);
}

} // namespace ostan
