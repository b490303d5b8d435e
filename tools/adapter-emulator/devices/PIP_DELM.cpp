// The sensor block DELM: gas identifications, signed 24-bit measurements and
// error reports, 6 bytes each.
#include "Devices.h"
#include "PIP_DELM/Tables.h"

#include <cmath>

namespace adapteremu {

namespace {

QByteArray DelmPacket(uint8_t Kind, uint8_t B3, uint8_t B4 = 0, uint8_t B5 = 0)
{
    DataPacket p(delm::PacketLength);
    int N = 2;
    for (const uint8_t B : {Kind, B3, B4, B5})
        p.Put8(N++, B);
    return p.Finish();
}

QByteArray DelmMeasurement(uint8_t Flags, int V)
{
    const auto U = static_cast<uint32_t>(V);
    return DelmPacket(Flags ? static_cast<uint8_t>(delm::KindMeasurementBits | Flags) : 0,
                      static_cast<uint8_t>(U >> 16), static_cast<uint8_t>(U >> 8), static_cast<uint8_t>(U));
}

constexpr uint8_t Methane = 11;
constexpr uint8_t AdcOverflow = 0x02;
constexpr uint8_t NoCalibration = 0x01;

// The gas every 30 packets, measurements that drift around the calibration
// concentration, a short spell without calibration and an ADC overflow
// reported and cleared again once in a long while.
QByteArray DelmStream(int Step)
{
    const int Cycle = Step % 400;
    if (Step % 30 == 0)
        return DelmPacket(delm::KindGas, Methane);
    if (Cycle == 390)
        return DelmPacket(delm::KindError, AdcOverflow);
    if (Cycle == 396)
        return DelmPacket(delm::KindError, 0);
    const uint8_t Flags = Cycle >= 300 && Cycle < 330 ? NoCalibration : 0;
    return DelmMeasurement(Flags, static_cast<int>(std::lround(Drift(Step, 200, -300, 9000))));
}

// The block takes no device commands.
QString NoCommands(const QByteArray&) { return {}; }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(PIP_DELM, SensorBlock, &DelmStream, &NoCommands);
