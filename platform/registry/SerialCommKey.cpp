#include "SerialCommKey.h"

#include "Registry.h"
#include "RegistryFile.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

namespace ostan::registry {

const QString SerialCommKey = QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");

std::function<QStringList()>& SystemLister()
{
    static std::function<QStringList()> lister;
    return lister;
}

namespace {

int ComNumber(const QString& Name)
{
    if (!Name.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = Name.mid(3).toInt(&ok);
    return ok ? n : 0;
}

} // namespace

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

bool TouchesLiveKey(const QString& Path)
{
    return IsUnder(SerialCommKey, Path) || IsUnder(Path, SerialCommKey);
}

// The system's devices come in the order of their COM numbers.
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

StoreView LoadView(const QString& Path, const std::optional<QStringList>& Listed)
{
    StoreView view{LoadStore(RegistryFilePath()), nullptr};
    if (TouchesLiveKey(Path)) {
        view.Live = MergedLiveKey(*view.File, Listed ? *Listed : SystemDevices());
        view.LiveAdded = view.Live && !view.File->Find(SerialCommKey);
    }
    return view;
}

std::optional<QStringList> ListDevicesFor(const QString& Full)
{
    return TouchesLiveKey(Full) ? std::optional<QStringList>(SystemDevices()) : std::nullopt;
}

} // namespace ostan::registry

namespace ostan {

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

} // namespace ostan
