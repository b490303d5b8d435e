#include "devices/MOLT2old.h"

#include "Devices.h"
#include "MOLT2old/Tables.h"
#include "devices/AnalyserCommandText.h"

namespace adapteremu {

QByteArray MakeMolt2OldPacket(const Molt2OldReading& R)
{
    using namespace molt2old;
    DataPacket p(PacketLength);
    p.Put8(ErrorByte, R.Errors);
    p.Put8(WarningByte, R.Warnings);
    p.PutFloat(ZeroReading, R.F0);
    p.PutFloat(ScaleReading, R.F1);
    p.PutFloat(BatteryReading, R.F2);
    p.PutFloat(DiffReading, R.F3);
    p.PutFloat(AbsReading, R.F4);
    p.PutReversedFloat(Sensitivity, R.Sensitivity / 10);
    p.PutReversedFloat(AirVoltage, R.AirVoltage * 10);
    p.PutReversedFloat(GasVoltage, R.GasVoltage * 10);
    p.Put8(GasCode, R.GasCode);
    p.Put8(SwitchOffCode, R.SwitchOffCode);
    p.Put8(AlarmCode, R.AlarmCode);
    p.PutReversedFloat(ScaleVoltage, R.K);
    return p.Finish();
}

namespace {

// The converter readings of a battery about 5 V, a sensor about 1040 mV and a
// differential voltage that a whiff of gas now and then raises (the reading
// up to 2.5 %); the zero offset wanders a little. For a while the analyser reports that it is not
// set up, and now and then that its display overflowed.
QByteArray Molt2OldStream(int Step)
{
    Molt2OldReading r;
    // Calibrated: clean air reads 0, the 2.50 % test gas 350 mV above it.
    r.AirVoltage = -20;
    r.GasVoltage = 330;
    r.Sensitivity = 140;
    r.F0 = Drift(Step, 90, 98, 102);
    r.F1 = r.F0 + 1000; // K 2.5 V over 1000 counts
    const double PerMillivolt = (r.F1 - r.F0) / (r.K * 1000);
    const double Gas = Drift(Step, 120, 0.0, 1.0);
    const double Battery = Drift(Step, 300, 4.92, 5.08); // V
    const double Absolute = Drift(Step, 170, 1010, 1070) + Gas * 20; // mV
    const double Differential = -20 + Gas * 350; // mV
    r.F2 = Battery * 1000 * (r.F1 - r.F0) / (r.K * molt2old::BatteryFactor);
    r.F4 = r.F0 + Absolute * PerMillivolt;
    r.F3 = Differential * PerMillivolt;
    if (Step % 200 >= 180)
        r.Warnings = 0x01;
    if (Step % 500 >= 490)
        r.Warnings |= 0x04;
    return MakeMolt2OldPacket(r);
}

QString Molt2OldCommand(const QByteArray& Payload) { return DescribeByTable(molt2old::Commands, Payload); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(MOLT2old, Instrument, &Molt2OldStream, &Molt2OldCommand);
