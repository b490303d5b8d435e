#include "devices/MOLT2old.h"

#include "AdapterFrames.h"
#include "Devices.h"
#include "MOLT2old/Tables.h"
#include "devices/AnalyserCommandText.h"
#include "devices/DeviceFloat.h"

namespace adapteremu {

QByteArray MakeMolt2OldPacket(const Molt2OldReading& R)
{
    using namespace molt2old;
    QByteArray p(PacketLength, '\0');
    const auto Put8 = [&p](int N, uint8_t V) { p[N - 1] = static_cast<char>(V); };
    const auto Put4 = [&](int N, const std::array<uint8_t, 4>& B) {
        for (int i = 0; i < 4; ++i)
            Put8(N + i, B[size_t(i)]);
    };
    Put8(1, DataHeader);
    Put8(ErrorByte, R.Errors);
    Put8(WarningByte, R.Warnings);
    Put4(ZeroReading, DeviceFloat(R.F0));
    Put4(ScaleReading, DeviceFloat(R.F1));
    Put4(BatteryReading, DeviceFloat(R.F2));
    Put4(DiffReading, DeviceFloat(R.F3));
    Put4(AbsReading, DeviceFloat(R.F4));
    Put4(Sensitivity, ReversedDeviceFloat(R.Sensitivity / 10));
    Put4(AirVoltage, ReversedDeviceFloat(R.AirVoltage * 10));
    Put4(GasVoltage, ReversedDeviceFloat(R.GasVoltage * 10));
    Put8(GasCode, R.GasCode);
    Put8(SwitchOffCode, R.SwitchOffCode);
    Put8(AlarmCode, R.AlarmCode);
    Put4(ScaleVoltage, ReversedDeviceFloat(R.K));
    Put8(PacketLength, XorOf(p, 1, PacketLength - 1));
    return p;
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

ADAPTEREMU_DEVICE(MOLT2old, &Molt2OldStream, &Molt2OldCommand);
