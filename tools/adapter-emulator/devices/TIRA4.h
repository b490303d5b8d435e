#pragma once
// The oxygen meter TIRA-4: its 18-byte packet.
#include <QByteArray>
#include <cstdint>

namespace adapteremu {

struct Tira4Reading {
    uint16_t NitrogenVoltage = 50;  // 0.1 mV
    uint16_t AirVoltage = 10000;    // 0.1 mV
    uint8_t Threshold2 = 20;        // 0.1 %
    uint8_t Threshold1 = 180;       // 0.1 %
    uint8_t Flags = 0;
    int16_t Display = 209;          // 0.1
    uint16_t SensorVoltage = 10000; // 0.1 mV
    uint16_t Battery = 5000;        // mV
};
// 5F, the fields little-endian, a check byte that makes bytes 2..18 XOR to 0.
QByteArray MakeTira4Packet(const Tira4Reading& Reading);

} // namespace adapteremu
