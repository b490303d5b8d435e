#include "AtomicFile.h"

#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
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

QString FinalTarget(const QString& Path)
{
    QString At = QFileInfo(Path).absoluteFilePath();
    for (int Hops = 0; Hops < 40; ++Hops) {
        const QByteArray Native = QFile::encodeName(At);
        struct stat St;
        if (::lstat(Native.constData(), &St) != 0 || !S_ISLNK(St.st_mode))
            break;
        QByteArray Link(PATH_MAX, Qt::Uninitialized);
        const ssize_t N = ::readlink(Native.constData(), Link.data(), size_t(Link.size()));
        if (N <= 0 || N >= Link.size())
            break;
        Link.truncate(N);
        const QString Next = QFile::decodeName(Link);
        At = QDir::cleanPath(QDir::isAbsolutePath(Next) ? Next : QFileInfo(At).absolutePath() + u'/' + Next);
    }
    return At;
}

void RemoveTemporaryLeftovers(const QString& Path, TLeftovers Which)
{
    const QFileInfo file(FinalTarget(Path));
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
    // Through a link: the file it names is replaced in its own folder, so
    // the rename stays on one file system and the link stays a link.
    const QString final = FinalTarget(Path);
    const QByteArray target = QFile::encodeName(final);
    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    // A rename would put a file in place of a device, a FIFO or a folder.
    if (exists && !S_ISREG(old.st_mode))
        throw EAtomicWriteError(NotRegularReason(old.st_mode), EINVAL);
    const QByteArray temp = TemporaryOf(target);
    // A new file of our own, never whatever lies under the name already
    // (a FIFO would block the open, a link would lead elsewhere); the name
    // carries our pid, so anything there is a leftover of a dead process.
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(errno);
    auto fail = [&](int Error) {
        ::close(fd);
        ::unlink(temp.constData());
        Fail(Error);
    };
    if (exists)
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
    SyncFolder(QFileInfo(final).absolutePath());
}

} // namespace ostan
