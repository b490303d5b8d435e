#include "AdapterFrames.h"
#include "BRUN3vm/Tables.h"
#include "Devices.h"
#include "devices/AnalyserCommandText.h"

#include <cmath>

namespace adapteremu {

namespace {

// Calibrated in air at 1000 mV and in test gas at 800 mV, sensitivity 64,
// the sensor switched on and pulsed sound. Now and then a whiff of gas
// pulls the sensor voltage down while the analyser reports the rising
// concentration; once in a long while the sensor reports a fault.
QByteArray Brun3vmStream(int Step)
{
    using namespace brun3vm;
    DataPacket p(PacketLength);
    const double Gas = Drift(Step, 150, 0.0, 1.0);
    const bool Rising = Step % 150 > 10 && Step % 150 < 75;
    p.Put8(1, DataHeader);
    p.Put8(ErrorFlagsByte, Step % 400 >= 380 ? 0x20 : 0x00);
    p.Put8(SoundFlagsByte, 0x02);
    p.Put8(StateFlagsByte, static_cast<uint8_t>(0x04 | (Rising && Gas > 0.1 ? 0x08 : 0x00)));
    p.Put8(AdcCurrentByte, static_cast<uint8_t>((4 + Step / 60 % 2) << 4));
    p.PutFloat(AirVoltageFloat, 1000.0);
    p.PutFloat(GasVoltageFloat, 800.0);
    p.Put8(SensitivityByte, 64);
    // The stored calibration's own check: its twelve bytes XOR to 0.
    p.Put8(EepromLastByte, p.Xor(EepromFirstByte, EepromLastByte - 1));
    p.Put16(BatteryWord, static_cast<uint16_t>(std::lround(Drift(Step, 300, 49500, 50500))));
    p.PutFloat(AbsVoltageFloat, std::round((950 - Gas * 60 + Drift(Step, 17, 0, 3)) * 10) / 10);
    p.Put8(CheckByte, p.Xor(2, CheckByte - 1));
    // The rest is the device's own (a running counter), closed by a byte that
    // makes it XOR to 0 as well.
    for (int N = CheckByte + 1; N < PacketLength; ++N)
        p.Put8(N, static_cast<uint8_t>(Step + N));
    p.Put8(PacketLength, p.Xor(CheckByte + 1, PacketLength - 1));
    return p.Bytes();
}

QString Brun3vmCommand(const QByteArray& Payload) { return DescribeByTable(brun3vm::Commands, Payload); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(BRUN3vm, Instrument, &Brun3vmStream, &Brun3vmCommand);
