#pragma once
// The portable leak detector TIRA6: its 19-byte packet.
#include <QByteArray>
#include <cstdint>

namespace adapteremu {

struct Tira6Reading {
    uint8_t Flags = 0;
    uint8_t AdcCurrentCode = 3;     // 2.5 uA, 0..15
    uint16_t AirVoltage = 1000;     // 0.1 mV
    uint16_t ThresholdVoltage = 2000; // 0.1 mV
    bool Guard = true;
    uint8_t Bar = 0;                // 0..12
    uint8_t Range = 0;              // shown plus one
    uint16_t Battery = 5000;        // mV
    uint16_t SensorVoltage = 500;   // 0.1 mV
};
// 5F, the fields little-endian, a check byte that makes bytes 2..19 XOR to 0.
QByteArray MakeTira6Packet(const Tira6Reading& Reading);

} // namespace adapteremu
