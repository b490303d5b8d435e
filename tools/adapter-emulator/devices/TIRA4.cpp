#include "devices/TIRA4.h"

#include "Devices.h"
#include "TIRA4/Tables.h"
#include "devices/AnalyserCommandText.h"

#include <cmath>

namespace adapteremu {

QByteArray MakeTira4Packet(const Tira4Reading& R)
{
    DataPacket p(tira4::PacketLength);
    p.Put16(tira4::NitrogenVoltageWord, R.NitrogenVoltage);
    p.Put16(tira4::AirVoltageWord, R.AirVoltage);
    p.Put8(tira4::Threshold2Byte, R.Threshold2);
    p.Put8(tira4::Threshold1Byte, R.Threshold1);
    p.Put8(tira4::FlagsByte, R.Flags);
    p.Put16(tira4::DisplayWord, static_cast<uint16_t>(R.Display));
    p.Put16(tira4::SensorVoltageWord, R.SensorVoltage);
    p.Put16(tira4::BatteryWord, R.Battery);
    return p.Finish();
}

namespace {

// Room air with the sensor voltage and the reading wandering a little around
// 21 %; now and then the oxygen drops for a while, and the converter reports
// a restart once in a long while.
QByteArray Tira4Stream(int Step)
{
    Tira4Reading r;
    const double Dip = Step % 240 >= 200 ? Drift(Step - 200, 80, 0.0, 0.3) : 0.0;
    const double Oxygen = 20.9 - Dip * 10 + Drift(Step, 23, -0.1, 0.1);
    r.SensorVoltage = static_cast<uint16_t>(std::lround(Oxygen / 20.9 * 10000 + Drift(Step, 13, 0, 30)));
    r.Display = static_cast<int16_t>(std::lround(Oxygen * 10));
    r.Battery = static_cast<uint16_t>(std::lround(Drift(Step, 300, 4900, 5100)));
    if (Step % 400 >= 390)
        r.Flags = 0x01;
    return MakeTira4Packet(r);
}

// {CommandLead, operation, argument, trailer}: the table reads from the
// operation on.
QString Tira4Command(const QByteArray& Payload)
{
    if (Payload.isEmpty() || static_cast<uint8_t>(Payload[0]) != tira4::CommandLead)
        return {};
    return DescribeByTable(tira4::Commands, Payload.mid(1));
}

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(TIRA4, Instrument, &Tira4Stream, &Tira4Command);
