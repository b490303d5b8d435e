#pragma once
// The early single-board MOLT-2.1 analyser: its 49-byte packet of raw
// converter readings.
#include <QByteArray>
#include <cstdint>

namespace adapteremu {

struct Molt2OldReading {
    uint8_t Errors = 0;       // E
    uint8_t Warnings = 0;     // W
    double F0 = 100;          // zero offset reading
    double F1 = 1100;         // F1 - F0 scales every voltage
    double F2 = 300;          // battery channel
    double F3 = 20;           // differential channel
    double F4 = 140;          // absolute channel
    double Sensitivity = 20;  // mV/%
    double AirVoltage = 10;   // mV
    double GasVoltage = 250;  // mV
    uint8_t GasCode = 150;    // concentration in hundredths - 100
    uint8_t SwitchOffCode = 250; // 0.02 %
    uint8_t AlarmCode = 100;  // 0.01 %
    double K = 2.5;           // scale voltage, V
};
// 5F, the readings as device floats, the stored values as reversed ones, a
// check byte that makes bytes 2..49 XOR to 0.
QByteArray MakeMolt2OldPacket(const Molt2OldReading& Reading);

} // namespace adapteremu
