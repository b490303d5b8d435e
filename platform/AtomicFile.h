#pragma once
// Replacing a file so that a crash, a full disk or a failed write leaves the
// old one whole: a temporary file beside it, fsync, rename, fsync of the folder.
#include "ErrorReasons.h"
#include "PlatformApi.h"

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace ostan {

// Carries the system's reason (ErrnoReason) for the failed step.
class OSTAN_PLATFORM_API EAtomicWriteError : public std::runtime_error {
public:
    EAtomicWriteError(const QString& Reason, int Error);
    QString Reason() const { return QString::fromUtf8(what()); }
    int Error; // errno
};

// Writes Bytes to Path through "<Path>.tmp.<pid>". A symbolic link is
// written through: the file at the end of its chain is replaced, beside
// itself, and the link stays. The new file keeps the permission bits of the
// one it replaces; a name that holds no regular file (a device, a FIFO, a
// folder) is refused. On failure the temporary file is removed, Path is
// untouched, and EAtomicWriteError is raised.
// FailAfterBytes >= 0 makes the write fail with "no space" after that many
// bytes, as a full disk would (a test hook of the callers).
OSTAN_PLATFORM_API void WriteFileAtomically(const QString& Path, const QByteArray& Bytes,
                                            long long FailAfterBytes = -1);

// The file a chain of symbolic links at Path ends in (its absolute path;
// Path itself when it is no link); a link to nothing gives the name it
// points to.
OSTAN_PLATFORM_API QString FinalTarget(const QString& Path);

// Removes the temporary files that writers of Path (its final target) killed before their
// rename left beside it. A writer that holds a lock over its writes passes
// AllWriters; otherwise a file whose writer still runs is left to it.
enum class TLeftovers { AllWriters, DeadWriters };
OSTAN_PLATFORM_API void RemoveTemporaryLeftovers(const QString& Path, TLeftovers Which);

// fsync of a folder, so that a rename inside it is durable.
OSTAN_PLATFORM_API void SyncFolder(const QString& Folder);

} // namespace ostan
