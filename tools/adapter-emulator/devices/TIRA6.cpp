#include "devices/TIRA6.h"

#include "Devices.h"
#include "TIRA6/Tables.h"
#include "devices/AnalyserCommandText.h"

#include <algorithm>
#include <cmath>

namespace adapteremu {

QByteArray MakeTira6Packet(const Tira6Reading& R)
{
    DataPacket p(tira6::PacketLength);
    p.Put8(tira6::FlagsByte, R.Flags);
    p.Put8(tira6::CurrentByte, static_cast<uint8_t>(R.AdcCurrentCode << 4));
    p.Put16(tira6::AirVoltageWord, R.AirVoltage);
    p.Put16(tira6::ThresholdVoltageWord, R.ThresholdVoltage);
    p.Put8(tira6::GuardByte, R.Guard ? tira6::GuardOn : 0x00);
    p.Put8(tira6::BarByte, R.Bar);
    p.Put8(tira6::RangeByte, R.Range);
    p.Put16(tira6::BatteryWord, R.Battery);
    p.Put16(tira6::SensorVoltageWord, R.SensorVoltage);
    return p.Finish();
}

namespace {

// The probe passes near a leak now and then: the sensor voltage rises and
// the bar fills, range by range; the protection drops while the sensor is
// overloaded.
QByteArray Tira6Stream(int Step)
{
    Tira6Reading r;
    const double Leak = Drift(Step, 150, 0.0, 1.0);
    r.SensorVoltage = static_cast<uint16_t>(std::lround(200 + Leak * 700 + Drift(Step, 11, 0, 20)));
    const int Level = static_cast<int>(std::lround(Leak * 3 * tira6::BarMaximum));
    r.Range = static_cast<uint8_t>(std::min(2, Level / tira6::BarMaximum));
    r.Bar = static_cast<uint8_t>(Level - r.Range * tira6::BarMaximum);
    r.Battery = static_cast<uint16_t>(std::lround(Drift(Step, 300, 4950, 5050)));
    r.AdcCurrentCode = static_cast<uint8_t>(3 + Step / 50 % 2);
    if (Leak > 0.95) {
        r.Flags = 0x80;
        r.Guard = false;
    }
    return MakeTira6Packet(r);
}

QString Tira6Command(const QByteArray& Payload) { return DescribeByTable(tira6::Commands, Payload); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(TIRA6, Instrument, &Tira6Stream, &Tira6Command);
