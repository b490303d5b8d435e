#include "devices/PIP_KARN7E_8.h"

#include "Devices.h"
#include "PIP_KARN7E_8/Tables.h"

#include <algorithm>
#include <cmath>

namespace adapteremu {

QByteArray MakeKarn7e8Packet(uint8_t Type, uint8_t GasCode, int16_t R)
{
    DataPacket p(karn7e8::PacketLength);
    p.Put8(3, static_cast<uint8_t>((Type & 0x0F) << 4 | (GasCode & 0x0F)));
    p.Put8(4, static_cast<uint8_t>(static_cast<uint16_t>(R) >> 8)); // R high byte first
    p.Put8(5, static_cast<uint8_t>(static_cast<uint16_t>(R) & 0xFF));
    return p.Finish();
}

int16_t Karn7e8Volts(double Millivolts)
{
    const long R = std::lround(Millivolts / 1000.0 * karn7e8::CountsPerVolt);
    return static_cast<int16_t>(std::clamp(R, -32768L, 32767L));
}

namespace {

constexpr uint8_t Methane = 1;
constexpr int WarmUpSteps = 10;

// A calibrated methane block: warm-up first, then round after round of zero
// voltage, a run of difference voltages, concentrations, temperature and
// status. A whiff of gas comes and goes; now and then the block reports
// that it is out of range.
QByteArray Karn7e8Stream(int Step)
{
    using namespace karn7e8;
    if (Step < WarmUpSteps)
        return MakeKarn7e8Packet(TypeWarmUp, Methane, 0);
    const double Gas = Drift(Step, 240, 0.0, 1.0);
    const double Zero = 1000 + Drift(Step, 97, 0, 6);
    switch (Step % 8) {
    case 0:
        return MakeKarn7e8Packet(TypeZeroVoltage, Methane, Karn7e8Volts(Zero));
    case 1:
    case 2:
        return MakeKarn7e8Packet(TypeDiffVoltage, Methane, Karn7e8Volts(Gas * 60));
    case 4: {
        const int Celsius = static_cast<int>(std::lround(Drift(Step, 400, 20, 24)));
        return MakeKarn7e8Packet(TypeTemperature, Methane, static_cast<int16_t>((Celsius + TemperatureOffset) << 8));
    }
    case 5:
        return MakeKarn7e8Packet(TypeStatus, Methane, Step % 300 >= 270 ? 0x04 : 0x00);
    default: // three concentrations a round
        return MakeKarn7e8Packet(TypeConcentration, Methane,
                                 static_cast<int16_t>(std::lround(Gas * 0.4 * CountsPerVolt)));
    }
}

// The block takes no device commands.
QString NoCommands(const QByteArray&) { return {}; }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(PIP_KARN7E_8, SensorBlock, &Karn7e8Stream, &NoCommands);
