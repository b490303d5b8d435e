#include "AdapterReceiver.h"

#include <algorithm>

namespace ostan {

using namespace adapter;

namespace {

bool OpensAlways(uint8_t B) { return B == StatusHeader || B == InitHeader || B == EchoHeader; }
bool OpensWhenSynced(uint8_t B) { return B == DeviceIdHeader || B == DataHeader; }

} // namespace

std::span<const uint8_t> TAdapterReceiver::DataFrame() const
{
    // Completed with FRxCount >= FPacketLength, and FRxCount never passes the
    // buffer's size.
    const int length = std::clamp(FPacketLength, 0, RxFrameSize);
    return {Frame.data(), static_cast<size_t>(length)};
}

TRxFrame TAdapterReceiver::Complete(TRxFrame::Kind Type, bool CheckOk)
{
    FRxCount = 0;
    FSynced = CheckOk && Type != TRxFrame::Data;
    return {Type, CheckOk, Frame[1]};
}

TRxFrame TAdapterReceiver::Feed(uint8_t B)
{
    if (FRxCount < 0 || FRxCount >= RxFrameSize) {
        // A frame longer than RxFrame can hold (PacketLength above 250) is
        // dropped; this byte is a header candidate again.
        FRxCount = 0;
        FSynced = false;
    }
    Frame[static_cast<size_t>(FRxCount)] = B;
    ++FRxCount;

    if (FRxCount == 1 && !(OpensAlways(B) || (FSynced && OpensWhenSynced(B)))) {
        FRxCount = 0;
        return {};
    }

    const uint8_t header = Frame[0];
    if (FRxCount == ShortFrameLength && (header == InitHeader || header == EchoHeader || header == StatusHeader)) {
        const bool ok = (Frame[0] ^ Frame[1] ^ Frame[2]) == 0;
        if (ok && header != StatusHeader)
            FAdapterFirmwareVersion = Frame[1];
        const TRxFrame::Kind kind = header == InitHeader   ? TRxFrame::Init
                                    : header == EchoHeader ? TRxFrame::Echo
                                                           : TRxFrame::Status;
        return Complete(kind, ok);
    }
    if (FRxCount == DeviceIdFrameLength && header == DeviceIdHeader) {
        uint8_t check = 0;
        for (int i = DeviceIdCheckFrom - 1; i < DeviceIdFrameLength; ++i)
            check ^= Frame[static_cast<size_t>(i)];
        return Complete(TRxFrame::DeviceId, check == 0);
    }
    if (header == DataHeader && FRxCount >= FPacketLength)
        return Complete(TRxFrame::Data, true);
    return {};
}

} // namespace ostan
