#pragma once
// Opening the program's own data files (the settings store and its lock,
// workbooks and their lock files, help, pictures) so that no file can hold
// the program: the open never waits (a FIFO would wait for a writer for
// good), only a regular file is taken (a device or a FIFO under the name,
// or behind a link, is refused before it is opened), and a read stops at a
// cap (a link to an endless device, a file that keeps growing).
#include "PlatformApi.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace ostan {

// "это не обычный файл, а папка" and the like, for the type in Mode.
OSTAN_PLATFORM_API QString NotRegularReason(mode_t Mode);

// One rule for a file that exists: it may be written when it has a write
// permission bit and the system lets this user write it. Root, whom the
// system lets write anything, is held back by the bits too.
OSTAN_PLATFORM_API bool PermitsWriting(const struct stat& Status, const QString& Path);

// An open regular file, closed with the object.
class OSTAN_PLATFORM_API TRegularFile {
public:
    TRegularFile() = default;
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    // Flags as for open(2) (O_RDONLY, O_CREAT, ...; O_NONBLOCK and O_CLOEXEC
    // are added); links are followed. False when Path names no regular
    // file or cannot be opened: Error() is then errno (0 for a file of
    // another type) and Reason() says why in Russian.
    bool Open(const QString& Path, int Flags = 0, mode_t Mode = 0644);
    void Close();

    int Fd() const { return FFd; }
    const struct stat& Status() const { return FStatus; } // as opened
    int Error() const { return FError; }
    QString Reason() const { return FReason; }

    // The file from its start, at most Limit bytes: false (with the reason)
    // when there is more, or when a read fails.
    bool ReadAll(qint64 Limit, QByteArray& Bytes);

private:
    bool Fail(int Error, const QString& Reason);

    int FFd = -1;
    struct stat FStatus {};
    int FError = 0;
    QString FReason;
};

// The whole of the regular file at Path (a resource ":/..." too) of at most
// Limit bytes; nullopt with the reason when it cannot be had.
OSTAN_PLATFORM_API std::optional<QByteArray> ReadRegularFile(const QString& Path, qint64 Limit,
                                                             QString* Reason = nullptr);

} // namespace ostan
