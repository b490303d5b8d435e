#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostan {

EAtomicWriteError::EAtomicWriteError(const QString& Reason, int Error)
    : std::runtime_error(Reason.toStdString()), Error(Error)
{}

namespace {
[[noreturn]] void Fail(int Error)
{
    throw EAtomicWriteError(ErrnoReason(Error), Error);
}

const QString TemporaryInfix = QStringLiteral(".tmp.");

QByteArray TemporaryOf(const QByteArray& Target) { return Target + TemporaryInfix.toLatin1() + QByteArray::number(::getpid()); }

bool Runs(pid_t Pid) { return Pid == ::getpid() ? false : ::kill(Pid, 0) == 0 || errno == EPERM; }
} // namespace

void RemoveTemporaryLeftovers(const QString& Path, TLeftovers Which)
{
    const QFileInfo file(Path);
    const QString prefix = file.fileName() + TemporaryInfix;
    const QDir folder = file.absoluteDir();
    for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System)) {
        bool numeric = false;
        const long pid = name.mid(prefix.size()).toLong(&numeric);
        if (!numeric || pid <= 0)
            continue; // not one of ours
        if (Which == TLeftovers::DeadWriters && Runs(pid_t(pid)))
            continue;
        ::unlink(QFile::encodeName(folder.filePath(name)).constData());
    }
}

void SyncFolder(const QString& Folder)
{
    const int fd = ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void WriteFileAtomically(const QString& Path, const QByteArray& Bytes, long long FailAfterBytes)
{
    const QByteArray target = QFile::encodeName(Path);
    const QByteArray temp = TemporaryOf(target);
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(errno);
    auto fail = [&](int Error) {
        ::close(fd);
        ::unlink(temp.constData());
        Fail(Error);
    };
    struct stat old;
    if (::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    qsizetype done = 0;
    while (done < Bytes.size()) {
        qsizetype chunk = Bytes.size() - done;
        if (FailAfterBytes >= 0) {
            chunk = std::min<qsizetype>(chunk, FailAfterBytes - done);
            if (chunk <= 0)
                fail(ENOSPC);
        }
        const ssize_t n = ::write(fd, Bytes.constData() + done, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : EIO);
        done += n;
    }
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(temp.constData());
        Fail(e);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int e = errno;
        ::unlink(temp.constData());
        Fail(e);
    }
    SyncFolder(QFileInfo(Path).absolutePath());
}

} // namespace ostan
