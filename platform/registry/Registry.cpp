#include "Registry.h"

#include "RegistryFile.h"
#include "RegistryFormat.h"
#include "SerialCommKey.h"

#include <QDir>

namespace ostan {

using namespace registry;

namespace {

std::function<void(const QString&)>& ValueHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
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

QString StoreReadFailure()
{
    try {
        LoadFileStore(RegistryFilePath(), false);
    } catch (const EStoreKeptAside&) {
        // reported by the next reader that shows boxes (TakeStoreDamageReport)
    } catch (const ERegistryException& E) {
        return QString::fromUtf8(E.what());
    }
    return QString();
}

void SetStoreLockWaitForTest(int Ms) { LockWaitMs() = Ms; }

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
    if (NotQuotable(full))
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
    if (NotQuotable(full))
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
    if (NotQuotable(Name))
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
