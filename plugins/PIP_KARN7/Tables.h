#pragma once
// The tables of the KARN-7 panel.
#include "PanelTables.h"

#include <array>

namespace karn7 {

inline constexpr int PacketLength = 4;

// Byte 2: the gas code in bits 7-5, then the flags below; in a packet that
// is not an error packet bit 0 is bit 8 of the value, whose low byte is byte 3.
inline constexpr int GasShift = 5;
inline constexpr uint8_t GasMask = 0x07;
inline constexpr int GasCarbonMonoxide = 1;
inline constexpr int GasMethane = 4;
inline constexpr uint8_t Threshold2Bit = 0x10;
inline constexpr uint8_t Threshold1Bit = 0x08;
inline constexpr uint8_t ErrorPacketBit = 0x04;
inline constexpr uint8_t RangeExceededBit = 0x02;
inline constexpr uint8_t ValueBit8 = 0x01;
inline constexpr int FlagsByte = 2;
inline constexpr int ValueByte = 3; // the fault flags in an error packet

// The thresholds, from byte 2 of every packet.
inline constexpr std::array<ostan::TFlagDef, 2> ThresholdFlags{{
    {Threshold2Bit, "lLimit2Ex", ostan::FlagYellow},
    {Threshold1Bit, "lLimit1Ex", ostan::FlagYellow},
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
