#include "Registry.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringDecoder>
#include <QtDebug>

#include <algorithm>
#include <unordered_map>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace ostan {

namespace {

const QString FileHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString SerialCommKey = QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");

std::function<QStringList()>& SystemLister()
{
    static std::function<QStringList()> lister;
    return lister;
}

std::function<void(const QString&)>& ValueHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

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

bool SameName(QStringView A, QStringView B) { return A.compare(B, Qt::CaseInsensitive) == 0; }

// Path is Ancestor itself or lies below it.
bool IsUnder(const QString& Path, const QString& Ancestor)
{
    if (Path.size() == Ancestor.size())
        return SameName(Path, Ancestor);
    return Path.size() > Ancestor.size() && Path[Ancestor.size()] == u'\\'
        && SameName(QStringView(Path).left(Ancestor.size()), Ancestor);
}

QString HiveName(HKey Key)
{
    return Key == HKey::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT")
                                    : QStringLiteral("HKEY_LOCAL_MACHINE");
}

QString ShownName(const QString& Name)
{
    return Name.isEmpty() ? QStringLiteral("(по умолчанию)") : u'"' + Name + u'"';
}

bool HasLineBreak(const QString& S) { return S.contains(u'\n') || S.contains(u'\r'); }

// ---------------------------------------------------------------- the model

enum class VType { Dword, String, Raw };

struct RegValue {
    QString Name;
    VType Type = VType::String;
    uint32_t Dword = 0;
    QString Text; // the string; for Raw the data as the file spells it

    bool operator==(const RegValue&) const = default;
};

struct RegKey {
    QString Path; // full, hive first
    std::vector<RegValue> Values;

    RegValue* Find(const QString& Name)
    {
        for (auto& v : Values)
            if (SameName(v.Name, Name))
                return &v;
        return nullptr;
    }
};

// Keys in file order. A key exists when it has a section or lies above one.
struct Store {
    std::vector<RegKey> Keys;

    RegKey* Find(const QString& Path)
    {
        for (auto& k : Keys)
            if (SameName(k.Path, Path))
                return &k;
        return nullptr;
    }

    bool Exists(const QString& Path) const
    {
        if (!Path.contains(u'\\'))
            return true; // a hive
        return std::any_of(Keys.begin(), Keys.end(),
                           [&](const RegKey& k) { return IsUnder(k.Path, Path); });
    }

    // Path as the store spells it, for an existing key.
    QString Spelled(const QString& Path) const
    {
        QStringList parts = Path.split(u'\\');
        for (qsizetype n = 2; n <= parts.size(); ++n) {
            const QString prefix = parts.first(n).join(u'\\');
            for (const auto& k : Keys)
                if (IsUnder(k.Path, prefix)) {
                    parts[n - 1] = k.Path.section(u'\\', n - 1, n - 1);
                    break;
                }
        }
        return parts.join(u'\\');
    }

    // Creates the sections of the key and of its missing parents, each right
    // after its parent's subtree so the file reads as a tree. True when
    // anything was created.
    bool Ensure(const QString& Path)
    {
        const QStringList parts = Path.split(u'\\');
        bool created = false;
        for (qsizetype n = 2; n <= parts.size(); ++n) {
            const QString path = parts.first(n).join(u'\\');
            if (Find(path))
                continue;
            const QString parent = parts.first(n - 1).join(u'\\');
            auto pos = Keys.end();
            for (auto it = Keys.begin(); it != Keys.end(); ++it)
                if (IsUnder(it->Path, parent))
                    pos = it + 1;
            Keys.insert(pos, RegKey{path, {}});
            created = true;
        }
        return created;
    }

    RegKey& At(const QString& Path)
    {
        Ensure(Path);
        return *Find(Path);
    }
};

// ---------------------------------------------------------------- the text

QString Escaped(const QString& S)
{
    QString out;
    out.reserve(S.size() + 2);
    for (QChar c : S) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out;
}

// A string with a line break cannot stand between quotes on one line; it is
// written as the format's UTF-16 hex form instead.
QString HexStringData(const QString& S)
{
    QStringList bytes;
    for (QChar c : S + QChar(0)) {
        bytes << QStringLiteral("%1").arg(c.unicode() & 0xFF, 2, 16, QChar(u'0'));
        bytes << QStringLiteral("%1").arg(c.unicode() >> 8, 2, 16, QChar(u'0'));
    }
    return QStringLiteral("hex(1):") + bytes.join(u',');
}

QByteArray Serialise(const Store& S)
{
    QString out = FileHeader + QStringLiteral("\n\n");
    for (const auto& key : S.Keys) {
        out += u'[' + key.Path + QStringLiteral("]\n");
        for (const auto& v : key.Values) {
            out += v.Name.isEmpty() ? QStringLiteral("@") : u'"' + Escaped(v.Name) + u'"';
            out += u'=';
            switch (v.Type) {
            case VType::Dword:
                out += QStringLiteral("dword:%1").arg(v.Dword, 8, 16, QChar(u'0'));
                break;
            case VType::String:
                out += HasLineBreak(v.Text) ? HexStringData(v.Text) : u'"' + Escaped(v.Text) + u'"';
                break;
            case VType::Raw:
                out += v.Text;
                break;
            }
            out += u'\n';
        }
        out += u'\n';
    }
    return out.toUtf8();
}

// Reads a quoted string starting at S[Pos] == '"'; Pos ends past the closing
// quote. Only \\ and \" are escapes, as in the format.
bool ReadQuoted(QStringView S, qsizetype& Pos, QString& Out)
{
    ++Pos;
    while (Pos < S.size()) {
        QChar c = S[Pos++];
        if (c == u'"')
            return true;
        if (c == u'\\' && Pos < S.size() && (S[Pos] == u'\\' || S[Pos] == u'"'))
            c = S[Pos++];
        Out += c;
    }
    return false;
}

// Parses the whole file; false with Error ("line N: why") when it cannot.
bool Parse(const QByteArray& Data, Store& Out, QString& Error)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(Data);
    if (decoder.hasError()) {
        Error = QStringLiteral("текст не в кодировке UTF-8");
        return false;
    }
    QStringList lines = text.split(u'\n');
    for (auto& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);

    static const QRegularExpression hexData(
        QStringLiteral("^hex(?:\\(([0-9a-fA-F]{1,8})\\))?:((?:[0-9a-fA-F]{2}(?:,[0-9a-fA-F]{2})*)?)$"));
    static const QRegularExpression dwordData(QStringLiteral("^dword:([0-9a-fA-F]{1,8})$"));

    // Indexes by case-folded name, so that loading stays linear in the size
    // of the file.
    std::unordered_map<QString, size_t> keyIndex;
    std::vector<std::unordered_map<QString, size_t>> valueIndex;
    bool headerSeen = false;
    RegKey* section = nullptr;
    std::unordered_map<QString, size_t>* sectionValues = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype lineNo = i + 1;
        const QString line = lines[i].trimmed();
        auto fail = [&](const QString& Why) {
            Error = QStringLiteral("строка %1: %2").arg(lineNo).arg(Why);
            return false;
        };
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (line != FileHeader)
                return fail(QStringLiteral("нет заголовка \"%1\"").arg(FileHeader));
            headerSeen = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3)
                return fail(QStringLiteral("неверный заголовок раздела"));
            QStringList parts = line.mid(1, line.size() - 2).split(u'\\');
            if (!parts[0].startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive)
                || std::any_of(parts.begin(), parts.end(), [](const QString& p) { return p.isEmpty(); }))
                return fail(QStringLiteral("неверный путь раздела"));
            parts[0] = parts[0].toUpper();
            const QString path = parts.join(u'\\');
            const auto [at, added] = keyIndex.try_emplace(path.toCaseFolded(), Out.Keys.size());
            if (added) {
                Out.Keys.push_back(RegKey{path, {}});
                valueIndex.emplace_back();
            }
            section = &Out.Keys[at->second];
            sectionValues = &valueIndex[at->second];
            continue;
        }
        if (!section)
            return fail(QStringLiteral("значение вне раздела"));

        RegValue v;
        qsizetype pos = 0;
        if (line.startsWith(u'@'))
            pos = 1;
        else if (!line.startsWith(u'"') || !ReadQuoted(line, pos, v.Name))
            return fail(QStringLiteral("неверное имя значения"));
        if (pos >= line.size() || line[pos] != u'=')
            return fail(QStringLiteral("нет знака \"=\""));
        QString data = line.mid(pos + 1).trimmed();

        if (data.startsWith(u'"')) {
            qsizetype p = 0;
            if (!ReadQuoted(data, p, v.Text) || p != data.size())
                return fail(QStringLiteral("неверная строка"));
        } else if (auto m = dwordData.match(data); m.hasMatch()) {
            v.Type = VType::Dword;
            v.Dword = m.captured(1).toUInt(nullptr, 16);
        } else if (data.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            // Hex data may go on over lines that end in "\".
            while (data.endsWith(u'\\') && i + 1 < lines.size()) {
                data.chop(1);
                data += lines[++i].trimmed();
            }
            data.remove(u' ');
            data.remove(u'\t');
            if (data.endsWith(u','))
                data.chop(1);
            const auto m = hexData.match(data);
            if (!m.hasMatch())
                return fail(QStringLiteral("неверные двоичные данные"));
            if (m.captured(1).toUInt(nullptr, 16) == 1 && !m.captured(1).isEmpty()) {
                const QByteArray bytes = QByteArray::fromHex(m.captured(2).remove(u',').toLatin1());
                if (bytes.size() % 2)
                    return fail(QStringLiteral("неверная строка UTF-16"));
                for (qsizetype b = 0; b + 1 < bytes.size(); b += 2)
                    v.Text += QChar(char16_t(uint8_t(bytes[b]) | uint8_t(bytes[b + 1]) << 8));
                while (v.Text.endsWith(QChar(0)))
                    v.Text.chop(1);
            } else {
                v.Type = VType::Raw; // kept as it stands; reads see another type
                v.Text = data;
            }
        } else {
            return fail(QStringLiteral("неизвестный тип данных"));
        }
        const auto [at, added] = sectionValues->try_emplace(v.Name.toCaseFolded(), section->Values.size());
        if (added) {
            section->Values.push_back(std::move(v));
        } else {
            RegValue& old = section->Values[at->second];
            v.Name = old.Name;
            old = std::move(v);
        }
    }
    if (!headerSeen) {
        Error = QStringLiteral("нет заголовка \"%1\"").arg(FileHeader);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- the file

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

FileData ReadFile(const QString& Path, const FileIdentity* Known = nullptr)
{
    FileData f;
    const int fd = ::open(Native(Path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return f;
        Raise(QStringLiteral("Не удалось прочитать файл настроек %1: %2").arg(Path, ErrorText(errno)));
    }
    f.Exists = true;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        f.Identity = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
        if (Known && *Known == f.Identity) {
            ::close(fd);
            f.Unchanged = true;
            return f;
        }
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

// The last store parsed, so that the many reads of an unchanged file (every
// operation reads afresh) parse it once.
struct ParsedStore {
    QString Path;
    FileIdentity Identity;
    Store Parsed;
    bool Valid = false;
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

Store LoadStore(const QString& Path, bool Locked)
{
    ParsedStore& last = LastParsed();
    const bool known = last.Valid && last.Path == Path;
    const FileData file = ReadFile(Path, known ? &last.Identity : nullptr);
    if (file.Unchanged)
        return last.Parsed;
    Store store;
    QString why;
    if (!file.Exists || file.Bytes.isEmpty())
        return store;
    if (Parse(file.Bytes, store, why)) {
        last.Valid = SettledLongAgo(file.Identity.MTime) && SettledLongAgo(file.Identity.CTime);
        if (last.Valid) {
            last.Path = Path;
            last.Identity = file.Identity;
            last.Parsed = store;
        }
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
        return LoadStore(Path, true);
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

// Temporary files of writers that were killed before their rename. Every
// writer holds the lock while its temporary file exists, so under the lock
// any one found is a leftover.
void RemoveLeftovers(const QString& Path)
{
    const QFileInfo store(Path);
    const QString prefix = store.fileName() + QStringLiteral(".tmp.");
    const QDir folder = store.absoluteDir();
    for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System))
        ::unlink(Native(folder.filePath(name)).constData());
}

// One write: lock, re-read, change, replace. Change returns false when it
// changed nothing, and then nothing is written. Returns what Change returned.
bool Mutate(const std::function<bool(Store&)>& Change)
{
    const QString path = RegistryFilePath();
    if (!WritableFor(path)) {
        // A write that changes nothing needs no write access.
        Store store = LoadStore(path, false);
        if (!Change(store))
            return false;
        Raise(QStringLiteral("Файл настроек %1 недоступен для записи").arg(path));
    }
    StoreLock lock(path);
    Store store = LoadStore(path, true);
    if (!Change(store))
        return false;
    RemoveLeftovers(path);
    WriteAtomically(path, Serialise(store));
    return true;
}

// ---------------------------------------------------------------- the live key

int ComNumber(const QString& Name)
{
    if (!Name.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = Name.mid(3).toInt(&ok);
    return ok ? n : 0;
}

QStringList SystemDevices()
{
    if (SystemLister())
        return SystemLister()();
    if (qEnvironmentVariableIsSet("OSTAN_SYSTEM_SERIAL_DEVICES"))
        return qEnvironmentVariable("OSTAN_SYSTEM_SERIAL_DEVICES").split(u':', Qt::SkipEmptyParts);
    QStringList paths;
    for (const auto& info : QSerialPortInfo::availablePorts())
        paths << info.systemLocation();
    return paths;
}

// Path names the live key or a key above it.
bool TouchesLiveKey(const QString& Path)
{
    return IsUnder(SerialCommKey, Path) || IsUnder(Path, SerialCommKey);
}

void MergeLiveKey(Store& S, const QStringList& Devices)
{
    std::vector<RegValue> system;
    for (const QString& device : Devices) {
        const QString com = ComNameForDevice(device);
        if (!com.isEmpty())
            system.push_back(RegValue{device, VType::String, 0, com});
    }
    std::stable_sort(system.begin(), system.end(), [](const RegValue& A, const RegValue& B) {
        return ComNumber(A.Text) < ComNumber(B.Text);
    });
    RegKey* key = S.Find(SerialCommKey);
    if (!key) {
        if (system.empty())
            return;
        key = &S.At(SerialCommKey);
    }
    for (auto& v : system)
        if (!key->Find(v.Name))
            key->Values.push_back(v);
}

// The store as a reader sees it at Path: the file, plus the live key when
// Path concerns it, with the system's devices as Listed holds them or, when
// it holds none, as they are now.
Store LoadView(const QString& Path, const std::optional<QStringList>& Listed = std::nullopt)
{
    Store store = LoadStore(RegistryFilePath(), false);
    if (TouchesLiveKey(Path))
        MergeLiveKey(store, Listed ? *Listed : SystemDevices());
    return store;
}

// The system's devices for a key about to be opened: listed once, and the
// reads of the open key use that list (listing costs milliseconds).
std::optional<QStringList> ListDevicesFor(const QString& Full)
{
    return TouchesLiveKey(Full) ? std::optional<QStringList>(SystemDevices()) : std::nullopt;
}

RegValue ReadValue(const QString& KeyPath, const QString& Name, VType Want, const std::optional<QStringList>& Listed)
{
    Store view = LoadView(KeyPath, Listed);
    RegKey* key = view.Find(KeyPath);
    const RegValue* v = key ? key->Find(Name) : nullptr;
    if (!v)
        Raise(QStringLiteral("Значение %1 не найдено в разделе реестра %2").arg(ShownName(Name), KeyPath));
    if (v->Type != Want) {
        auto typeName = [](VType T) {
            return T == VType::Dword ? QStringLiteral("REG_DWORD")
                 : T == VType::String ? QStringLiteral("REG_SZ") : QStringLiteral("другого типа");
        };
        Raise(QStringLiteral("Значение %1 в разделе реестра %2 имеет тип %3, а не %4")
                  .arg(ShownName(Name), KeyPath, typeName(v->Type), typeName(Want)));
    }
    return *v;
}

} // namespace

// ---------------------------------------------------------------- public

QString RegistryFilePath()
{
    const QString own = qEnvironmentVariable("OSTAN_REGISTRY");
    if (!own.isEmpty())
        return own;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/ostan/registry.reg");
}

bool RegistryWritable() { return WritableFor(RegistryFilePath()); }

QString ComNameForDevice(const QString& DevicePath)
{
    static const QRegularExpression device(QStringLiteral("^/dev/tty(S|USB|ACM)([0-9]{1,6})$"));
    const auto m = device.match(DevicePath);
    if (!m.hasMatch())
        return QString();
    const int n = m.captured(2).toInt();
    const int base = m.captured(1) == u"S" ? 1 : m.captured(1) == u"USB" ? 101 : 201;
    return QStringLiteral("COM%1").arg(base + n);
}

void SetSystemSerialDevicesForTest(std::function<QStringList()> Lister)
{
    SystemLister() = std::move(Lister);
}

void SetRegistryWriteFailureForTest(long long FailAfterBytes) { WriteFailAfter() = FailAfterBytes; }

QString TakeStoreDamageReport() { return std::exchange(DamageReport(), QString()); }

void SetRegistryValueHookForTest(std::function<void(const QString& Name)> Hook) { ValueHook() = std::move(Hook); }

QString SerialDevicePathForPort(int PortNum)
{
    if (PortNum <= 0)
        return QString();
    const QString want = QStringLiteral("COM%1").arg(PortNum);
    auto find = [&](Store View) {
        if (const RegKey* key = View.Find(SerialCommKey))
            for (const auto& v : key->Values)
                if (v.Type == VType::String && SameName(v.Text, want))
                    return v.Name;
        return QString();
    };
    // File entries win over the system's, so the system's devices are listed
    // only when the file has no such port.
    const QString inFile = find(LoadStore(RegistryFilePath(), false));
    return inFile.isEmpty() ? find(LoadView(SerialCommKey)) : inFile;
}

TRegistry::TRegistry(RegAccess Access) : Mode(Access) {}

struct TRegistry::PendingWrites {
    std::vector<std::pair<QString, RegValue>> Writes; // key path, value
};

TRegistry::~TRegistry() = default; // pending writes of an unfinished update go with it

QString TRegistry::FullPath(const QString& Key) const
{
    QStringList parts;
    if (!Key.startsWith(u'\\'))
        parts = Current.split(u'\\', Qt::SkipEmptyParts);
    parts += Key.split(u'\\', Qt::SkipEmptyParts);
    parts.prepend(HiveName(Root));
    return parts.join(u'\\');
}

static QString RelativePart(const QString& Full)
{
    const qsizetype slash = Full.indexOf(u'\\');
    return slash < 0 ? QString() : Full.mid(slash + 1);
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate)
{
    if (Mode == RegAccess::All && !RegistryWritable())
        return false;
    const QString full = FullPath(Key);
    ListedDevices.reset();
    if (HasLineBreak(full))
        return false;
    const std::optional<QStringList> listed = ListDevicesFor(full);
    const Store view = LoadView(full, listed);
    if (view.Exists(full)) {
        Current = RelativePart(view.Spelled(full));
    } else {
        if (!CanCreate || Mode != RegAccess::All)
            return false;
        QString spelled;
        Mutate([&](Store& S) {
            const bool created = S.Ensure(full);
            spelled = S.Spelled(full);
            return created;
        });
        Current = RelativePart(spelled);
    }
    CurrentReadOnly = Mode == RegAccess::Read;
    ListedDevices = listed;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& Key)
{
    const QString full = FullPath(Key);
    ListedDevices.reset();
    const std::optional<QStringList> listed = ListDevicesFor(full);
    const Store view = LoadView(full, listed);
    if (!view.Exists(full))
        return false;
    Current = RelativePart(view.Spelled(full));
    CurrentReadOnly = true;
    ListedDevices = listed;
    return true;
}

void TRegistry::CloseKey()
{
    Current.clear();
    CurrentReadOnly = false;
    ListedDevices.reset();
}

bool TRegistry::KeyExists(const QString& Key)
{
    const QString full = FullPath(Key);
    return LoadView(full).Exists(full);
}

bool TRegistry::CreateKey(const QString& Key)
{
    if (Mode != RegAccess::All || !RegistryWritable())
        return false;
    const QString full = FullPath(Key);
    if (HasLineBreak(full))
        return false;
    if (full.contains(u'\\'))
        Mutate([&](Store& S) { return S.Ensure(full); });
    return true;
}

bool TRegistry::DeleteKey(const QString& Key)
{
    const QString full = FullPath(Key);
    if (Mode != RegAccess::All || !full.contains(u'\\') || !RegistryWritable())
        return false;
    return Mutate([&](Store& S) {
        const auto before = S.Keys.size();
        std::erase_if(S.Keys, [&](const RegKey& K) { return IsUnder(K.Path, full); });
        return S.Keys.size() != before;
    });
}

QStringList TRegistry::GetValueNames()
{
    const QString full = FullPath(QString());
    Store view = LoadView(full, ListedDevices);
    QStringList names;
    if (RegKey* key = view.Find(full))
        for (const auto& v : key->Values)
            names << v.Name;
    return names;
}

QStringList TRegistry::GetKeyNames()
{
    const QString full = FullPath(QString());
    Store view = LoadView(full, ListedDevices);
    QStringList names;
    QSet<QString> seen;
    for (const auto& key : view.Keys) {
        if (key.Path.size() <= full.size() || !IsUnder(key.Path, full))
            continue;
        const QString child = key.Path.mid(full.size() + 1).section(u'\\', 0, 0);
        if (!seen.contains(child.toCaseFolded())) {
            seen.insert(child.toCaseFolded());
            names << child;
        }
    }
    return names;
}

bool TRegistry::ValueExists(const QString& Name)
{
    const QString full = FullPath(QString());
    Store view = LoadView(full, ListedDevices);
    RegKey* key = view.Find(full);
    return key && key->Find(Name);
}

bool TRegistry::DeleteValue(const QString& Name)
{
    if (Current.isEmpty() || Mode != RegAccess::All || CurrentReadOnly || !RegistryWritable())
        return false;
    const QString full = FullPath(QString());
    return Mutate([&](Store& S) {
        RegKey* key = S.Find(full);
        if (!key)
            return false;
        return std::erase_if(key->Values, [&](const RegValue& V) { return SameName(V.Name, Name); }) > 0;
    });
}

QString TRegistry::ReadString(const QString& Name)
{
    return ReadValue(FullPath(QString()), Name, VType::String, ListedDevices).Text;
}

int32_t TRegistry::ReadInteger(const QString& Name)
{
    return static_cast<int32_t>(ReadValue(FullPath(QString()), Name, VType::Dword, ListedDevices).Dword);
}

bool TRegistry::ReadBool(const QString& Name)
{
    return ReadValue(FullPath(QString()), Name, VType::Dword, ListedDevices).Dword != 0;
}

void TRegistry::CheckWritable(const QString& Name) const
{
    if (Current.isEmpty())
        Raise(QStringLiteral("Не открыт раздел реестра для записи значения %1").arg(ShownName(Name)));
    if (Mode != RegAccess::All || CurrentReadOnly)
        Raise(QStringLiteral("Раздел реестра %1 открыт только для чтения").arg(FullPath(QString())));
    if (HasLineBreak(Name))
        Raise(QStringLiteral("Недопустимое имя значения в разделе реестра %1").arg(FullPath(QString())));
}

namespace {
// Puts one value into the store; true when that changed anything.
bool ApplyValue(Store& S, const QString& KeyPath, const RegValue& Value)
{
    const bool created = S.Ensure(KeyPath);
    RegKey& key = *S.Find(KeyPath);
    if (RegValue* old = key.Find(Value.Name)) {
        if (old->Type == Value.Type && old->Dword == Value.Dword && old->Text == Value.Text)
            return created;
        old->Type = Value.Type;
        old->Dword = Value.Dword;
        old->Text = Value.Text;
        return true;
    }
    key.Values.push_back(Value);
    return true;
}
} // namespace

void TRegistry::BeginUpdate()
{
    if (!Pending)
        Pending = std::make_unique<PendingWrites>();
}

void TRegistry::EndUpdate()
{
    if (!Pending)
        return;
    const std::unique_ptr<PendingWrites> writes = std::move(Pending);
    if (writes->Writes.empty())
        return;
    Mutate([&](Store& S) {
        bool changed = false;
        for (const auto& [keyPath, value] : writes->Writes)
            changed = ApplyValue(S, keyPath, value) || changed;
        return changed;
    });
}

void TRegistry::WriteValue(const QString& Name, bool IsDword, uint32_t Dword, const QString& Text)
{
    CheckWritable(Name);
    const QString keyPath = FullPath(QString());
    const RegValue value{Name, IsDword ? VType::Dword : VType::String, Dword, Text};
    if (Pending)
        Pending->Writes.emplace_back(keyPath, value);
    else
        Mutate([&](Store& S) { return ApplyValue(S, keyPath, value); });
    if (ValueHook())
        ValueHook()(Name);
}

void TRegistry::WriteString(const QString& Name, const QString& Value)
{
    WriteValue(Name, false, 0, Value);
}

void TRegistry::WriteInteger(const QString& Name, int32_t Value)
{
    WriteValue(Name, true, static_cast<uint32_t>(Value), QString());
}

void TRegistry::WriteBool(const QString& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

} // namespace ostan
