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

// One packet of the KARN-7 sensor block: 5F, flags and value, value, check
// (bytes 2..4 XOR to 0).
struct Karn7Reading {
    enum Gas : uint8_t { CarbonMonoxide = 1, Methane = 4 };
    uint8_t GasCode = Methane; // 0..7; other codes are "undetermined gas"
    // mg/m3 for carbon monoxide, % vol. for methane (sent in hundredths);
    // other gases send it as a raw count. Clamped to the 9-bit range.
    double Concentration = 0.0;
    bool Threshold1 = false;
    bool Threshold2 = false;
    bool RangeExceeded = false;
    // Set: an error packet carrying these fault flags (0x01 converter,
    // 0x02 sensor, 0x04 no calibration) in place of the value.
    std::optional<uint8_t> Faults;
};
QByteArray MakeKarn7Packet(const Karn7Reading& Reading);
// The 9-bit value a concentration is sent as for that gas.
int Karn7Value(uint8_t GasCode, double Concentration);

// "0D 0A 07 00"
QString HexText(const QByteArray& Bytes);
// Whitespace-separated tokens of one or two hex digits ("62 08 6a"), or one
// run of digit pairs ("62086A"). Empty on any malformed token.
std::optional<QByteArray> ParseHexBytes(const QStringList& Tokens);

} // namespace adapteremu
