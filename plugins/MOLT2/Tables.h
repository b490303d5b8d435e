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

inline constexpr auto Commands =
    ostan::AnalyserCommands(ConcentrationOffset, {"Сброс", "Включ. сенс.", "Тест нас/сен."});
inline constexpr auto Spins = ostan::AnalyserSpins(ConcentrationOffset);

// Internal errors, byte 10.
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
