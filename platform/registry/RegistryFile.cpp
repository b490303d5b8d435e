#include "RegistryFile.h"

#include "AtomicFile.h"
#include "ErrorReasons.h"
#include "Registry.h"
#include "RegistryFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostan::registry {

long long& WriteFailAfter()
{
    static long long bytes = -1;
    return bytes;
}

// The last report of a damaged store, until someone shows it.
QString& DamageReport()
{
    static QString report;
    return report;
}

[[noreturn]] void Raise(const QString& Message)
{
    throw ERegistryException(Message.toStdString());
}

QString ErrorText(int Error) { return ErrnoReason(Error); }

QByteArray Native(const QString& Path) { return QFile::encodeName(Path); }

// Which file, and which version of it: a writer replaces the file by a new
// one, and an edit in place changes its size or time.
struct FileIdentity {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    timespec MTime{};
    timespec CTime{};

    bool operator==(const FileIdentity& O) const
    {
        auto same = [](const timespec& A, const timespec& B) { return A.tv_sec == B.tv_sec && A.tv_nsec == B.tv_nsec; };
        return Dev == O.Dev && Ino == O.Ino && Size == O.Size && same(MTime, O.MTime) && same(CTime, O.CTime);
    }
};

struct FileData {
    bool Exists = false;
    bool Unchanged = false; // the file is the version Known named; Bytes not read
    FileIdentity Identity;
    QByteArray Bytes;
};

FileIdentity IdentityOf(const struct stat& St) { return {St.st_dev, St.st_ino, St.st_size, St.st_mtim, St.st_ctim}; }

FileData ReadFile(const QString& Path, const FileIdentity* Known = nullptr)
{
    FileData f;
    const QByteArray native = Native(Path);
    if (struct stat st; Known && ::stat(native.constData(), &st) == 0 && IdentityOf(st) == *Known) {
        f.Exists = true;
        f.Unchanged = true; // one call, for the many reads of an unchanged store
        f.Identity = *Known;
        return f;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return f;
        Raise(QStringLiteral("Не удалось прочитать файл настроек %1: %2").arg(Path, ErrorText(errno)));
    }
    f.Exists = true;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        f.Identity = IdentityOf(st);
        if (Known && *Known == f.Identity) {
            ::close(fd);
            f.Unchanged = true;
            return f;
        }
        f.Bytes.reserve(st.st_size);
    }
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            f.Bytes.append(buf, n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int e = errno;
            ::close(fd);
            Raise(QStringLiteral("Не удалось прочитать файл настроек %1: %2").arg(Path, ErrorText(e)));
        }
    }
    ::close(fd);
    return f;
}

QString FolderOf(const QString& Path) { return QFileInfo(Path).absolutePath(); }

bool WritableFor(const QString& Path)
{
    const QByteArray forced = qgetenv("OSTAN_REGISTRY_READONLY");
    if (!forced.isEmpty() && forced != "0")
        return false;
    const QByteArray file = Native(Path);
    if (::access(file.constData(), F_OK) == 0 && ::access(file.constData(), W_OK) != 0)
        return false;
    // The folder, or the nearest existing one above it that we would create it in.
    QString folder = FolderOf(Path);
    while (!QFileInfo::exists(folder)) {
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            return false;
        folder = up;
    }
    return ::access(Native(folder).constData(), W_OK | X_OK) == 0;
}

// The exclusive lock of <path>.lock for one write.
class StoreLock {
public:
    explicit StoreLock(const QString& Path)
    {
        const QString folder = FolderOf(Path);
        if (!QDir().mkpath(folder))
            Raise(QStringLiteral("Не удалось создать папку настроек %1").arg(folder));
        const QString lockPath = Path + QStringLiteral(".lock");
        Fd = ::open(Native(lockPath).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        if (Fd < 0)
            Raise(QStringLiteral("Не удалось создать файл блокировки %1: %2").arg(lockPath, ErrorText(errno)));
        while (::flock(Fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int e = errno;
                ::close(Fd);
                Raise(QStringLiteral("Не удалось заблокировать %1: %2").arg(lockPath, ErrorText(e)));
            }
        }
    }
    ~StoreLock() { ::close(Fd); } // closing releases the lock
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    int Fd = -1;
};

// Moves a damaged file aside under a name not taken yet; the caller holds the lock.
[[noreturn]] void KeepAside(const QString& Path, const QString& Why)
{
    const QByteArray from = Native(Path);
    for (int n = 0; n < 10000; ++n) {
        QString kept = Path + QStringLiteral(".corrupt");
        if (n > 0)
            kept += QStringLiteral(".%1").arg(n);
        const QByteArray to = Native(kept);
        int rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename: every writer holds
            // the lock, so a check before the rename is enough.
            struct stat st;
            if (::lstat(to.constData(), &st) == 0)
                errno = EEXIST;
            else
                rc = ::rename(from.constData(), to.constData());
        }
        if (rc == 0) {
            SyncFolder(FolderOf(Path));
            const QString message =
                QStringLiteral("Файл настроек %1 повреждён (%2). Он сохранён как %3; настройки начаты заново.")
                    .arg(Path, Why, kept);
            qWarning().noquote() << message;
            DamageReport() = message;
            Raise(message);
        }
        if (errno != EEXIST)
            Raise(QStringLiteral("Файл настроек %1 повреждён (%2) и не может быть отложен: %3")
                      .arg(Path, Why, ErrorText(errno)));
    }
    Raise(QStringLiteral("Файл настроек %1 повреждён (%2) и не может быть отложен").arg(Path, Why));
}

uint64_t NextStamp()
{
    static uint64_t stamp = 0;
    return ++stamp;
}

// The last version of the store read or written, so that the many reads of
// an unchanged file (every operation reads afresh) parse it once. Its bytes
// are kept too: a version that may still change unseen (see SettledLongAgo)
// is read again and compared instead of parsed.
struct ParsedStore {
    QString Path;
    FileIdentity Identity;
    bool Settled = false; // Identity alone tells whether the file changed
    QByteArray Bytes;
    std::shared_ptr<const Store> Parsed;
    // Open on a version this process wrote: while it is open no other file
    // can take its inode number, so Identity tells it from any replacement,
    // and an edit in place moves its time past the write's.
    int Pin = -1;
};

ParsedStore& LastParsed()
{
    static ParsedStore last;
    return last;
}

// A file changed within the file system's time granularity could change
// again without its time moving: such a version is not kept.
bool SettledLongAgo(const timespec& MTime)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long ageMs = (now.tv_sec - MTime.tv_sec) * 1000LL + (now.tv_nsec - MTime.tv_nsec) / 1000000;
    return ageMs > 100;
}

// Pin: an open descriptor of the version, when this process wrote it.
void Remember(const QString& Path, const FileIdentity& Identity, const QByteArray& Bytes,
              std::shared_ptr<const Store> Parsed, int Pin = -1)
{
    ParsedStore& last = LastParsed();
    if (last.Pin >= 0 && !(Pin < 0 && last.Path == Path && last.Identity == Identity)) {
        ::close(last.Pin);
        last.Pin = -1;
    }
    if (Pin >= 0)
        last.Pin = Pin;
    last.Path = Path;
    last.Identity = Identity;
    last.Settled = last.Pin >= 0 || (SettledLongAgo(Identity.MTime) && SettledLongAgo(Identity.CTime));
    last.Bytes = Bytes;
    last.Parsed = std::move(Parsed);
}

std::shared_ptr<const Store> EmptyStore()
{
    static const auto empty = [] {
        auto s = std::make_shared<Store>();
        s->Stamp = NextStamp();
        return std::shared_ptr<const Store>(std::move(s));
    }();
    return empty;
}

std::shared_ptr<const Store> LoadFileStore(const QString& Path, bool Locked)
{
    ParsedStore& last = LastParsed();
    const bool known = last.Parsed && last.Path == Path;
    const FileData file = ReadFile(Path, known && last.Settled ? &last.Identity : nullptr);
    if (file.Unchanged)
        return last.Parsed;
    if (!file.Exists || file.Bytes.isEmpty())
        return EmptyStore();
    if (known && file.Bytes == last.Bytes) {
        Remember(Path, file.Identity, file.Bytes, last.Parsed);
        return last.Parsed;
    }
    auto store = std::make_shared<Store>();
    QString why;
    if (Parse(file.Bytes, *store, why)) {
        store->Stamp = NextStamp();
        Remember(Path, file.Identity, file.Bytes, store);
        return store;
    }
    if (!WritableFor(Path)) {
        DamageReport() =
            QStringLiteral("Файл настроек %1 повреждён (%2); он оставлен как есть, так как недоступен для записи")
                .arg(Path, why);
        Raise(DamageReport());
    }
    if (!Locked) {
        // Look again under the lock: another process may have dealt with it.
        StoreLock lock(Path);
        return LoadFileStore(Path, true);
    }
    KeepAside(Path, why);
}

void WriteAtomically(const QString& Path, const QByteArray& Bytes)
{
    try {
        WriteFileAtomically(Path, Bytes, WriteFailAfter());
    } catch (const EAtomicWriteError& E) {
        Raise(QStringLiteral("Не удалось записать файл настроек %1: %2").arg(Path, E.Reason()));
    }
}

// Replaces the file by Next, unless it would write what Old holds; the
// caller holds the lock.
void Publish(const QString& Path, const std::shared_ptr<Store>& Next, const QByteArray* Old = nullptr)
{
    const QByteArray bytes = Serialise(*Next);
    if (Old && bytes == *Old)
        return;
    // Every writer holds the lock while its temporary file exists, so under
    // the lock any one found is a leftover of a writer killed before its rename.
    RemoveTemporaryLeftovers(Path, TLeftovers::AllWriters);
    WriteAtomically(Path, bytes);
    Next->Stamp = NextStamp();
    // Under the lock the file is still the one just written.
    const int pin = ::open(Native(Path).constData(), O_RDONLY | O_CLOEXEC);
    if (struct stat st; pin >= 0 && ::fstat(pin, &st) == 0)
        Remember(Path, IdentityOf(st), bytes, Next, pin);
    else if (pin >= 0)
        ::close(pin);
}

// The writes of the open batches, not yet in the file.
struct Batch {
    int Depth = 0;
    uint64_t Generation = 0; // of the transaction, counted up at each end
    QString Path;
    std::shared_ptr<const Store> Base; // the file's version the changes were applied to
    std::shared_ptr<Store> Overlay;    // Base with the changes
    std::vector<Change> Changes;
};

Batch& OpenBatch()
{
    static Batch batch;
    return batch;
}

std::shared_ptr<const Store> LoadStore(const QString& Path)
{
    const Batch& batch = OpenBatch();
    if (batch.Depth > 0 && !batch.Changes.empty() && batch.Path == Path)
        return batch.Overlay;
    return LoadFileStore(Path, false);
}

[[noreturn]] void RaiseNotWritable(const QString& Path)
{
    Raise(QStringLiteral("Файл настроек %1 недоступен для записи").arg(Path));
}

// A write that changes nothing needs no write access: it is tried on a copy
// and gives false, any other raises.
bool ApplyUnwritable(const QString& Path, Store Probe, const Change& Apply)
{
    if (Apply(Probe))
        RaiseNotWritable(Path);
    return false;
}

bool Mutate(const Change& Apply)
{
    const QString path = RegistryFilePath();
    Batch& batch = OpenBatch();
    if (batch.Depth > 0 && batch.Path == path) {
        if (batch.Changes.empty()) {
            const std::shared_ptr<const Store> current = LoadFileStore(path, false);
            if (!batch.Overlay || current != batch.Base) {
                batch.Base = current;
                batch.Overlay = std::make_shared<Store>(*current);
            }
        }
        if (!WritableFor(path))
            return ApplyUnwritable(path, *batch.Overlay, Apply);
        if (!Apply(*batch.Overlay))
            return false;
        batch.Overlay->Stamp = NextStamp();
        batch.Changes.push_back(Apply);
        return true;
    }
    if (!WritableFor(path))
        return ApplyUnwritable(path, *LoadFileStore(path, false), Apply);
    StoreLock lock(path);
    auto next = std::make_shared<Store>(*LoadFileStore(path, true));
    if (!Apply(*next))
        return false;
    Publish(path, next);
    return true;
}

// Writes what the batch holds and empties it.
void WriteBatch()
{
    Batch& batch = OpenBatch();
    const QString path = batch.Path;
    const std::shared_ptr<const Store> base = std::exchange(batch.Base, nullptr);
    const std::shared_ptr<Store> overlay = std::exchange(batch.Overlay, nullptr);
    const std::vector<Change> changes = std::exchange(batch.Changes, {});
    if (changes.empty())
        return;
    if (!WritableFor(path))
        RaiseNotWritable(path);
    StoreLock lock(path);
    const std::shared_ptr<const Store> current = LoadFileStore(path, true);
    std::shared_ptr<Store> next = overlay;
    if (current != base) {
        // Another process wrote meanwhile: the changes go onto its version.
        next = std::make_shared<Store>(*current);
        bool changed = false;
        for (const Change& apply : changes)
            changed = apply(*next) || changed;
        if (!changed)
            return;
    }
    Publish(path, next, current == LastParsed().Parsed ? &LastParsed().Bytes : nullptr);
}

} // namespace ostan::registry

namespace ostan {

using namespace registry;

TRegistryBatch::TRegistryBatch()
{
    Batch& batch = OpenBatch();
    if (batch.Depth++ == 0) {
        ++batch.Generation;
        batch.Path = RegistryFilePath();
    }
    Generation = batch.Generation;
}

TRegistryBatch::~TRegistryBatch()
{
    Batch& batch = OpenBatch();
    if (Generation != batch.Generation || --batch.Depth > 0)
        return;
    try {
        EndTransaction();
    } catch (const std::exception& E) {
        qWarning().noquote() << E.what();
    }
}

void TRegistryBatch::Commit()
{
    if (Generation == OpenBatch().Generation)
        EndTransaction();
}

void TRegistryBatch::EndTransaction()
{
    Batch& batch = OpenBatch();
    batch.Depth = 0;
    ++batch.Generation;
    WriteBatch();
}

} // namespace ostan
