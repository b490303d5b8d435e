#pragma once
// The tables of the MOLT-2.1 analyser (design variants 1 and 2): its packet,
// its flags, its commands and spins, its export columns. Constant data, read
// by the panel and by the adapter emulator.
#include "AnalyserCommands.h"

#include <array>

namespace molt2 {

inline constexpr int PacketLength = 21;
inline constexpr int CommandLength = 3;

// The test-gas concentration code is the concentration in hundredths minus 50.
inline constexpr int ConcentrationOffset = 50;

// Where the fields stand (bytes numbered from 1; words little-endian).
inline constexpr int AirVoltageWord = 2;   // 0.1 mV, signed
inline constexpr int GasVoltageWord = 4;   // 0.1 mV, signed
inline constexpr int GasCodeByte = 6;      // concentration in hundredths - ConcentrationOffset
inline constexpr int AlarmCodeByte = 7;    // 0.01 %
inline constexpr int SwitchOffCodeByte = 8; // 0.02 %
inline constexpr int FlagsByte = 10;
inline constexpr int CurrentByte = 12;     // ADC current code in bits 7-4
inline constexpr int DisplayWord = 13;     // 0.01 %, signed
inline constexpr int DiffVoltageWord = 15; // 0.1 mV, signed
inline constexpr int AbsVoltageWord = 17;  // mV
inline constexpr int BatteryWord = 19;     // mV

inline constexpr auto Commands =
    ostan::AnalyserCommands(ConcentrationOffset, {"Сброс", "Включ. сенс.", "Тест нас/сен."});
inline constexpr auto Spins = ostan::AnalyserSpins(ConcentrationOffset);

// Internal errors, FlagsByte.
inline constexpr std::array<ostan::TFlagDef, 6> Flags{{
    {0x01, "lADCInit", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
    {0x04, "lEEBad", ostan::FlagRed},
    {0x10, "lNoSettings", ostan::FlagYellow},
    {0x20, "lSensBad", ostan::FlagRed},
    {0x40, "lSensSensitiv", ostan::FlagRed},
}};

inline constexpr auto& Columns = ostan::AnalyserColumns;

} // namespace molt2
