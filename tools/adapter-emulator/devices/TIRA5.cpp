#include "devices/TIRA5.h"

#include "Devices.h"
#include "TIRA5/Tables.h"
#include "devices/AnalyserCommandText.h"

#include <cmath>

namespace adapteremu {

QByteArray MakeTira5Packet(const Tira5Reading& R)
{
    using namespace tira5;
    DataPacket p(PacketLength);
    p.Put8(FlagsByte, R.Flags);
    p.Put8(CurrentByte, static_cast<uint8_t>(R.AdcCurrentCode << 4));
    p.PutFloat(AirVoltageFloat, R.AirVoltage);
    p.PutFloat(GasVoltageFloat, R.GasVoltage);
    p.Put8(GasCodeByte, R.GasCode);
    p.Put8(SwitchOffCodeByte, R.SwitchOffCode);
    p.Put8(AlarmCodeByte, R.AlarmCode);
    p.Put16(BatteryWord, R.Battery);
    p.PutFloat(AbsVoltageFloat, R.AbsVoltage);
    return p.Finish();
}

QByteArray Tira5MeterStream(int Step, double AirVoltage, double GasVoltage)
{
    Tira5Reading r;
    r.AirVoltage = AirVoltage;
    r.GasVoltage = GasVoltage;
    // A whiff of gas raises the sensor voltage towards the test-gas one.
    const double Gas = Drift(Step, 150, 0.0, 0.6);
    r.AbsVoltage = AirVoltage + Gas * (GasVoltage - AirVoltage) + Drift(Step, 13, -0.4, 0.4);
    r.Battery = static_cast<uint16_t>(std::lround(Drift(Step, 400, 4850, 5150)));
    r.AdcCurrentCode = static_cast<uint8_t>(4 + Step / 70 % 2);
    // For a while the second EEPROM reports a fault.
    if (Step % 250 >= 230)
        r.Flags = 0x10;
    return MakeTira5Packet(r);
}

QString Tira5Command(const QByteArray& Payload) { return DescribeByTable(tira5::Commands, Payload); }

namespace {

QByteArray Tira5Stream(int Step) { return Tira5MeterStream(Step, 12.5, 250.0); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(TIRA5, Instrument, &Tira5Stream, &Tira5Command);
