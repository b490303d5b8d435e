#pragma once
// The tables of the KARN-7 panel.
#include "PanelTables.h"

#include <array>

namespace karn7 {

// Bits of byte 2.
inline constexpr uint8_t ErrorPacketBit = 0x04;
inline constexpr uint8_t RangeExceededBit = 0x02;
inline constexpr uint8_t ValueBit8 = 0x01;

// The thresholds, from byte 2 of every packet.
inline constexpr std::array<ostan::TFlagDef, 2> ThresholdFlags{{
    {0x10, "lLimit2Ex", ostan::FlagYellow},
    {0x08, "lLimit1Ex", ostan::FlagYellow},
}};
// The faults, from byte 3 of an error packet (off in any other).
inline constexpr std::array<ostan::TFlagDef, 3> FaultFlags{{
    {0x01, "lADCErr", ostan::FlagRed},
    {0x02, "lSensBad", ostan::FlagRed},
    {0x04, "lNoSettings", ostan::FlagYellow},
}};
// The range, from byte 2 of a packet that is not an error packet.
inline constexpr std::array<ostan::TFlagDef, 1> RangeFlag{{
    {RangeExceededBit, "lRangeEx", ostan::FlagYellow},
}};

inline constexpr std::array<ostan::TColumnDef, 2> Columns{{
    {"Тип БД", "LType"},
    {"Текущая конц., ", "LConcentr"}, // followed by the unit of the values
}};

} // namespace karn7
