#pragma once
// Splits the bytes the program writes into its command frames:
//   0D 0A code check            check = 0D ^ 0A ^ code
// followed, for two codes, by a payload:
//   0x04 (select device): 2 bytes, the device code twice;
//   0x01 (relay to the device): the device's command length, which is not on
//        the wire. The program's select names the device by that very length
//        (a plug-in reports its command length as its device code), so the
//        length is learned from the last select; before any select, or with
//        learning off, the default length holds. The last payload byte is
//        the XOR of the others; a wrong one is kept and flagged, not dropped,
//        so a test sees exactly what was written.
// A byte that cannot start a valid header is set aside as junk and reported
// once the stream is back in step.
#include "AdapterProtocol.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace adapteremu {

using namespace ostan::adapter; // command codes

struct ParsedCommand {
    uint8_t Code = 0;
    QByteArray Payload;
    bool TrailerOk = true; // payload's last byte is the XOR of the others
};

struct ParserEvent {
    enum Kind { Command, Junk } Type = Command;
    ParsedCommand Cmd;   // Type == Command
    QByteArray Bytes;    // Type == Junk
};

class CommandParser {
public:
    void SetDefaultRelayLength(int Length) { DefaultRelay = Length; }
    void SetRelayLengthFromSelect(bool On) { LearnFromSelect = On; }
    // Payload length expected after a 0x01 header now (0 = header only).
    int RelayLength() const;
    void ForgetSelect() { Learned = -1; }

    std::vector<ParserEvent> Feed(const QByteArray& Bytes);
    bool Pending() const { return !Buffer.isEmpty(); }

private:
    int PayloadLength(uint8_t Code) const;

    QByteArray Buffer;
    QByteArray JunkBytes;
    int DefaultRelay = DefaultRelayLength;
    bool LearnFromSelect = true;
    int Learned = -1; // device code of the last select; -1: none yet
};

} // namespace adapteremu
