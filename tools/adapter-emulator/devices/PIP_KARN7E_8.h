#pragma once
// The sensor block KARN-7E/8: its typed 6-byte packet.
#include <QByteArray>
#include <cstdint>

namespace adapteremu {

// 5F, 00, type and gas code, R high and low byte, check (bytes 2..6 XOR to
// 0). R is the signed value; a temperature packet carries its code in the
// high byte and a status packet its flags in the low one.
QByteArray MakeKarn7e8Packet(uint8_t Type, uint8_t GasCode, int16_t R);
// R of a voltage in millivolts (1/4096 V).
int16_t Karn7e8Volts(double Millivolts);

} // namespace adapteremu
