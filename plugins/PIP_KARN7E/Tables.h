#pragma once
// The tables of the KARN-7E panel.
#include "PanelTables.h"

#include <array>
#include <cstdint>

namespace karn7e {

inline constexpr int PacketLength = 4;
inline constexpr int CommandLength = 3;

// Packet types, bits 7-4 of byte 2; byte 3 and 4 hold the value R.
inline constexpr uint8_t TypeFault = 1;
inline constexpr uint8_t TypeAirVoltage = 4;
inline constexpr uint8_t TypeGasVoltage = 5;
inline constexpr uint8_t FirstGasType = 8; // 8 to 15: a measurement of that gas

// The text of each packet type, by type.
inline constexpr std::array<const char*, 16> TypeNames{{
    "Зарезервировано", "Неисправность", "Зарезервировано", "Зарезервировано",
    "Напряж. на возд.", "Напряж. на ПГС", "Зарезервировано", "Зарезервировано",
    "Метан", "Пропан", "Водород", "Угарный газ",
    "Аммиак 100", "Аммиак 2000", "Хлор", "Кислород",
}};

// A fault packet lights it; nothing puts it out.
inline constexpr std::array<ostan::TFlagDef, 1> FaultFlag{{
    {0x01, "lPIPBad", ostan::FlagRed},
}};

inline constexpr std::array<ostan::TSpinDef, 1> Spins{{
    {"SpinConc", 2, 0.0, 5.0, 0.01, 2.5},
}};

inline constexpr std::array<ostan::TColumnDef, 5> Columns{{
    {"Тип БД", "LType"},
    {"U возд., мВ", "LUvozd"},
    {"U п.г.с., мВ", "LUpgs"},
    {"Настр. конц., %", "SpinConc"},
    {"Чувств. сенс., мВ/%", "LSensitiv"},
}};

// The check folds each byte of bytes 2 to 4 into one nibble; the packet
// passes when the three folds XOR to 0.
constexpr uint8_t NibbleFold(uint8_t Byte) { return (Byte & 0x0F) ^ (Byte >> 4); }

} // namespace karn7e
