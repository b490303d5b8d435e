#pragma once
// The devices' four-byte float as they send it: the exponent byte (bias 127)
// first, then the mantissa from its least significant byte, the sign in the
// top bit of the last. The inverse of the panels' DeviceFloatToDouble.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace adapteremu {

// Zero (and anything too small for the format) as exponent 0.
inline std::array<uint8_t, 4> DeviceFloatBytes(double Value)
{
    if (!(std::fabs(Value) >= 0x1p-126))
        return {0, 0, 0, 0};
    // Anything larger (infinity too) as the largest value.
    const double A = std::min(std::fabs(Value), 0x1.fffffep127);
    int E = 0;
    const double M = std::frexp(A, &E); // 0.5 <= M < 1
    auto Fraction = static_cast<uint32_t>(std::lround((2 * M - 1) * 0x1p23));
    int Exponent = E - 1 + 127;
    if (Fraction == 0x800000) { // rounded up to the next power of two
        Fraction = 0;
        ++Exponent;
    }
    const uint8_t Sign = Value < 0 ? 0x80 : 0x00;
    return {static_cast<uint8_t>(Exponent), static_cast<uint8_t>(Fraction & 0xFF),
            static_cast<uint8_t>(Fraction >> 8 & 0xFF), static_cast<uint8_t>(Sign | (Fraction >> 16 & 0x7F))};
}

} // namespace adapteremu
