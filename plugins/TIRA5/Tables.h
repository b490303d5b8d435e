#pragma once
// The tables of the portable meters TIRA5.1, TIRA5.2, SEVO-1 and TIRA5.3,
// which share one panel: their packet, flags, commands and spins, export
// columns. Constant data, read by the panel and by the adapter emulator.
#include "AnalyserCommands.h"

#include <array>

namespace tira5 {

inline constexpr int PacketLength = 26;
inline constexpr int CommandLength = 3;

// The test-gas concentration code is the concentration in hundredths minus 50.
inline constexpr int ConcentrationOffset = 50;

inline constexpr auto Commands =
    ostan::AnalyserCommands(ConcentrationOffset, {"Выкл", "Включ. сенс.", "Тест насоса"});
inline constexpr auto Spins = ostan::AnalyserSpins(ConcentrationOffset);

// Where the fields stand (bytes numbered from 1; device floats are four
// bytes, the exponent first).
inline constexpr int FlagsByte = 2;
inline constexpr int CurrentByte = 5;          // ADC current code in bits 7-4
inline constexpr int AirVoltageFloat = 8;      // mV
inline constexpr int GasVoltageFloat = 12;     // mV
inline constexpr int GasCodeByte = 16;         // concentration in hundredths - 50
inline constexpr int SwitchOffCodeByte = 17;   // 0.02 %
inline constexpr int AlarmCodeByte = 18;       // 0.01 %
inline constexpr int BatteryWord = 20;         // mV, little-endian
inline constexpr int AbsVoltageFloat = 22;     // mV

// Internal errors, byte 2.
inline constexpr std::array<ostan::TFlagDef, 6> Flags{{
    {0x01, "lADCInit", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
    {0x04, "lEEBad", ostan::FlagRed},
    {0x10, "lEE2Bad", ostan::FlagRed},
    {0x20, "lNoSettings", ostan::FlagYellow},
    {0x40, "lSensBad", ostan::FlagRed},
}};

// The computed concentration (LLCD) is not exported.
inline constexpr auto& Columns = ostan::AnalyserColumns;

} // namespace tira5
