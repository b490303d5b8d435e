#include "Devices.h"

#include <cmath>

namespace adapteremu {

#define ADAPTEREMU_DEVICE_ENTRY(Name) extern const EmulatedDevice Name##Device;
#include "devices/DeviceList.h"
#undef ADAPTEREMU_DEVICE_ENTRY

namespace {

const EmulatedDevice* const Table[] = {
#define ADAPTEREMU_DEVICE_ENTRY(Name) &Name##Device,
#include "devices/DeviceList.h"
#undef ADAPTEREMU_DEVICE_ENTRY
};

} // namespace

std::span<const EmulatedDevice* const> Devices() { return Table; }

const EmulatedDevice* FindDevice(const QString& Library)
{
    for (const EmulatedDevice* D : Table)
        if (Library.compare(QLatin1String(D->Library), Qt::CaseInsensitive) == 0)
            return D;
    return nullptr;
}

QStringList DeviceNames()
{
    QStringList Names;
    for (const EmulatedDevice* D : Table)
        Names << QLatin1String(D->Library);
    return Names;
}

double Drift(int Step, int Period, double Low, double High)
{
    const double Phase = 2 * M_PI * (Step % Period) / Period;
    return Low + (High - Low) * (1 - std::cos(Phase)) / 2;
}

} // namespace adapteremu
