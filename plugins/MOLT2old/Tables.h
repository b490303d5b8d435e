#pragma once
// The tables of the early single-board MOLT-2.1 analyser: its packet of raw
// converter readings, its flags, its commands and spins, its export columns.
// Constant data, read by the panel and by the adapter emulator.
#include "AnalyserCommands.h"

#include <array>

namespace molt2old {

inline constexpr int PacketLength = 49;
inline constexpr int CommandLength = 3;

// Where the fields start (bytes numbered from 1).
inline constexpr int ErrorByte = 2;       // E
inline constexpr int WarningByte = 3;     // W
inline constexpr int ZeroReading = 5;     // F0, device float
inline constexpr int ScaleReading = 9;    // F1, device float; F1 - F0 scales every voltage
inline constexpr int BatteryReading = 13; // F2, device float
inline constexpr int DiffReading = 17;    // F3, device float
inline constexpr int AbsReading = 21;     // F4, device float
inline constexpr int Sensitivity = 25;    // mV/% / 10, reversed device float
inline constexpr int AirVoltage = 29;     // mV x 10, reversed device float
inline constexpr int GasVoltage = 33;     // mV x 10, reversed device float
inline constexpr int GasCode = 37;
inline constexpr int SwitchOffCode = 38;
inline constexpr int AlarmCode = 39;
inline constexpr int ScaleVoltage = 45;   // K, volts, reversed device float

// The battery channel's divider and reference, in the battery formula.
inline constexpr double BatteryFactor = 6806.45166;

// The test-gas concentration code is the concentration in hundredths minus 100.
inline constexpr int ConcentrationOffset = 100;

inline constexpr auto Commands =
    ostan::AnalyserCommands(ConcentrationOffset, {"Сброс", "Тест сенс.", "Тест насоса"});
inline constexpr auto Spins = ostan::AnalyserSpins(ConcentrationOffset);

// The six labels show conditions of two flag bytes, two of them on either of
// two bits; the panel folds E and W into one byte with a bit per label.
inline constexpr uint8_t NoSettings = 0x01; // W 0x01 or 0x02
inline constexpr uint8_t AdcInit = 0x02;    // E 0x01
inline constexpr uint8_t AdcOver = 0x04;    // E 0x02
inline constexpr uint8_t EepromBad = 0x08;  // E 0x08 or 0x10
inline constexpr uint8_t SensorBad = 0x10;  // E 0x20
inline constexpr uint8_t LcdOver = 0x20;    // W 0x04

constexpr uint8_t FlagConditions(uint8_t E, uint8_t W)
{
    uint8_t F = 0;
    if (W & 0x03)
        F |= NoSettings;
    if (E & 0x01)
        F |= AdcInit;
    if (E & 0x02)
        F |= AdcOver;
    if (E & 0x18)
        F |= EepromBad;
    if (E & 0x20)
        F |= SensorBad;
    if (W & 0x04)
        F |= LcdOver;
    return F;
}

inline constexpr std::array<ostan::TFlagDef, 6> Flags{{
    {NoSettings, "lNoSettings", ostan::FlagYellow},
    {AdcInit, "lADCInit", ostan::FlagRed},
    {AdcOver, "lADCOver", ostan::FlagRed},
    {EepromBad, "lEEBad", ostan::FlagRed},
    {SensorBad, "lSensBad", ostan::FlagRed},
    {LcdOver, "lLCDOver", ostan::FlagRed},
}};

inline constexpr auto& Columns = ostan::AnalyserColumns;

} // namespace molt2old
