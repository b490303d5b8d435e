#pragma once
// The tables of the sensor block KARN-7E/8: its packet, packet types, fault
// flags, gases and export columns. Constant data, read by the panel and by
// the adapter emulator.
#include "PanelTables.h"

#include <array>
#include <cstdint>

namespace karn7e8 {

inline constexpr int PacketLength = 6;
inline constexpr int CommandLength = 5;

// Byte 3: the packet type in the high nibble, the gas code in the low one.
inline constexpr uint8_t TypeOf(uint8_t Byte3) { return Byte3 >> 4; }
inline constexpr uint8_t GasOf(uint8_t Byte3) { return Byte3 & 0x0F; }

// Packet types.
enum : uint8_t {
    TypeWarmUp = 0,
    TypeConcentration = 1,   // R / 4096 of the calibration concentration
    TypeSensorVoltage = 2,   // an uncalibrated block's sensor voltage
    TypeStatus = 3,          // fault flags in byte 5
    TypeDiffVoltage = 4,     // calibration-gas voltage above the zero voltage
    TypeZeroVoltage = 5,     // sensor voltage in air
    TypeTemperature = 6,     // byte 4 - 50 degrees
};
// A voltage packet's R is in 1/4096 V.
inline constexpr double CountsPerVolt = 4096.0;
inline constexpr int TemperatureOffset = 50;

// The type's name; a status packet leaves the shown one as it is.
inline constexpr std::array<const char*, 7> TypeNames{
    "Прогрев", "Концентрация", "Напряж. на датч.", nullptr, "Разн. напряжение", "Напряжение нуля", "Температура"};
inline constexpr const char* ReservedTypeName = "Зарезервировано";

// Faults, byte 5 of a status packet (off in every other packet).
inline constexpr std::array<ostan::TFlagDef, 4> FaultFlags{{
    {0x01, "lADCErr", ostan::FlagRed},
    {0x02, "lSensBad", ostan::FlagRed},
    {0x04, "lRangeEx", ostan::FlagRed},
    {0x08, "lLowPower", ostan::FlagRed},
}};
// Lit while the latest packet is a sensor-voltage packet.
inline constexpr std::array<ostan::TFlagDef, 1> NoSettingsFlag{{{0x01, "lNoSettings", ostan::FlagYellow}}};

struct TAxisRange {
    double Min;
    double Max;
    double Increment; // 0: the axis keeps its own
};

// What the panel shows for a gas code: its name and unit, the digits of the
// concentration, the calibration concentration spin and the trend's axes.
struct TGasDef {
    uint8_t Code;
    const char* Name;
    const char* Unit;
    int Decimals;
    ostan::TSpinDef Spin;
    TAxisRange Left;
    TAxisRange Right; // mV
};

inline constexpr const char* VolumeUnit = "% об.д.";
inline constexpr const char* MassUnit = "мг/м3";

inline constexpr std::array<TGasDef, 5> Gases{{
    {1, "Метан", VolumeUnit, 2, {"SpinConc", 2, 0, 5, 0.01, 2.5}, {-0.25, 2.75, 0.02}, {990, 1100, 0}},
    {2, "Пропан", VolumeUnit, 2, {"SpinConc", 2, 0, 5, 0.01, 2.5}, {-0.1, 1.1, 0.02}, {990, 1100, 0}},
    {7, "Аммиак", MassUnit, 2, {"SpinConc", 0, 0, 2000, 1, 600}, {0, 2000, 1}, {-3.2, 3.2, 0}},
    {8, "Моноокс. углерода", MassUnit, 0, {"SpinConc", 0, 0, 300, 5, 100}, {-12, 120, 5}, {1000, 1500, 0}},
    {9, "Хлор", MassUnit, 1, {"SpinConc", 0, 0, 200, 1, 22}, {-2, 40, 1}, {1000, 1500, 0}},
}};
// Any other gas code.
inline constexpr const char* UnknownGasName = "Неопределен";

// A gas by code; nullptr for a code the table lacks.
constexpr const TGasDef* FindGas(uint8_t Code)
{
    for (const TGasDef& G : Gases)
        if (G.Code == Code)
            return &G;
    return nullptr;
}

// An axis is set only to a range it can show, and the spin only within its
// bounds.
constexpr bool SoundGases()
{
    for (const TGasDef& G : Gases)
        if (!(G.Left.Min < G.Left.Max) || !(G.Right.Min < G.Right.Max) || !(G.Spin.MinValue < G.Spin.MaxValue) ||
            G.Spin.Value < G.Spin.MinValue || G.Spin.Value > G.Spin.MaxValue)
            return false;
    return true;
}
static_assert(SoundGases());

inline constexpr std::array<ostan::TColumnDef, 6> Columns{{
    {"Тип БД", "LType"},
    {"Тип газа", "LGasType"},
    {"U возд., мВ", "LUvozd"},
    {"U п.г.с., мВ", "LUpgs"},
    {"Настр. конц., %", "SpinConc"},
    {"Чувств. сенс., мВ/%", "LSensitiv"},
}};

} // namespace karn7e8
