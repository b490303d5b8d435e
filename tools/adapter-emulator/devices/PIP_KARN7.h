#pragma once
// The sensor block KARN-7: its 4-byte packet.
#include <QByteArray>
#include <cstdint>
#include <optional>

namespace adapteremu {

// One packet of the KARN-7 sensor block: 5F, flags and value, value, check
// (bytes 2..4 XOR to 0).
struct Karn7Reading {
    enum Gas : uint8_t { CarbonMonoxide = 1, Methane = 4 }; // the library's gas codes
    uint8_t GasCode = Methane; // 0..7; other codes are "undetermined gas"
    // mg/m3 for carbon monoxide, % vol. for methane (sent in hundredths);
    // other gases send it as a raw count. Clamped to the 9-bit range.
    double Concentration = 0.0;
    bool Threshold1 = false;
    bool Threshold2 = false;
    bool RangeExceeded = false;
    // Set: an error packet carrying these fault flags (0x01 converter,
    // 0x02 sensor, 0x04 no calibration) in place of the value.
    std::optional<uint8_t> Faults;
};
QByteArray MakeKarn7Packet(const Karn7Reading& Reading);
// The 9-bit value a concentration is sent as for that gas.
int Karn7Value(uint8_t GasCode, double Concentration);

} // namespace adapteremu
