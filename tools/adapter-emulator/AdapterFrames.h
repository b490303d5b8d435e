#pragma once
// Frames the adapter sends to the program, and the hex text the emulator's
// console and log use for bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace adapteremu {

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

uint8_t XorOf(const QByteArray& Bytes, int From = 0, int To = -1); // [From, To), To -1 = end

// Three-byte frames whose bytes XOR to 0.
QByteArray MakeInitFrame(uint8_t Firmware);
QByteArray MakeEchoFrame(uint8_t Firmware);
QByteArray MakeStatusFrame(uint8_t Status);
// "7" id 00 00 00 00 chk; the check covers bytes 2..7 only.
QByteArray MakeDeviceIdFrame(uint8_t Id);
// The same frame with its last byte wrong.
QByteArray WithBadCheck(QByteArray Frame);

// "0D 0A 07 00"
QString HexText(const QByteArray& Bytes);
// Whitespace-separated tokens of one or two hex digits ("62 08 6a"), or one
// run of digit pairs ("62086A"). Empty on any malformed token.
std::optional<QByteArray> ParseHexBytes(const QStringList& Tokens);

} // namespace adapteremu
