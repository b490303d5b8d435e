#pragma once
// The analyser MOLT-2.1 (design variants 1 and 2): its 21-byte packet.
#include <QByteArray>
#include <cstdint>

namespace adapteremu {

struct Molt2Reading {
    int16_t AirVoltage = 123;    // 0.1 mV
    int16_t GasVoltage = 2345;   // 0.1 mV
    uint8_t GasCode = 200;       // concentration in hundredths - 50
    uint8_t AlarmCode = 100;     // 0.01 %
    uint8_t SwitchOffCode = 250; // 0.02 %
    uint8_t Flags = 0;
    uint8_t AdcCurrentCode = 4;  // 2.5 uA, 0..15
    int16_t Display = 0;         // 0.01
    int16_t DiffVoltage = 0;     // 0.1 mV
    uint16_t AbsVoltage = 1500;  // mV
    uint16_t Battery = 5000;     // mV
};
// 5F, the fields little-endian, a check byte that makes bytes 2..21 XOR to 0.
QByteArray MakeMolt2Packet(const Molt2Reading& Reading);

} // namespace adapteremu
