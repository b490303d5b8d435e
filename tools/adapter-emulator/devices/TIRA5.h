#pragma once
// The portable meters TIRA5.1, TIRA5.2, SEVO-1 and TIRA5.3: their 26-byte
// packet (one builder for both libraries' devices).
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace adapteremu {

struct Tira5Reading {
    uint8_t Flags = 0;
    uint8_t AdcCurrentCode = 4;  // 2.5 uA, 0..15
    double AirVoltage = 12.5;    // mV
    double GasVoltage = 250.0;   // mV
    uint8_t GasCode = 200;       // concentration in hundredths - 50
    uint8_t SwitchOffCode = 250; // 0.02 %
    uint8_t AlarmCode = 100;     // 0.01 %
    uint16_t Battery = 4987;     // mV
    double AbsVoltage = 100.0;   // mV
};
// 5F, the fields (voltages as device floats), a check byte that makes bytes
// 2..26 XOR to 0.
QByteArray MakeTira5Packet(const Tira5Reading& Reading);

// A meter calibrated at these voltages, in clean air with a little drift and
// now and then a whiff of gas; for a while a flag.
QByteArray Tira5MeterStream(int Step, double AirVoltage, double GasVoltage);
// A command of the meters' set as the log shows it.
QString Tira5Command(const QByteArray& Payload);

} // namespace adapteremu
