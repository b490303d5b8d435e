#pragma once
// Frames the adapter sends to the program, and the hex text the emulator's
// console and log use for bytes.
#include "AdapterProtocol.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace adapteremu {

using namespace ostan::adapter; // headers and status bits

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
