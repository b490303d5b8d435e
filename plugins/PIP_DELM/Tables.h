#pragma once
// The tables of the DELM panel.
#include "PanelTables.h"

#include <array>
#include <cstdint>

namespace delm {

inline constexpr int PacketLength = 6;
inline constexpr int CommandLength = 5;

// The kind of a packet, byte 2.
inline constexpr uint8_t KindGas = 0x40;   // byte 3: the gas code
inline constexpr uint8_t KindError = 0x80; // byte 3: the error flags
// 0x00, or both top bits set: a measurement, V in bytes 3 to 5, the
// measurement flags in the low bits.
inline constexpr uint8_t KindMeasurementBits = 0xC0;
constexpr bool IsMeasurement(uint8_t Kind) { return Kind == 0 || (Kind & KindMeasurementBits) == KindMeasurementBits; }

// V is the concentration in ten-thousandths of the calibration one.
inline constexpr double ValueScale = 10000.0;

struct TGas {
    uint8_t Code;
    const char* Name;
};
inline constexpr std::array<TGas, 7> Gases{{
    {11, "Метан"},
    {12, "Пропан"},
    {13, "Водород"},
    {27, "Аммиак 2000"},
    {28, "Аммиак 100"},
    {43, "Хлор"},
    {59, "СО угарный газ"},
}};
inline constexpr const char* UnknownGas = "Не определен";

constexpr const char* GasName(uint8_t Code)
{
    for (const TGas& G : Gases)
        if (G.Code == Code)
            return G.Name;
    return UnknownGas;
}

// Rewritten by every measurement, from byte 2.
inline constexpr std::array<ostan::TFlagDef, 2> MeasurementFlags{{
    {0x01, "lNoSettings", ostan::FlagYellow},
    {0x02, "lMathErr", ostan::FlagYellow},
}};
// Rewritten by every error report, from byte 3.
inline constexpr std::array<ostan::TFlagDef, 2> ErrorFlags{{
    {0x01, "lEEBad", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
}};

inline constexpr std::array<ostan::TSpinDef, 1> Spins{{
    {"SpinConc", 2, 0.0, 5.0, 0.01, 2.5},
}};

inline constexpr std::array<ostan::TColumnDef, 2> Columns{{
    {"Тип БД", "LType"},
    {"Текущая конц., /10000", "LConcentr"},
}};

} // namespace delm
