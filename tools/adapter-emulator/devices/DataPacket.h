#pragma once
// A data packet being filled: bytes numbered from 1, 16-bit fields with
// their low 8 bits first, device floats as DeviceFloat (or
// ReversedDeviceFloat) writes them.
// Finished, it carries the data header and a last byte that makes bytes 2
// to the end XOR to 0.
#include "devices/DeviceFloat.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace adapteremu {

class DataPacket {
public:
    explicit DataPacket(int Length) : P(Length, '\0') {}
    void Put8(int N, uint8_t V) { P[N - 1] = static_cast<char>(V); }
    void Put16(int N, uint16_t V)
    {
        Put8(N, static_cast<uint8_t>(V & 0xFF));
        Put8(N + 1, static_cast<uint8_t>(V >> 8));
    }
    void PutFloat(int N, double V) { Put4(N, DeviceFloat(V)); }
    void PutReversedFloat(int N, double V) { Put4(N, ReversedDeviceFloat(V)); }
    // Bytes First to Last XOR-ed, for checks that cover part of a packet.
    uint8_t Xor(int First, int Last) const;
    QByteArray Finish();
    // The bytes as put, for a layout whose header and checks Finish does
    // not write.
    const QByteArray& Bytes() const { return P; }

private:
    void Put4(int N, const std::array<uint8_t, 4>& B)
    {
        for (int i = 0; i < 4; ++i)
            Put8(N + i, B[std::size_t(i)]);
    }

    QByteArray P;
};

} // namespace adapteremu
