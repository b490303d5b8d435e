#pragma once
// Another process that holds an exclusive lock on a file, as a tool or a
// second program writing the settings store would, until the object goes.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostan::test {

class TLockHolder {
public:
    // Returns once the lock is held.
    explicit TLockHolder(const QString& Path)
    {
        int Ready[2];
        EXPECT_EQ(::pipe(Ready), 0);
        Pid = ::fork();
        if (Pid == 0) {
            const int Fd = ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_CREAT, 0666);
            if (Fd < 0 || ::flock(Fd, LOCK_EX) != 0)
                ::_exit(1);
            [[maybe_unused]] ssize_t N = ::write(Ready[1], "x", 1);
            for (;;)
                ::pause();
        }
        char C = 0;
        EXPECT_EQ(::read(Ready[0], &C, 1), 1);
        ::close(Ready[0]);
        ::close(Ready[1]);
    }
    ~TLockHolder()
    {
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
    }
    TLockHolder(const TLockHolder&) = delete;
    TLockHolder& operator=(const TLockHolder&) = delete;

    pid_t Pid = -1;
};

} // namespace ostan::test
