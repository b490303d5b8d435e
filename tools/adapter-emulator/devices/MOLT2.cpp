#include "devices/MOLT2.h"

#include "Devices.h"
#include "MOLT2/Tables.h"
#include "devices/AnalyserCommandText.h"

#include <cmath>

namespace adapteremu {

QByteArray MakeMolt2Packet(const Molt2Reading& R)
{
    DataPacket p(molt2::PacketLength);
    p.Put16(molt2::AirVoltageWord, static_cast<uint16_t>(R.AirVoltage));
    p.Put16(molt2::GasVoltageWord, static_cast<uint16_t>(R.GasVoltage));
    p.Put8(molt2::GasCodeByte, R.GasCode);
    p.Put8(molt2::AlarmCodeByte, R.AlarmCode);
    p.Put8(molt2::SwitchOffCodeByte, R.SwitchOffCode);
    p.Put8(molt2::FlagsByte, R.Flags);
    p.Put8(molt2::CurrentByte, static_cast<uint8_t>(R.AdcCurrentCode << 4));
    p.Put16(molt2::DisplayWord, static_cast<uint16_t>(R.Display));
    p.Put16(molt2::DiffVoltageWord, static_cast<uint16_t>(R.DiffVoltage));
    p.Put16(molt2::AbsVoltageWord, R.AbsVoltage);
    p.Put16(molt2::BatteryWord, R.Battery);
    return p.Finish();
}

namespace {

// Clean air with a little drift; now and then a whiff of gas raises the
// sensor voltage and the reading, and for a while the analyser reports that
// it is not set up.
QByteArray Molt2Stream(int Step)
{
    Molt2Reading r;
    const double Gas = Drift(Step, 120, 0.0, 1.0);
    r.DiffVoltage = static_cast<int16_t>(std::lround(-20 + Gas * 350));
    r.Display = static_cast<int16_t>(std::lround(Gas * 150));
    r.AbsVoltage = static_cast<uint16_t>(std::lround(1480 + Gas * 35 + Drift(Step, 17, 0, 4)));
    r.Battery = static_cast<uint16_t>(std::lround(Drift(Step, 300, 4960, 5040)));
    r.AdcCurrentCode = static_cast<uint8_t>(4 + Step / 60 % 2);
    if (Step % 200 >= 180)
        r.Flags = 0x10;
    return MakeMolt2Packet(r);
}

QString Molt2Command(const QByteArray& Payload) { return DescribeByTable(molt2::Commands, Payload); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(MOLT2, Instrument, &Molt2Stream, &Molt2Command);
