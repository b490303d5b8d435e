#include "devices/PIP_KARN7.h"

#include "Devices.h"
#include "PIP_KARN7/Tables.h"

#include <algorithm>
#include <cmath>

namespace adapteremu {

static_assert(Karn7Reading::CarbonMonoxide == karn7::GasCarbonMonoxide && Karn7Reading::Methane == karn7::GasMethane);

int Karn7Value(uint8_t GasCode, double Concentration)
{
    const double raw = GasCode == Karn7Reading::Methane ? Concentration * 100.0 : Concentration;
    return std::clamp(static_cast<int>(std::lround(raw)), 0, 511);
}

QByteArray MakeKarn7Packet(const Karn7Reading& R)
{
    using namespace karn7;
    uint8_t flags = static_cast<uint8_t>((R.GasCode & GasMask) << GasShift);
    if (R.Threshold2)
        flags |= Threshold2Bit;
    if (R.Threshold1)
        flags |= Threshold1Bit;
    uint8_t low = 0;
    if (R.Faults) {
        flags |= ErrorPacketBit;
        low = *R.Faults;
    } else {
        if (R.RangeExceeded)
            flags |= RangeExceededBit;
        const int v = Karn7Value(R.GasCode, R.Concentration);
        if (v > 0xFF)
            flags |= ValueBit8;
        low = static_cast<uint8_t>(v & 0xFF);
    }
    DataPacket p(karn7::PacketLength);
    p.Put8(FlagsByte, flags);
    p.Put8(ValueByte, low);
    return p.Finish();
}

namespace {

// Methane 0.00 .. 2.50 % and back in steps of 0.05 %; the first threshold
// trips above 2.00 %.
QByteArray Karn7Stream(int Step)
{
    constexpr int Steps = 50;
    const int s = Step % (2 * Steps);
    Karn7Reading r;
    r.GasCode = Karn7Reading::Methane;
    r.Concentration = (s <= Steps ? s : 2 * Steps - s) * 0.05;
    r.Threshold1 = r.Concentration > 2.0;
    return MakeKarn7Packet(r);
}

// The block takes no device commands.
QString NoCommands(const QByteArray&) { return {}; }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(PIP_KARN7, SensorBlock, &Karn7Stream, &NoCommands);
