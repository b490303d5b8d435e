#include "CommandParser.h"

#include "AdapterFrames.h"

#include <algorithm>

namespace adapteremu {

int CommandParser::RelayLength() const
{
    const int n = Learned >= 0 ? Learned : DefaultRelay;
    // The program writes no payload for a one-byte command.
    return n < MinWrittenPayload ? 0 : std::min(n, MaxCommandPayload);
}

int CommandParser::PayloadLength(uint8_t Code) const
{
    switch (Code) {
    case CmdSelect:
        return SelectPayloadLength;
    case CmdRelay:
        return RelayLength();
    default:
        return 0;
    }
}

std::vector<ParserEvent> CommandParser::Feed(const QByteArray& Bytes)
{
    std::vector<ParserEvent> events;
    Buffer.append(Bytes);
    auto skipOne = [this] {
        JunkBytes.append(Buffer[0]);
        Buffer.remove(0, 1);
    };
    auto flushJunk = [&] {
        if (!JunkBytes.isEmpty()) {
            ParserEvent e;
            e.Type = ParserEvent::Junk;
            e.Bytes = JunkBytes;
            events.push_back(std::move(e));
            JunkBytes.clear();
        }
    };
    while (!Buffer.isEmpty()) {
        const auto at = [this](int i) { return static_cast<uint8_t>(Buffer[i]); };
        if (at(0) != CommandPrefix0) {
            skipOne();
            continue;
        }
        if (Buffer.size() < 2)
            break;
        if (at(1) != CommandPrefix1) {
            skipOne();
            continue;
        }
        if (Buffer.size() < CommandHeaderLength)
            break;
        const uint8_t code = at(CommandCodeOffset);
        if (at(CommandCheckOffset) != CommandHeaderCheck(code)) {
            skipOne();
            continue;
        }
        const int n = PayloadLength(code);
        if (Buffer.size() < CommandHeaderLength + n)
            break;
        flushJunk();
        ParserEvent e;
        e.Cmd.Code = code;
        e.Cmd.Payload = Buffer.mid(CommandPayloadOffset, n);
        if (n >= MinWrittenPayload)
            e.Cmd.TrailerOk = XorOf(e.Cmd.Payload, 0, n - 1) == static_cast<uint8_t>(e.Cmd.Payload.back());
        Buffer.remove(0, CommandHeaderLength + n);
        if (code == CmdSelect && LearnFromSelect)
            Learned = static_cast<uint8_t>(e.Cmd.Payload[0]);
        events.push_back(std::move(e));
    }
    if (Buffer.isEmpty())
        flushJunk();
    return events;
}

} // namespace adapteremu
