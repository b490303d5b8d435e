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
#include <cctype>
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

QString ErrorText(int Error) { return QString::fromLocal8Bit(std::strerror(Error)); }

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

QString Folded(const QString& S) { return S.toCaseFolded(); }

// A key's values in stored order, found by name in constant time.
struct RegKey {
    explicit RegKey(QString P) : Path(std::move(P)) {}
    RegKey(const RegKey&) = default;
    RegKey(RegKey&&) noexcept = default; // so that a growing store moves its keys
    RegKey& operator=(const RegKey&) = default;
    RegKey& operator=(RegKey&&) noexcept = default;

    QString Path; // full, hive first
    std::vector<RegValue> Values;

    const RegValue* Find(const QString& Name) const
    {
        const auto it = Index.find(Folded(Name));
        return it == Index.end() ? nullptr : &Values[it->second];
    }
    RegValue* Find(const QString& Name) { return const_cast<RegValue*>(std::as_const(*this).Find(Name)); }

    // Adds the value, or replaces the one of that name, which keeps its spelling.
    void Put(RegValue V)
    {
        const auto [at, added] = Index.try_emplace(Folded(V.Name), Values.size());
        if (added) {
            Values.push_back(std::move(V));
        } else {
            V.Name = Values[at->second].Name;
            Values[at->second] = std::move(V);
        }
    }

    bool Erase(const QString& Name)
    {
        const auto it = Index.find(Folded(Name));
        if (it == Index.end())
            return false;
        Values.erase(Values.begin() + it->second);
        Index.clear();
        for (size_t i = 0; i < Values.size(); ++i)
            Index.emplace(Folded(Values[i].Name), i);
        return true;
    }

private:
    std::unordered_map<QString, size_t> Index; // case-folded name -> position
};

// Keys in file order. A key exists when it has a section or lies above one.
// Lookups by path take constant time, so that reading a store stays linear
// in its size.
class Store {
public:
    // Set by whoever publishes this version of the store: equal stamps, equal contents.
    uint64_t Stamp = 0;

    const std::vector<RegKey>& Keys() const { return KeyList; }

    const RegKey* Find(const QString& Path) const
    {
        const auto it = KeyIndex.find(Folded(Path));
        return it == KeyIndex.end() ? nullptr : &KeyList[it->second];
    }
    RegKey* Find(const QString& Path) { return const_cast<RegKey*>(std::as_const(*this).Find(Path)); }

    bool Exists(const QString& Path) const
    {
        return !Path.contains(u'\\') || Prefixes.contains(Folded(Path)); // a hive always exists
    }

    // The path of an existing key or key above one, spelled as the first key
    // below it in file order spells it; nullptr for one that does not exist.
    const QString* SpelledPrefix(const QString& Path) const
    {
        const auto it = Prefixes.find(Folded(Path));
        return it == Prefixes.end() ? nullptr : &it->second;
    }

    // Path as the store spells it, for an existing key.
    QString Spelled(const QString& Path) const
    {
        QStringList parts = Path.split(u'\\');
        for (qsizetype n = 2; n <= parts.size(); ++n)
            if (const QString* spelled = SpelledPrefix(parts.first(n).join(u'\\')))
                parts[n - 1] = spelled->section(u'\\', n - 1, n - 1);
        return parts.join(u'\\');
    }

    // Names of the direct subkeys of Path, in file order, each once.
    QStringList ChildNames(const QString& Path) const
    {
        QStringList names;
        QSet<QString> seen;
        for (const auto& key : KeyList) {
            if (key.Path.size() <= Path.size() || !IsUnder(key.Path, Path))
                continue;
            const QString child = key.Path.mid(Path.size() + 1).section(u'\\', 0, 0);
            if (!seen.contains(Folded(child))) {
                seen.insert(Folded(child));
                names << child;
            }
        }
        return names;
    }

    // The section of Path, appended when there is none (the order of a file
    // being read).
    RegKey& Section(const QString& Path)
    {
        const auto [at, added] = KeyIndex.try_emplace(Folded(Path), KeyList.size());
        if (added) {
            KeyList.push_back(RegKey(Path));
            AddPrefixes(Path);
        }
        return KeyList[at->second];
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
            size_t pos = KeyList.size();
            if (Prefixes.contains(Folded(parent)))
                for (size_t i = KeyList.size(); i-- > 0;)
                    if (IsUnder(KeyList[i].Path, parent)) {
                        pos = i + 1;
                        break;
                    }
            KeyList.insert(KeyList.begin() + pos, RegKey(path));
            for (auto& [name, at] : KeyIndex)
                if (at >= pos)
                    ++at;
            KeyIndex.emplace(Folded(path), pos);
            // Every key before it lies outside its parent's subtree or before
            // its siblings, so it comes first below no existing prefix.
            AddPrefixes(path);
            created = true;
        }
        return created;
    }

    RegKey& At(const QString& Path)
    {
        Ensure(Path);
        return *Find(Path);
    }

    // Removes the key and its subkeys; true when there was any.
    bool EraseSubtree(const QString& Path)
    {
        const auto before = KeyList.size();
        std::erase_if(KeyList, [&](const RegKey& K) { return IsUnder(K.Path, Path); });
        if (KeyList.size() == before)
            return false;
        KeyIndex.clear();
        Prefixes.clear();
        for (size_t i = 0; i < KeyList.size(); ++i) {
            KeyIndex.emplace(Folded(KeyList[i].Path), i);
            AddPrefixes(KeyList[i].Path);
        }
        return true;
    }

private:
    // The key's path and those above it, hive included, for the ones not there yet.
    void AddPrefixes(const QString& Path)
    {
        for (qsizetype end = Path.size(); end > 0; end = Path.lastIndexOf(u'\\', end - 1)) {
            const auto [at, added] = Prefixes.try_emplace(Folded(Path.left(end)), Path.left(end));
            if (!added)
                break; // so are all above it
        }
    }

    std::vector<RegKey> KeyList;
    std::unordered_map<QString, size_t> KeyIndex; // case-folded path -> position
    std::unordered_map<QString, QString> Prefixes; // case-folded path of every existing key -> spelling
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
    for (const auto& key : S.Keys()) {
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

// "dword:" and one to eight hex digits.
bool IsDwordData(QStringView Data)
{
    if (!Data.startsWith(QStringLiteral("dword:")) || Data.size() < 7 || Data.size() > 14)
        return false;
    return std::all_of(Data.begin() + 6, Data.end(), [](QChar c) { return c.unicode() < 128 && std::isxdigit(c.unicode()); });
}

// Parses the whole file; false with Error ("line N: why") when it cannot.
bool Parse(const QByteArray& Data, Store& Out, QString& Error)
{
    // The registry editor of Windows exports UTF-16LE with a byte-order mark.
    const bool utf16 = Data.startsWith("\xFF\xFE");
    if (utf16 && Data.size() % 2) {
        Error = QStringLiteral("текст в кодировке UTF-16 оборван");
        return false;
    }
    QStringDecoder decoder(utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    const QString text = decoder(Data);
    if (decoder.hasError()) {
        Error = utf16 ? QStringLiteral("текст не в кодировке UTF-16") : QStringLiteral("текст не в кодировке UTF-8");
        return false;
    }
    // Views into the text: a large store is read without a copy per line.
    QList<QStringView> lines = QStringView(text).split(u'\n');
    for (auto& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);

    static const QRegularExpression hexData(
        QStringLiteral("^hex(?:\\(([0-9a-fA-F]{1,8})\\))?:((?:[0-9a-fA-F]{2}(?:,[0-9a-fA-F]{2})*)?)$"));

    bool headerSeen = false;
    RegKey* section = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype lineNo = i + 1;
        const QStringView line = lines[i].trimmed();
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
            const QList<QStringView> parts = line.mid(1, line.size() - 2).split(u'\\');
            if (!parts[0].startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive)
                || std::any_of(parts.begin(), parts.end(), [](QStringView p) { return p.isEmpty(); }))
                return fail(QStringLiteral("неверный путь раздела"));
            QString path = parts[0].toString().toUpper();
            for (qsizetype n = 1; n < parts.size(); ++n)
                path += u'\\' + parts[n].toString();
            section = &Out.Section(path);
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
        const QStringView value = line.mid(pos + 1).trimmed();

        if (value.startsWith(u'"')) {
            qsizetype p = 0;
            if (!ReadQuoted(value, p, v.Text) || p != value.size())
                return fail(QStringLiteral("неверная строка"));
        } else if (IsDwordData(value)) {
            v.Type = VType::Dword;
            v.Dword = value.mid(6).toUInt(nullptr, 16);
        } else if (value.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            QString data = value.toString();
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
        section->Put(std::move(v)); // a later line for the same name replaces it
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

// The store in the file at Path, shared with the cache: reading copies nothing.
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

// Replaces the file by Next, unless it would write what Old holds; the
// caller holds the lock.
void Publish(const QString& Path, const std::shared_ptr<Store>& Next, const QByteArray* Old = nullptr)
{
    const QByteArray bytes = Serialise(*Next);
    if (Old && bytes == *Old)
        return;
    RemoveLeftovers(Path);
    WriteAtomically(Path, bytes);
    Next->Stamp = NextStamp();
    // Under the lock the file is still the one just written.
    const int pin = ::open(Native(Path).constData(), O_RDONLY | O_CLOEXEC);
    if (struct stat st; pin >= 0 && ::fstat(pin, &st) == 0)
        Remember(Path, IdentityOf(st), bytes, Next, pin);
    else if (pin >= 0)
        ::close(pin);
}

// A change of the store: false when it changed nothing. It may be applied
// again to a newer version of the store, so it keeps copies of what it needs.
using Change = std::function<bool(Store&)>;

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

// The store as this process sees it: the file, or the open batch's version of it.
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

// One write: lock, re-read, change, replace; inside a batch, a change of the
// batch's version. Nothing is written when the change changes nothing.
// Returns what the change returned.
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
        if (!WritableFor(path)) {
            Store probe = *batch.Overlay; // a write that changes nothing needs no write access
            if (!Apply(probe))
                return false;
            RaiseNotWritable(path);
        }
        if (!Apply(*batch.Overlay))
            return false;
        batch.Overlay->Stamp = NextStamp();
        batch.Changes.push_back(Apply);
        return true;
    }
    if (!WritableFor(path)) {
        Store probe = *LoadFileStore(path, false);
        if (!Apply(probe))
            return false;
        RaiseNotWritable(path);
    }
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

// The live key: the file's entries, then the system's devices the file does
// not name, in the order of their COM numbers; nullptr when neither has any.
// Made once for each version of the store and list of devices.
std::shared_ptr<const RegKey> MergedLiveKey(const Store& File, const QStringList& Devices)
{
    struct Merged {
        uint64_t Stamp = 0;
        QStringList Devices;
        std::shared_ptr<const RegKey> Key;
    };
    static Merged last;
    if (last.Stamp == File.Stamp && last.Devices == Devices)
        return last.Key;

    std::vector<RegValue> system;
    for (const QString& device : Devices) {
        const QString com = ComNameForDevice(device);
        if (!com.isEmpty())
            system.push_back(RegValue{device, VType::String, 0, com});
    }
    std::stable_sort(system.begin(), system.end(), [](const RegValue& A, const RegValue& B) {
        return ComNumber(A.Text) < ComNumber(B.Text);
    });
    std::shared_ptr<RegKey> key;
    if (const RegKey* inFile = File.Find(SerialCommKey))
        key = std::make_shared<RegKey>(*inFile);
    else if (!system.empty())
        key = std::make_shared<RegKey>(RegKey(SerialCommKey));
    if (key)
        for (auto& v : system)
            if (!key->Find(v.Name))
                key->Put(std::move(v));
    last = {File.Stamp, Devices, key};
    return key;
}

// The store as a reader sees it: the file, with the live key in place of
// the file's own section of it when the reader concerns it.
struct StoreView {
    std::shared_ptr<const Store> File;
    std::shared_ptr<const RegKey> Live;
    bool LiveAdded = false; // the file has no section of the live key

    const RegKey* Find(const QString& Path) const
    {
        if (Live && SameName(Path, SerialCommKey))
            return Live.get();
        return File->Find(Path);
    }

    bool Exists(const QString& Path) const
    {
        return File->Exists(Path) || (LiveAdded && IsUnder(SerialCommKey, Path));
    }

    // As Store::Spelled; parts only the live key has are spelled as it is.
    QString Spelled(const QString& Path) const
    {
        QStringList parts = Path.split(u'\\');
        for (qsizetype n = 2; n <= parts.size(); ++n) {
            const QString prefix = parts.first(n).join(u'\\');
            if (const QString* spelled = File->SpelledPrefix(prefix))
                parts[n - 1] = spelled->section(u'\\', n - 1, n - 1);
            else if (LiveAdded && IsUnder(SerialCommKey, prefix))
                parts[n - 1] = SerialCommKey.section(u'\\', n - 1, n - 1);
        }
        return parts.join(u'\\');
    }

    QStringList ChildNames(const QString& Path) const
    {
        QStringList names = File->ChildNames(Path);
        if (LiveAdded && SerialCommKey.size() > Path.size() && IsUnder(SerialCommKey, Path)) {
            const QString child = SerialCommKey.mid(Path.size() + 1).section(u'\\', 0, 0);
            if (!names.contains(child, Qt::CaseInsensitive))
                names << child;
        }
        return names;
    }
};

// The store as a reader sees it at Path, with the system's devices as Listed
// holds them or, when it holds none, as they are now.
StoreView LoadView(const QString& Path, const std::optional<QStringList>& Listed = std::nullopt)
{
    StoreView view{LoadStore(RegistryFilePath()), nullptr};
    if (TouchesLiveKey(Path)) {
        view.Live = MergedLiveKey(*view.File, Listed ? *Listed : SystemDevices());
        view.LiveAdded = view.Live && !view.File->Find(SerialCommKey);
    }
    return view;
}

// The system's devices for a key about to be opened: listed once, and the
// reads of the open key use that list (listing costs milliseconds).
std::optional<QStringList> ListDevicesFor(const QString& Full)
{
    return TouchesLiveKey(Full) ? std::optional<QStringList>(SystemDevices()) : std::nullopt;
}

// The value as it stands: valid while View lives.
const RegValue& ReadValue(const StoreView& View, const QString& KeyPath, const QString& Name, VType Want)
{
    const RegKey* key = View.Find(KeyPath);
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
    auto find = [&](const RegKey* Key) {
        if (Key)
            for (const auto& v : Key->Values)
                if (v.Type == VType::String && SameName(v.Text, want))
                    return v.Name;
        return QString();
    };
    // File entries win over the system's, so the system's devices are listed
    // only when the file has no such port.
    const QString inFile = find(LoadStore(RegistryFilePath())->Find(SerialCommKey));
    return inFile.isEmpty() ? find(LoadView(SerialCommKey).Find(SerialCommKey)) : inFile;
}

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
    const StoreView view = LoadView(full, listed);
    if (view.Exists(full)) {
        Current = RelativePart(view.Spelled(full));
    } else {
        if (!CanCreate || Mode != RegAccess::All)
            return false;
        Mutate([full](Store& S) { return S.Ensure(full); });
        Current = RelativePart(LoadStore(RegistryFilePath())->Spelled(full));
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
    const StoreView view = LoadView(full, listed);
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
        Mutate([full](Store& S) { return S.Ensure(full); });
    return true;
}

bool TRegistry::DeleteKey(const QString& Key)
{
    const QString full = FullPath(Key);
    if (Mode != RegAccess::All || !full.contains(u'\\') || !RegistryWritable())
        return false;
    return Mutate([full](Store& S) { return S.EraseSubtree(full); });
}

QStringList TRegistry::GetValueNames()
{
    const QString full = FullPath(QString());
    const StoreView view = LoadView(full, ListedDevices);
    QStringList names;
    if (const RegKey* key = view.Find(full))
        for (const auto& v : key->Values)
            names << v.Name;
    return names;
}

QStringList TRegistry::GetKeyNames()
{
    const QString full = FullPath(QString());
    return LoadView(full, ListedDevices).ChildNames(full);
}

bool TRegistry::ValueExists(const QString& Name)
{
    const QString full = FullPath(QString());
    const StoreView view = LoadView(full, ListedDevices);
    const RegKey* key = view.Find(full);
    return key && key->Find(Name);
}

bool TRegistry::DeleteValue(const QString& Name)
{
    if (Current.isEmpty() || Mode != RegAccess::All || CurrentReadOnly || !RegistryWritable())
        return false;
    const QString full = FullPath(QString());
    return Mutate([full, Name](Store& S) {
        RegKey* key = S.Find(full);
        return key && key->Erase(Name);
    });
}

QString TRegistry::ReadString(const QString& Name)
{
    const QString full = FullPath(QString());
    return ReadValue(LoadView(full, ListedDevices), full, Name, VType::String).Text;
}

int32_t TRegistry::ReadInteger(const QString& Name)
{
    const QString full = FullPath(QString());
    return static_cast<int32_t>(ReadValue(LoadView(full, ListedDevices), full, Name, VType::Dword).Dword);
}

bool TRegistry::ReadBool(const QString& Name) { return ReadInteger(Name) != 0; }

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
    if (const RegValue* old = key.Find(Value.Name)) {
        if (old->Type == Value.Type && old->Dword == Value.Dword && old->Text == Value.Text)
            return created;
    }
    key.Put(Value);
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
    Mutate([writes = writes->Writes](Store& S) {
        bool changed = false;
        for (const auto& [keyPath, value] : writes)
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
        Mutate([keyPath, value](Store& S) { return ApplyValue(S, keyPath, value); });
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
