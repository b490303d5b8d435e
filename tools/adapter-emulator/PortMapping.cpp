#include "PortMapping.h"

#include "Registry.h"

namespace adapteremu {

namespace {
const QString SerialCommKey = QStringLiteral("\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
}

QString ComName(int PortNum) { return QStringLiteral("COM%1").arg(PortNum); }

bool MapPort(const QString& DevicePath, int PortNum, QString* Error)
{
    try {
        ostan::TRegistry reg(ostan::RegAccess::All);
        if (!reg.OpenKey(SerialCommKey, true)) {
            if (Error)
                *Error = QStringLiteral("cannot open %1 in %2").arg(SerialCommKey, ostan::RegistryFilePath());
            return false;
        }
        const QString com = ComName(PortNum);
        for (const QString& name : reg.GetValueNames()) {
            if (name.compare(DevicePath, Qt::CaseInsensitive) == 0)
                continue;
            try {
                if (reg.ReadString(name).compare(com, Qt::CaseInsensitive) == 0)
                    reg.DeleteValue(name); // a system device is not in the file: no-op
            } catch (const ostan::ERegistryException&) {
                // not a text value: not a mapping of ours
            }
        }
        reg.WriteString(DevicePath, com);
        return true;
    } catch (const std::exception& e) {
        if (Error)
            *Error = QString::fromUtf8(e.what());
        return false;
    }
}

bool UnmapPort(const QString& DevicePath, QString* Error)
{
    try {
        ostan::TRegistry reg(ostan::RegAccess::All);
        if (!reg.OpenKey(SerialCommKey, false))
            return true;
        if (reg.ValueExists(DevicePath))
            reg.DeleteValue(DevicePath);
        return true;
    } catch (const std::exception& e) {
        if (Error)
            *Error = QString::fromUtf8(e.what());
        return false;
    }
}

} // namespace adapteremu
