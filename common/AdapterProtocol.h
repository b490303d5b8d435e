#pragma once
// The adapter's serial protocol, named once for the program and the adapter
// emulator: command codes (program to adapter), frame headers (adapter to
// program), the bits of the status byte and the device identifiers.
#include <cstdint>

namespace ostan::adapter {

// Command codes: the third byte of a command frame "0D 0A code check".
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
