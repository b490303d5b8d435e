#pragma once
// The instruments' four-byte float as a device writes it: exponent byte
// (biased by 127), then 23 mantissa bits and the sign, least significant
// byte first. The inverse of the panels' DeviceFloatToDouble: 0 is the
// exponent 0; values beyond the range are clamped to its ends.
#include <array>
#include <cmath>
#include <cstdint>

namespace adapteremu {

inline std::array<uint8_t, 4> DeviceFloat(double Value)
{
    if (Value == 0 || !std::isfinite(Value))
        return {0, 0, 0, 0};
    int E = 0;
    const double M = std::frexp(std::fabs(Value), &E); // 0.5 <= M < 1
    long Mantissa = std::lround((2 * M - 1) * 8388608.0);
    int Exponent = E - 1 + 127;
    if (Mantissa == 8388608) { // rounded up to the next power of two
        Mantissa = 0;
        ++Exponent;
    }
    if (Exponent < 1) {
        Exponent = 1;
        Mantissa = 0;
    } else if (Exponent > 0xFE) {
        Exponent = 0xFE;
        Mantissa = 8388607;
    }
    const uint8_t Sign = Value < 0 ? 0x80 : 0x00;
    return {static_cast<uint8_t>(Exponent), static_cast<uint8_t>(Mantissa & 0xFF),
            static_cast<uint8_t>(Mantissa >> 8 & 0xFF), static_cast<uint8_t>((Mantissa >> 16 & 0x7F) | Sign)};
}

// The same float with its mantissa bytes in reverse order (most significant,
// with the sign, first).
inline std::array<uint8_t, 4> ReversedDeviceFloat(double Value)
{
    const auto F = DeviceFloat(Value);
    return {F[0], F[3], F[2], F[1]};
}

} // namespace adapteremu
