#pragma once
// The tables of the oxygen meter TIRA-4: its packet, its flags, its commands
// and spins, its export columns. Constant data, read by the panel and by the
// adapter emulator.
#include "PanelTables.h"

#include <array>

namespace tira4 {

inline constexpr int PacketLength = 18;
// A command is {CommandLead, operation, argument, trailer}.
inline constexpr int CommandLength = 4;
inline constexpr uint8_t CommandLead = 0xAA;

// Where the fields stand (bytes numbered from 1; words little-endian).
inline constexpr int NitrogenVoltageWord = 2; // 0.1 mV
inline constexpr int AirVoltageWord = 4;      // 0.1 mV
inline constexpr int Threshold2Byte = 6;      // 0.1 %
inline constexpr int Threshold1Byte = 7;      // 0.1 %
inline constexpr int FlagsByte = 9;
inline constexpr int DisplayWord = 12;        // 0.1 %, signed
inline constexpr int SensorVoltageWord = 14;  // 0.1 mV
inline constexpr int BatteryWord = 16;        // mV

// Operations.
inline constexpr uint8_t OpOff = 0x01;
inline constexpr uint8_t OpPumpTest = 0x02;
inline constexpr uint8_t OpAir500 = 0x04;
inline constexpr uint8_t OpNitrogenZero = 0x08;
inline constexpr uint8_t OpThreshold2 = 0x10;
inline constexpr uint8_t OpThreshold1 = 0x20;
inline constexpr uint8_t OpNitrogenPresent = 0x40;
inline constexpr uint8_t OpAirPresent = 0x80;

// A threshold's code is the threshold in tenths of a percent.
inline constexpr ostan::TArgumentScale ThresholdScale{0, 10};

inline constexpr std::array<ostan::TCommandDef, 10> Commands{{
    {"BUazot", "Азот: текущ.", OpNitrogenPresent, 0x00},
    {"BUazot0", "Азот: 0 мВ", OpNitrogenZero, 0x00},
    {"BUvozd", "Воздух: текущ.", OpAirPresent, 0x00},
    {"BUvozd500", "Воздух: 500 мВ", OpAir500, 0x00},
    {"BPorog1", "Порог 1", OpThreshold1, 0x00, "NumSpin1", ThresholdScale},
    {"BPorog2", "Порог 2", OpThreshold2, 0x00, "NumSpin2", ThresholdScale},
    // Both thresholds, the first one first.
    {"BPorogsAll", "Порог 1", OpThreshold1, 0x00, "NumSpin1", ThresholdScale},
    {"BPorogsAll", "Порог 2", OpThreshold2, 0x00, "NumSpin2", ThresholdScale},
    {"BPumpTest", "Тест насоса", OpPumpTest, 0x00},
    {"BOff", "Выкл.", OpOff, 0x00},
}};

inline constexpr std::array<ostan::TSpinDef, 2> Spins{{
    {"NumSpin1", 1, 10.0, 25.5, 0.1, 18.0},
    {"NumSpin2", 1, 0.0, 9.9, 0.1, 2.0},
}};

// Internal errors, byte 9, lit in this order.
inline constexpr std::array<ostan::TFlagDef, 4> Flags{{
    {0x10, "lNoSettings", ostan::FlagYellow},
    {0x01, "lADCInit", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
    {0x04, "lEEBad", ostan::FlagRed},
}};

// The pressure is the user's own entry: a row ends before it when the user
// emptied it, as at every first empty column.
inline constexpr std::array<ostan::TColumnDef, 6> Columns{{
    {"U азота, мВ", "LUazot"},
    {"U возд., мВ", "LUvozd"},
    {"Чувств. сенс., мВ/%", "LSensSensit"},
    {"Давление, кПа", "LabeledEdit18"},
    {"Порог 1, %", "LPorog1"},
    {"Порог 2, %", "LPorog2"},
}};

} // namespace tira4
