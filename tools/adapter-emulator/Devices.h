#pragma once
// The devices the emulator can play behind the adapter. Each lives in one
// file, devices/<Library>.cpp (its packet builder and its command decoder),
// declared with ADAPTEREMU_DEVICE and listed by one line in
// devices/DeviceList.h.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>

namespace adapteremu {

struct EmulatedDevice {
    const char* Library; // the plug-in library that shows it
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

// A data packet being filled: bytes numbered from 1, 16-bit fields with
// their low 8 bits first. Finished, it carries the data header and a last
// byte that makes bytes 2 to the end XOR to 0.
class DataPacket {
public:
    explicit DataPacket(int Length) : P(Length, '\0') {}
    void Put8(int N, uint8_t V) { P[N - 1] = static_cast<char>(V); }
    void Put16(int N, uint16_t V)
    {
        Put8(N, static_cast<uint8_t>(V & 0xFF));
        Put8(N + 1, static_cast<uint8_t>(V >> 8));
    }
    QByteArray Finish();

private:
    QByteArray P;
};

} // namespace adapteremu

#define ADAPTEREMU_DEVICE(Name, PacketFunction, DescribeFunction)                                      \
    namespace adapteremu {                                                                            \
    extern const EmulatedDevice Name##Device;                                                         \
    const EmulatedDevice Name##Device{#Name, PacketFunction, DescribeFunction};                        \
    }                                                                                                 \
    static_assert(true, "")
