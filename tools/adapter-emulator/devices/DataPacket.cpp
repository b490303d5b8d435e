#include "devices/DataPacket.h"

#include "AdapterFrames.h"

namespace adapteremu {

uint8_t DataPacket::Xor(int First, int Last) const { return XorOf(P, First - 1, Last); }

QByteArray DataPacket::Finish()
{
    Put8(1, DataHeader);
    Put8(static_cast<int>(P.size()), Xor(2, static_cast<int>(P.size()) - 1));
    return P;
}

} // namespace adapteremu
