// The explosion-proof sensor block KARN-7E: typed 4-byte packets checked by
// their nibbles.
#include "AdapterFrames.h"
#include "Devices.h"
#include "PIP_KARN7E/Tables.h"

#include <cmath>

namespace adapteremu {

namespace {

// 5F, type and check nibble, R high, R low: the check nibble makes the six
// nibbles of bytes 2 to 4 XOR to 0.
QByteArray Karn7ePacket(uint8_t Type, int16_t R)
{
    const auto High = static_cast<uint8_t>(static_cast<uint16_t>(R) >> 8);
    const auto Low = static_cast<uint8_t>(R & 0xFF);
    const auto Check = static_cast<uint8_t>(Type ^ karn7e::NibbleFold(High) ^ karn7e::NibbleFold(Low));
    QByteArray p;
    p.append(static_cast<char>(DataHeader));
    p.append(static_cast<char>(Type << 4 | Check));
    p.append(static_cast<char>(High));
    p.append(static_cast<char>(Low));
    return p;
}

// Every 25 packets the block reports its two calibration voltages, in
// between methane measurements that rise and fall slowly; a fault once in a
// long while.
QByteArray Karn7eStream(int Step)
{
    const int s = Step % 25;
    if (Step % 600 == 599)
        return Karn7ePacket(karn7e::TypeFault, 0);
    if (s == 0)
        return Karn7ePacket(karn7e::TypeAirVoltage, static_cast<int16_t>(std::lround(Drift(Step, 500, 1230, 1240))));
    if (s == 1)
        return Karn7ePacket(karn7e::TypeGasVoltage, static_cast<int16_t>(std::lround(Drift(Step, 700, 2230, 2245))));
    return Karn7ePacket(karn7e::FirstGasType, static_cast<int16_t>(std::lround(Drift(Step, 160, -10, 900))));
}

// The block takes no device commands.
QString NoCommands(const QByteArray&) { return {}; }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(PIP_KARN7E, SensorBlock, &Karn7eStream, &NoCommands);
