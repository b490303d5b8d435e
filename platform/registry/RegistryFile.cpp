#include "RegistryFile.h"

#include "AtomicFile.h"
#include "ErrorReasons.h"
#include "Registry.h"
#include "RegistryFormat.h"
#include "RegularFile.h"
#include "EndSignal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// A store a hundred times as large as any the program writes; a larger
// file is no store of ours (or a link to an endless device, which is
// refused before that as no regular file).
constexpr qint64 StoreSizeCap = qint64(16) << 20;

[[noreturn]] void RaiseUnreadable(const QString& Path, const QString& Reason)
{
    Raise(QStringLiteral("Не удалось прочитать файл настроек %1: %2").arg(Path, Reason));
}

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
    TRegularFile file;
    if (!file.Open(Path)) {
        if (file.Error() == ENOENT)
            return f;
        RaiseUnreadable(Path, file.Reason());
    }
    f.Exists = true;
    f.Identity = IdentityOf(file.Status());
    if (Known && *Known == f.Identity) {
        f.Unchanged = true;
        return f;
    }
    if (!file.ReadAll(StoreSizeCap, f.Bytes))
        RaiseUnreadable(Path, file.Reason());
    return f;
}

QString FolderOf(const QString& Path) { return QFileInfo(Path).absolutePath(); }

bool WritableFor(const QString& Path)
{
    const QByteArray forced = qgetenv("OSTAN_REGISTRY_READONLY");
    if (!forced.isEmpty() && forced != "0")
        return false;
    // The rule the workbook follows too: write bits and the system agreeing.
    if (struct stat st; ::stat(Native(Path).constData(), &st) == 0)
        return S_ISREG(st.st_mode) && PermitsWriting(st, Path);
    // The folder the file (a link's target) would be created in, or the
    // nearest existing one above it that we would create that in.
    QString folder = FolderOf(FinalTarget(Path));
    while (!QFileInfo::exists(folder)) {
        const QString up = QFileInfo(folder).path();
        if (up == folder)
            return false;
        folder = up;
    }
    return ::access(Native(folder).constData(), W_OK | X_OK) == 0;
}

int& LockWaitMs()
{
    static int ms = 3000;
    return ms;
}

// Who holds a lock on the file open at Fd: "процесс 1234 (name)", as the
// kernel's table of locks names it; "" when it names nobody.
QString LockHolder(int Fd)
{
    struct stat st;
    QFile table(QStringLiteral("/proc/locks"));
    if (::fstat(Fd, &st) != 0 || !table.open(QIODevice::ReadOnly))
        return {};
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; blocked waiters carry "->".
    const QByteArray file = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
                          + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':'
                          + QByteArray::number(qulonglong(st.st_ino));
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.contains("->") || fields[5] != file)
            continue;
        const QByteArray pid = fields[4];
        if (pid.toLongLong() <= 0 || pid.toLongLong() == ::getpid())
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readLine(256)).trimmed() : QString();
        return name.isEmpty() ? QStringLiteral("процесс %1").arg(QString::fromLatin1(pid))
                              : QStringLiteral("процесс %1 (%2)").arg(QString::fromLatin1(pid), name);
    }
    return {};
}

// The exclusive lock of the store for one write: "<file>.lock" beside the
// file that holds the store (a link's target, so that every link to it
// shares one lock). Held by someone else, it is waited for a few seconds;
// a request to end the program cuts the wait short.
class StoreLock {
public:
    explicit StoreLock(const QString& Path)
    {
        const QString target = FinalTarget(Path);
        const QString folder = FolderOf(target);
        if (!QDir().mkpath(folder))
            Raise(QStringLiteral("Не удалось создать папку настроек %1").arg(folder));
        const QString lockPath = target + QStringLiteral(".lock");
        if (!File.Open(lockPath, O_RDONLY | O_CREAT, 0666))
            Raise(QStringLiteral("Не удалось создать файл блокировки %1: %2").arg(lockPath, File.Reason()));
        const unsigned requests = EndSignalCount();
        // A write on the way out (the settings at a requested end) waits
        // briefly: the program has to end within a few seconds.
        const int limit = requests > 0 ? std::min(LockWaitMs(), 500) : LockWaitMs();
        timespec start{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        while (::flock(File.Fd(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK)
                Raise(QStringLiteral("Не удалось заблокировать %1: %2").arg(lockPath, ErrorText(errno)));
            if (EndSignalCount() != requests)
                Raise(QStringLiteral("Ожидание файла блокировки %1 прервано: программу просят завершиться.")
                          .arg(lockPath));
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 >= limit) {
                const QString holder = LockHolder(File.Fd());
                Raise(QStringLiteral("Файл настроек %1 занят другой программой: файл блокировки %2 держит %3. "
                                     "Дождитесь, пока она закончит работу с ним, или закройте ее, и повторите.")
                          .arg(Path, lockPath,
                               holder.isEmpty() ? QStringLiteral("процесс, которого не удалось определить") : holder));
            }
            const timespec pause{0, 10'000'000};
            ::nanosleep(&pause, nullptr); // a signal ends it early
        }
    }
    // Closing releases the lock.
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    TRegularFile File;
};

// Moves a damaged file aside under a name not taken yet; the caller holds the lock.
[[noreturn]] void KeepAside(const QString& Path, const QString& Why)
{
    // A link's target goes aside: the link stays, and names a new store.
    const QString target = FinalTarget(Path);
    const QByteArray from = Native(target);
    for (int n = 0; n < 10000; ++n) {
        QString kept = target + QStringLiteral(".corrupt");
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
            SyncFolder(FolderOf(target));
            const QString message =
                QStringLiteral("Файл настроек %1 повреждён (%2). Он сохранён как %3; настройки начаты заново.")
                    .arg(Path, Why, kept);
            qWarning().noquote() << message;
            DamageReport() = message;
            throw EStoreKeptAside(message.toStdString());
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
    const int pin = ::open(Native(Path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
