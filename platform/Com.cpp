#include "Com.h"

#include "LibraryFile.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>
#include <algorithm>
#include <optional>
#include <vector>

namespace ostan {

namespace {

QString& ErrorInfo()
{
    static QString Text;
    return Text;
}

struct TClassObjectEntry {
    uint32_t Cookie = 0;
    TGUID ClassID;
    ComPtr<IClassFactory> Factory;
    bool MultipleUse = false;
};

// Never destroyed: the factories it refers to may be gone by then.
std::vector<TClassObjectEntry>& ClassObjects()
{
    static auto* Table = new std::vector<TClassObjectEntry>;
    return *Table;
}

struct TLoadedServer {
    QString Path;
    void* Handle = nullptr;
};

// Libraries stay loaded for the life of the process.
std::vector<TLoadedServer>& LoadedServers()
{
    static auto* List = new std::vector<TLoadedServer>;
    return *List;
}

QString ClassKey(const TGUID& ClassID) { return QLatin1String("\\CLSID\\") + ClassID.ToString(); }

// The text for a failure: what the server left as error info, else the code's.
QString FailureText(HRESULT Code)
{
    const QString Info = TakeComErrorInfo();
    return Info.isEmpty() ? ComErrorText(Code) : Info;
}

QString Quoted(const QString& Text) { return QLatin1Char('"') + Text + QLatin1Char('"'); }

// Why is the file's fault or the loader's reason; without one the code says it.
[[noreturn]] void RaiseLoadError(const QString& Path, const std::optional<QString>& Why)
{
    const HRESULT Code = QFileInfo::exists(Path) ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    throw EOleSysError(Code, QStringLiteral("Не удалось загрузить ") + Quoted(Path) + QLatin1String(": ")
                                 + Why.value_or(ComErrorText(Code)));
}

// The loader is handed only a file it can map whole: one cut short would end
// the process with a signal, a FIFO would block it.
void* OpenLibrary(const QString& Path)
{
    if (const QString Fault = LibraryFileFault(Path); !Fault.isEmpty())
        RaiseLoadError(Path, Fault);
    dlerror();
    if (void* Handle = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_LOCAL))
        return Handle;
    const char* Why = dlerror();
    RaiseLoadError(Path, Why ? std::optional(QString::fromLocal8Bit(Why)) : std::nullopt);
}

// One string value of a class's registration under HKEY_CLASSES_ROOT.
struct TClassEntry {
    QString Key;
    QString Name; // "" is the key's default value
    QString Value;
};

bool AlreadyStored(const TClassEntry& E)
{
    TRegistry Reg(RegAccess::Read);
    Reg.SetRootKey(HKey::ClassesRoot);
    if (!Reg.OpenKeyReadOnly(E.Key))
        return false;
    try {
        return Reg.ReadString(E.Name) == E.Value;
    } catch (const ERegistryException&) {
        return false; // missing or of another type: to be written
    }
}

// Writes every entry of one class; the server key is InprocServer32 or
// LocalServer32. A class registered as it is already writes nothing, so a
// program whose classes are registered runs from a store it cannot write.
void RegisterClass(const TGUID& ClassID, const QString& ProgID, const QString& ServerKey, const QString& Path,
                   const std::optional<TThreadingModel>& Threading, const QString& Description)
{
    const QString Key = ClassKey(ClassID);
    std::vector<TClassEntry> Entries{{Key, QString(), Description},
                                     {Key + QLatin1Char('\\') + ServerKey, QString(), Path}};
    if (Threading)
        Entries.push_back({Entries.back().Key, QStringLiteral("ThreadingModel"), ThreadingModelText(*Threading)});
    if (!ProgID.isEmpty()) {
        Entries.push_back({Key + QLatin1String("\\ProgID"), QString(), ProgID});
        Entries.push_back({QLatin1Char('\\') + ProgID, QString(), Description});
        Entries.push_back({QLatin1Char('\\') + ProgID + QLatin1String("\\CLSID"), QString(), ClassID.ToString()});
    }
    try {
        if (std::all_of(Entries.begin(), Entries.end(), AlreadyStored))
            return;
        TRegistry Reg;
        Reg.SetRootKey(HKey::ClassesRoot);
        for (const TClassEntry& E : Entries) {
            if (!Reg.OpenKey(E.Key, true))
                throw EOleSysError(REGDB_E_WRITEREGDB,
                                   QLatin1String("Не удалось записать раздел реестра HKEY_CLASSES_ROOT") + E.Key);
            Reg.WriteString(E.Name, E.Value);
        }
    } catch (const ERegistryException& E) {
        throw EOleSysError(REGDB_E_WRITEREGDB, QString::fromUtf8(E.what()));
    }
}

// The default value of an HKEY_CLASSES_ROOT key, or nothing when it is missing.
std::optional<QString> ReadClassesRoot(const QString& Key)
{
    try {
        TRegistry Reg(RegAccess::Read);
        Reg.SetRootKey(HKey::ClassesRoot);
        if (!Reg.OpenKeyReadOnly(Key) || !Reg.ValueExists(QString()))
            return std::nullopt;
        return Reg.ReadString(QString());
    } catch (const ERegistryException& E) {
        throw EOleSysError(REGDB_E_READREGDB, QString::fromUtf8(E.what()));
    }
}

void CallRegistrationEntry(const QString& FileName, const char* Entry, const QString& Refusal)
{
    const QString Path = QFileInfo(FileName).absoluteFilePath();
    const QString What = Refusal + QLatin1Char(' ') + Quoted(Path) + QLatin1String(": ");
    void* Handle = OpenLibrary(Path);
    auto* Fn = reinterpret_cast<TDllRegisterServer*>(dlsym(Handle, Entry));
    HRESULT Code = S_OK;
    QString Text;
    if (!Fn) {
        Code = CO_E_ERRORINDLL;
        Text = QStringLiteral("нет точки входа для регистрации");
    } else {
        TakeComErrorInfo();
        // The library's own server turns its errors into codes; this guards
        // against one that does not, before the library goes away.
        try {
            Code = Fn();
            if (Failed(Code))
                Text = FailureText(Code);
        } catch (const std::exception& E) {
            Code = E_FAIL;
            Text = QString::fromUtf8(E.what());
        } catch (...) {
            Code = E_UNEXPECTED;
            Text = ComErrorText(Code);
        }
    }
    dlclose(Handle);
    if (Failed(Code))
        throw EOleSysError(Code, What + Text);
}

void* LoadServer(const QString& Path)
{
    for (const TLoadedServer& S : LoadedServers())
        if (S.Path == Path)
            return S.Handle;
    void* Handle = OpenLibrary(Path);
    LoadedServers().push_back({Path, Handle});
    return Handle;
}

ComPtr<IUnknown> CreateFromFactory(IClassFactory* Factory, const QString& What)
{
    TakeComErrorInfo();
    void* Raw = nullptr;
    const HRESULT Code = Factory->CreateInstance(nullptr, IID_IUnknown, &Raw);
    if (Failed(Code))
        throw EOleSysError(Code, What + FailureText(Code));
    return ComPtr<IUnknown>::Adopt(static_cast<IUnknown*>(Raw));
}

} // namespace

// ---------------------------------------------------------------- GUIDs

std::optional<TGUID> TGUID::FromString(const QString& Text)
{
    const QByteArray Bytes = Text.toLatin1(); // anything outside Latin-1 becomes '?' and fails
    return FromText(std::string_view(Bytes.constData(), static_cast<size_t>(Bytes.size())));
}

QString TGUID::ToString() const
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", D1, D2, D3, D4[0], D4[1],
                             D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
}

TGUID StringToGUID(const QString& Text)
{
    if (const std::optional<TGUID> G = TGUID::FromString(Text))
        return *G;
    throw EOleSysError(CO_E_CLASSSTRING, ComErrorText(CO_E_CLASSSTRING) + QLatin1String(": ") + Quoted(Text));
}

// ---------------------------------------------------------------- errors

QString ComErrorText(HRESULT Code)
{
    switch (Code) {
    case S_OK: return QStringLiteral("Ошибки нет");
    case S_FALSE: return QStringLiteral("Ложь");
    case E_NOTIMPL: return QStringLiteral("Не реализовано");
    case E_NOINTERFACE: return QStringLiteral("Интерфейс не поддерживается");
    case E_POINTER: return QStringLiteral("Недопустимый указатель");
    case E_FAIL: return QStringLiteral("Неопознанная ошибка");
    case E_UNEXPECTED: return QStringLiteral("Непредвиденная ошибка");
    case E_OUTOFMEMORY: return QStringLiteral("Недостаточно памяти");
    case E_INVALIDARG: return QStringLiteral("Недопустимый параметр");
    case CLASS_E_NOAGGREGATION: return QStringLiteral("Класс не поддерживает агрегирование");
    case CLASS_E_CLASSNOTAVAILABLE: return QStringLiteral("Фабрика классов не может предоставить запрошенный класс");
    case REGDB_E_READREGDB: return QStringLiteral("Не удалось прочитать раздел реестра");
    case REGDB_E_WRITEREGDB: return QStringLiteral("Не удалось записать раздел реестра");
    case REGDB_E_CLASSNOTREG: return QStringLiteral("Класс не зарегистрирован");
    case CO_E_CLASSSTRING: return QStringLiteral("Недопустимая строка класса");
    case CO_E_DLLNOTFOUND: return QStringLiteral("Не найдена библиотека класса");
    case CO_E_ERRORINDLL: return QStringLiteral("Ошибка в библиотеке");
    case SELFREG_E_CLASS: return QStringLiteral("Не удалось зарегистрировать класс");
    default: return QStringLiteral("Ошибка 0x") + QString::asprintf("%08X", static_cast<uint32_t>(Code));
    }
}

EOleSysError::EOleSysError(HRESULT Code, const QString& Message)
    : std::runtime_error((Message.isEmpty() ? ComErrorText(Code) : Message).toStdString()), Code(Code)
{}

EOleSysError::~EOleSysError() = default;

QString EOleSysError::Message() const { return QString::fromUtf8(what()); }

void OleCheck(HRESULT Code)
{
    if (Failed(Code))
        throw EOleSysError(Code, FailureText(Code));
}

void SetComErrorInfo(const QString& Text) { ErrorInfo() = Text; }

QString TakeComErrorInfo() { return std::exchange(ErrorInfo(), QString()); }

// ---------------------------------------------------------------- registration

QString ThreadingModelText(TThreadingModel Model)
{
    switch (Model) {
    case tmSingle: return QString();
    case tmApartment: return QStringLiteral("Apartment");
    case tmFree: return QStringLiteral("Free");
    case tmBoth: return QStringLiteral("Both");
    }
    return QString();
}

void RegisterInprocServer(const TGUID& ClassID, const QString& ProgID, const QString& Path,
                          TThreadingModel Threading, const QString& Description)
{
    RegisterClass(ClassID, ProgID, QStringLiteral("InprocServer32"), Path, Threading, Description);
}

void RegisterLocalServer(const TGUID& ClassID, const QString& ProgID, const QString& Path,
                         const QString& Description)
{
    RegisterClass(ClassID, ProgID, QStringLiteral("LocalServer32"), Path, std::nullopt, Description);
}

void UnregisterComClass(const TGUID& ClassID, const QString& ProgID)
{
    try {
        TRegistry Reg;
        Reg.SetRootKey(HKey::ClassesRoot);
        if (Reg.KeyExists(ClassKey(ClassID)))
            Reg.DeleteKey(ClassKey(ClassID));
        if (!ProgID.isEmpty() && Reg.KeyExists(QLatin1Char('\\') + ProgID))
            Reg.DeleteKey(QLatin1Char('\\') + ProgID);
    } catch (const ERegistryException& E) {
        throw EOleSysError(REGDB_E_WRITEREGDB, QString::fromUtf8(E.what()));
    }
}

void RegisterComServer(const QString& FileName)
{
    CallRegistrationEntry(FileName, DllRegisterServerName, QStringLiteral("Не удалось зарегистрировать"));
}

void UnregisterComServer(const QString& FileName)
{
    CallRegistrationEntry(FileName, DllUnregisterServerName, QStringLiteral("Не удалось отменить регистрацию"));
}

TGUID ProgIDToClassID(const QString& ProgID)
{
    const QString What = ComErrorText(CO_E_CLASSSTRING) + QLatin1String(": ") + Quoted(ProgID);
    // A ProgID is one key name: a "\" would reach into another key.
    if (ProgID.isEmpty() || ProgID.contains(QLatin1Char('\\')))
        throw EOleSysError(CO_E_CLASSSTRING, What);
    const std::optional<QString> Text = ReadClassesRoot(QLatin1Char('\\') + ProgID + QLatin1String("\\CLSID"));
    const std::optional<TGUID> G = Text ? TGUID::FromString(*Text) : std::nullopt;
    if (!G)
        throw EOleSysError(CO_E_CLASSSTRING, What);
    return *G;
}

// ---------------------------------------------------------------- creation

ComPtr<IUnknown> CreateComObject(const TGUID& ClassID)
{
    const QString What = QStringLiteral("Не удалось создать объект ") + ClassID.ToString() + QLatin1String(": ");
    std::vector<TClassObjectEntry>& Table = ClassObjects();
    for (auto It = Table.begin(); It != Table.end(); ++It) {
        if (It->ClassID != ClassID)
            continue;
        const ComPtr<IClassFactory> Factory = It->Factory;
        if (!It->MultipleUse)
            Table.erase(It);
        return CreateFromFactory(Factory.Get(), What);
    }

    const std::optional<QString> Path = ReadClassesRoot(ClassKey(ClassID) + QLatin1String("\\InprocServer32"));
    if (!Path || Path->isEmpty())
        throw EOleSysError(REGDB_E_CLASSNOTREG, ComErrorText(REGDB_E_CLASSNOTREG) + QLatin1String(": ")
                                                    + ClassID.ToString());
    void* Handle = LoadServer(*Path);
    const QString InFile = QStringLiteral("Не удалось создать объект ") + ClassID.ToString() + QStringLiteral(" из ")
                           + Quoted(*Path) + QLatin1String(": ");
    auto* GetClassObject = reinterpret_cast<TDllGetClassObject*>(dlsym(Handle, DllGetClassObjectName));
    if (!GetClassObject)
        throw EOleSysError(CO_E_ERRORINDLL, InFile + QStringLiteral("нет точки входа DllGetClassObject"));
    TakeComErrorInfo();
    void* Raw = nullptr;
    const HRESULT Code = GetClassObject(&ClassID, &IID_IClassFactory, &Raw);
    if (Failed(Code))
        throw EOleSysError(Code, InFile + FailureText(Code));
    const auto Factory = ComPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(Raw));
    return CreateFromFactory(Factory.Get(), InFile);
}

QStringList LoadedComServerFiles()
{
    QStringList Files;
    for (const TLoadedServer& S : LoadedServers())
        Files << S.Path;
    return Files;
}

uint32_t RegisterClassObject(const TGUID& ClassID, IClassFactory* Factory, bool MultipleUse)
{
    if (!Factory)
        throw EOleSysError(E_POINTER);
    static uint32_t NextCookie = 0;
    const uint32_t Cookie = ++NextCookie;
    ClassObjects().push_back({Cookie, ClassID, ComPtr<IClassFactory>(Factory), MultipleUse});
    return Cookie;
}

void RevokeClassObject(uint32_t Cookie)
{
    std::vector<TClassObjectEntry>& Table = ClassObjects();
    for (auto It = Table.begin(); It != Table.end(); ++It) {
        if (It->Cookie == Cookie) {
            // Out of the table before the factory is released.
            const ComPtr<IClassFactory> Factory = std::move(It->Factory);
            Table.erase(It);
            return;
        }
    }
}

QString ModuleFileNameOf(const void* Address)
{
    Dl_info Info{};
    if (!dladdr(Address, &Info) || !Info.dli_fname || !*Info.dli_fname)
        return ProgramFileName();
    return QFileInfo(QFile::decodeName(Info.dli_fname)).absoluteFilePath();
}

QString ProgramFileName()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

// ---------------------------------------------------------------- server switches

bool FindCmdLineSwitch(const QStringList& Args, const QString& Name)
{
    for (qsizetype I = 1; I < Args.size(); ++I) {
        // "-X", "/X" and, as a Linux command line is written, plain "X".
        const QString& A = Args[I];
        if (A.compare(Name, Qt::CaseInsensitive) == 0)
            return true;
        if (A.size() > 1 && (A[0] == QLatin1Char('-') || A[0] == QLatin1Char('/'))
            && A.mid(1).compare(Name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

TComStartMode ComStartMode(const QStringList& Args)
{
    if (FindCmdLineSwitch(Args, QStringLiteral("AUTOMATION")) || FindCmdLineSwitch(Args, QStringLiteral("EMBEDDING")))
        return TComStartMode::Automation;
    if (FindCmdLineSwitch(Args, QStringLiteral("REGSERVER")))
        return TComStartMode::RegServer;
    if (FindCmdLineSwitch(Args, QStringLiteral("UNREGSERVER")))
        return TComStartMode::UnregServer;
    return TComStartMode::Normal;
}

bool HandleComServerSwitches(const QStringList& Args, const std::function<void(bool Register)>& RegisterSelf)
{
    const TComStartMode Mode = ComStartMode(Args);
    try {
        RegisterSelf(Mode != TComStartMode::UnregServer);
    } catch (...) {
        if (Mode == TComStartMode::RegServer)
            throw;
    }
    return Mode == TComStartMode::RegServer || Mode == TComStartMode::UnregServer;
}

} // namespace ostan
