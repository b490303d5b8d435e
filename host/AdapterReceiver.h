#pragma once
// The receive state machine: bytes in, frames out. Assembles the adapter's
// frames in RxFrame, checks them and keeps the state the frames themselves
// set (Synced, the firmware version); what a frame means to the program is
// the caller's to act on.
#include "AdapterProtocol.h"

#include <array>
#include <cstdint>
#include <span>

namespace ostan {

// What a byte completed.
struct TRxFrame {
    enum Kind : uint8_t { None, Init, Echo, Status, DeviceId, Data };
    Kind Type = None;
    // The frame passed its check. A data frame has none here: its plug-in
    // judges it and the caller reports that through DataJudged.
    bool CheckOk = false;
    uint8_t Value = 0; // byte 2: the version, the status byte or the device identifier
};

class TAdapterReceiver {
public:
    static constexpr int RxFrameSize = adapter::MaxFrameLength;

    TRxFrame Feed(uint8_t B);

    int RxCount() const { return FRxCount; }
    bool Synced() const { return FSynced; }
    int PacketLength() const { return FPacketLength; }
    int AdapterFirmwareVersion() const { return FAdapterFirmwareVersion; }
    // RxFrame, indices 1..250; an index outside reads 0.
    uint8_t RxFrame(int Index) const
    {
        return Index >= 1 && Index <= RxFrameSize ? Frame[static_cast<size_t>(Index - 1)] : 0;
    }
    // The data frame just completed, header included: PacketLength bytes.
    std::span<const uint8_t> DataFrame() const;

    // The length of a data frame from now on, header included.
    void SetPacketLength(int Length) { FPacketLength = Length; }
    // Drops a partly received frame: the next byte is a header candidate.
    void DropFrame() { FRxCount = 0; }
    // The line went away: no frame in progress, none accepted.
    void Unsync()
    {
        FRxCount = 0;
        FSynced = false;
    }
    // What the plug-in said of the data frame just completed.
    void DataJudged(bool Accepted) { FSynced = Accepted; }
    // After a reset the version is unknown until the init frame comes.
    void ForgetFirmware() { FAdapterFirmwareVersion = 0; }

private:
    TRxFrame Complete(TRxFrame::Kind Type, bool CheckOk);

    std::array<uint8_t, RxFrameSize> Frame{};
    int FRxCount = 0;
    bool FSynced = false;
    int FPacketLength = adapter::StartupPacketLength;
    int FAdapterFirmwareVersion = 0;
};

} // namespace ostan
