#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    throw EAtomicWriteError(QString::fromLocal8Bit(std::strerror(Error)), Error);
}
} // namespace

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
    const QByteArray temp = target + ".tmp." + QByteArray::number(::getpid());
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
