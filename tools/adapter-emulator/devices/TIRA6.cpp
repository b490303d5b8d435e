#include "devices/TIRA6.h"

#include "AdapterFrames.h"
#include "Devices.h"
#include "TIRA6/Tables.h"
#include "devices/AnalyserCommandText.h"

#include <algorithm>
#include <cmath>

namespace adapteremu {

QByteArray MakeTira6Packet(const Tira6Reading& R)
{
    QByteArray p(tira6::PacketLength, '\0');
    const auto Put8 = [&p](int N, uint8_t V) { p[N - 1] = static_cast<char>(V); };
    const auto Put16 = [&](int N, uint16_t V) {
        Put8(N, static_cast<uint8_t>(V & 0xFF));
        Put8(N + 1, static_cast<uint8_t>(V >> 8));
    };
    Put8(1, DataHeader);
    Put8(2, R.Flags);
    Put8(5, static_cast<uint8_t>(R.AdcCurrentCode << 4));
    Put16(6, R.AirVoltage);
    Put16(8, R.ThresholdVoltage);
    Put8(11, R.Guard ? tira6::GuardOn : 0x00);
    Put8(13, R.Bar);
    Put8(14, R.Range);
    Put16(15, R.Battery);
    Put16(17, R.SensorVoltage);
    Put8(tira6::PacketLength, XorOf(p, 1, tira6::PacketLength - 1));
    return p;
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

ADAPTEREMU_DEVICE(TIRA6, &Tira6Stream, &Tira6Command);
