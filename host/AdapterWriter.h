#pragma once
// The transmit half: assembles a command frame in TxFrame and writes it to
// the port, header first, then the payload, with the link-alive check and
// the failure boxes.
#include "AdapterProtocol.h"
#include "CommonInterfaces.h"
#include "SerialPort.h"

#include <QString>
#include <array>
#include <cstdint>

namespace ostan {

class TLinkSupervisor;

class TAdapterWriter {
public:
    static constexpr int TxFrameSize = adapter::MaxCommandFrameLength;

    TAdapterWriter(ISerialPort& Port, const TLinkSupervisor& Supervisor);

    // The caller writes the code and payload bytes 1..n-1 before
    // SendAdapterCommand; the frame keeps them between commands.
    void SetCommandCode(uint8_t Code) { TxFrame[adapter::CommandCodeOffset] = Code; }
    // Payload byte No, numbered from 1; one beyond the buffer writes nowhere.
    void SetPayloadByte(int No, uint8_t Value);
    // TxFrame, indices 1..250 (the frame's bytes in order); outside reads 0.
    uint8_t TxByte(int Index) const
    {
        return Index >= 1 && Index <= TxFrameSize ? TxFrame[static_cast<size_t>(Index - 1)] : 0;
    }

    // Sends the frame with payload bytes 1..n, its last byte replaced by the
    // check. True when all that was due went out in full. n above 246 would
    // run past the buffer: nothing is sent, false.
    bool SendAdapterCommand(uint8_t PayloadLength, bool CheckAlive);
    // Writes Code, then SendAdapterCommand(0, CheckAlive).
    bool SendCommand(uint8_t Code, bool CheckAlive);
    // Relay of a plug-in command (code 0x01). More than 246 bytes: nothing is
    // sent and the result is false.
    bool SendPluginPacket(const TDynamicByteArray& Data);

private:
    bool ShowSendError(const QString& Text);

    ISerialPort& Port;
    const TLinkSupervisor& Supervisor;
    std::array<uint8_t, TxFrameSize> TxFrame{};
    bool WriteErrorBoxOpen = false;
};

} // namespace ostan
