#pragma once
// The adapter's serial protocol, named once for the program and the adapter
// emulator: the command frame's layout and codes (program to adapter), the
// adapter's frames (adapter to program), the bits of the status byte and the
// device identifiers.
#include <cstdint>

namespace ostan::adapter {

// A command frame: "0D 0A code check", then for some commands a payload
// whose last byte is the XOR of the bytes before it. Offsets count from 0.
inline constexpr uint8_t CommandPrefix0 = 0x0D;
inline constexpr uint8_t CommandPrefix1 = 0x0A;
inline constexpr int CommandCodeOffset = 2;
inline constexpr int CommandCheckOffset = 3;
inline constexpr int CommandHeaderLength = 4;
inline constexpr int CommandPayloadOffset = CommandHeaderLength;
// The longest payload the program sends (its transmit buffer's size).
inline constexpr int MaxCommandPayload = 246;
inline constexpr int MaxCommandFrameLength = CommandHeaderLength + MaxCommandPayload;
// A payload of one byte is never written: only the header goes out.
inline constexpr int MinWrittenPayload = 2;
// The select's payload: the device code, then its check (the same byte).
inline constexpr int SelectPayloadLength = 2;
// The relayed device command of the plug-ins, before a select tells more.
inline constexpr int DefaultRelayLength = 3;

constexpr uint8_t CommandHeaderCheck(uint8_t Code) { return CommandPrefix0 ^ CommandPrefix1 ^ Code; }

// Command codes.
inline constexpr uint8_t CmdRelay = 0x01;             // a device command follows
inline constexpr uint8_t CmdRestartStep2 = 0x03;      // second step of the device restart
inline constexpr uint8_t CmdSelect = 0x04;            // select device: the device code twice
inline constexpr uint8_t CmdShortCircuitReset = 0x05; // power the sensor again after a short circuit
inline constexpr uint8_t CmdRestart = 0x06;           // restart the device
inline constexpr uint8_t CmdProbe = 0x07;             // answered by an echo frame
inline constexpr uint8_t CmdAutoSwitchOff = 0x08;     // stop the device's automatic switching
inline constexpr uint8_t CmdReset = 0xFF;             // answered by an init frame

// Frame headers.
inline constexpr uint8_t InitHeader = 0x73;     // "s": answer to the reset
inline constexpr uint8_t EchoHeader = 0x74;     // "t": answer to the probe
inline constexpr uint8_t StatusHeader = 0x62;   // "b"
inline constexpr uint8_t DeviceIdHeader = 0x37; // "7"
inline constexpr uint8_t DataHeader = 0x5F;     // "_"

// Frame lengths, header included. The init, echo and status frames' three
// bytes XOR to 0; the device-ID frame's check covers its bytes 2..7 only.
inline constexpr int ShortFrameLength = 3;
inline constexpr int DeviceIdFrameLength = 7;
inline constexpr int DeviceIdCheckFrom = 2; // numbered from 1, as the frame's bytes
// A data frame's length is the device's; before any device is chosen it is
// a short frame's. The receiver holds at most MaxFrameLength bytes.
inline constexpr int StartupPacketLength = ShortFrameLength;
inline constexpr int MaxFrameLength = 250;

// Status byte bits.
inline constexpr uint8_t StatusNoReception = 0x01;
inline constexpr uint8_t StatusShortCircuit = 0x04;
inline constexpr uint8_t StatusPower = 0x08;
inline constexpr uint8_t StatusSensorBlock = 0x20;
inline constexpr uint8_t StatusOverflow = 0x40;

// Device identifiers of the "7" frame (its second byte): the meters that
// announce themselves, and the library that shows each.
struct DeviceIdEntry {
    uint8_t Id;
    const char* Library;
};
inline constexpr uint8_t DeviceIdTira5 = 1;
inline constexpr uint8_t DeviceIdTira6 = 2;
inline constexpr uint8_t DeviceIdTira4 = 3;
inline constexpr DeviceIdEntry DeviceIds[] = {
    {DeviceIdTira5, "TIRA5"},
    {DeviceIdTira6, "TIRA6"},
    {DeviceIdTira4, "TIRA4"},
};

} // namespace ostan::adapter
