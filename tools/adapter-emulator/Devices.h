#pragma once
// The devices the emulator can play behind the adapter. Each lives in one
// file, devices/<Library>.cpp (its kind, its packet builder and its command
// decoder), declared with ADAPTEREMU_DEVICE and listed by one line in
// devices/DeviceList.h. Its identifier comes from the protocol's table, the
// one the program reads.
#include "AdapterProtocol.h"
#include "devices/DataPacket.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <string_view>

namespace adapteremu {

using namespace ostan::adapter; // the device identifiers

// What the adapter reports of the device in its status byte.
enum class DeviceKind { SensorBlock, Instrument };

// The identifier of a device that sends no "7" frames.
inline constexpr uint8_t NoDeviceId = 0;

// The identifier DeviceIds gives Library; NoDeviceId for one it lacks.
constexpr uint8_t DeviceIdOf(std::string_view Library)
{
    for (const DeviceIdEntry& E : DeviceIds)
        if (Library == E.Library)
            return E.Id;
    return NoDeviceId;
}

struct EmulatedDevice {
    const char* Library; // the plug-in library that shows it
    DeviceKind Kind;
    // The identifier of the device-ID frames the meter sends; NoDeviceId
    // for a device that announces nothing.
    uint8_t Id;
    // The packet (header byte included) the device sends at step Step of its
    // stream: readings that vary slowly, now and then a flag.
    QByteArray (*Packet)(int Step);
    // What a device command's payload means ("C п.г.с. 2.50"); empty when
    // the device has no such command or takes none.
    QString (*Describe)(const QByteArray& Payload);
};

std::span<const EmulatedDevice* const> Devices();
// By library name, case-insensitive; nullptr when unknown.
const EmulatedDevice* FindDevice(const QString& Library);
QStringList DeviceNames();

// The device played when none is chosen.
inline constexpr const char* DefaultDevice = "PIP_KARN7";

// A value that drifts up and down between Low and High over Period steps.
double Drift(int Step, int Period, double Low, double High);

} // namespace adapteremu

#define ADAPTEREMU_DEVICE(Name, Kind, PacketFunction, DescribeFunction)                                \
    namespace adapteremu {                                                                            \
    extern const EmulatedDevice Name##Device;                                                         \
    const EmulatedDevice Name##Device{#Name, DeviceKind::Kind, DeviceIdOf(#Name), PacketFunction,     \
                                      DescribeFunction};                                              \
    }                                                                                                 \
    static_assert(true, "")
