#include "RegularFile.h"

#include "ErrorReasons.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ostan {

QString NotRegularReason(mode_t Mode)
{
    QString What;
    if (S_ISDIR(Mode))
        What = QStringLiteral("папка");
    else if (S_ISFIFO(Mode))
        What = QStringLiteral("канал (FIFO)");
    else if (S_ISCHR(Mode) || S_ISBLK(Mode))
        What = QStringLiteral("устройство");
    else if (S_ISSOCK(Mode))
        What = QStringLiteral("сокет");
    return What.isEmpty() ? QStringLiteral("это не обычный файл") : QStringLiteral("это не обычный файл, а ") + What;
}

bool PermitsWriting(const struct stat& Status, const QString& Path)
{
    return (Status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0
        && ::access(QFile::encodeName(Path).constData(), W_OK) == 0;
}

TRegularFile::~TRegularFile() { Close(); }

void TRegularFile::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

bool TRegularFile::Fail(int Error, const QString& Reason)
{
    Close();
    FError = Error;
    FReason = Reason;
    return false;
}

bool TRegularFile::Open(const QString& Path, int Flags, mode_t Mode)
{
    Close();
    FError = 0;
    FReason.clear();
    const QByteArray Native = QFile::encodeName(Path);
    // Judged before the open, so that no device is opened at all (an open
    // alone may act on one); judged again after it, as the name may have
    // been replaced in between.
    struct stat Before {};
    if (::stat(Native.constData(), &Before) == 0) {
        if (!S_ISREG(Before.st_mode))
            return Fail(0, NotRegularReason(Before.st_mode));
    } else if (errno != ENOENT || !(Flags & O_CREAT)) {
        return Fail(errno, ErrnoReason(errno));
    }
    do
        FFd = ::open(Native.constData(), Flags | O_NONBLOCK | O_CLOEXEC, Mode);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0)
        return Fail(errno, ErrnoReason(errno));
    if (::fstat(FFd, &FStatus) != 0)
        return Fail(errno, ErrnoReason(errno));
    if (!S_ISREG(FStatus.st_mode))
        return Fail(0, NotRegularReason(FStatus.st_mode));
    return true;
}

bool TRegularFile::ReadAll(qint64 Limit, QByteArray& Bytes)
{
    Bytes.clear();
    if (FFd < 0)
        return Fail(EBADF, ErrnoReason(EBADF));
    const QString TooLarge = QStringLiteral("файл слишком велик (больше %1 байт)").arg(Limit);
    if (FStatus.st_size > Limit)
        return Fail(EFBIG, TooLarge);
    // The size can be stale or 0 (files of the kernel), so the reads go on
    // to the end of the file, one byte past the cap at most.
    Bytes.resize(qsizetype(FStatus.st_size) + 1);
    qint64 Done = 0;
    for (;;) {
        if (Done == Bytes.size()) {
            if (Done > Limit) {
                Bytes.clear();
                return Fail(EFBIG, TooLarge);
            }
            Bytes.resize(qsizetype(std::min<qint64>(Limit + 1, std::max<qint64>(Done * 2, 16384))));
        }
        const ssize_t N = ::pread(FFd, Bytes.data() + Done, size_t(Bytes.size() - Done), off_t(Done));
        if (N < 0 && errno == EINTR)
            continue;
        if (N < 0) {
            const int E = errno;
            Bytes.clear();
            return Fail(E, ErrnoReason(E));
        }
        if (N == 0)
            break;
        Done += N;
    }
    Bytes.truncate(qsizetype(Done));
    return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& Path, qint64 Limit, QString* Reason)
{
    QByteArray Bytes;
    if (Path.startsWith(u':')) {
        // A resource of the program: memory, nothing can block.
        QFile Resource(Path);
        if (!Resource.open(QIODevice::ReadOnly) || Resource.size() > Limit) {
            if (Reason)
                *Reason = Resource.isOpen() ? QStringLiteral("файл слишком велик (больше %1 байт)").arg(Limit)
                                            : ErrnoReason(ENOENT);
            return std::nullopt;
        }
        return Resource.readAll();
    }
    TRegularFile File;
    if (File.Open(Path) && File.ReadAll(Limit, Bytes))
        return Bytes;
    if (Reason)
        *Reason = File.Reason();
    return std::nullopt;
}

} // namespace ostan
