#pragma once
// The tables of the portable leak detector TIRA6: its packet, its flags, its
// commands, its export columns. Constant data, read by the panel and by the
// adapter emulator.
#include "AnalyserCommands.h"

#include <array>

namespace tira6 {

inline constexpr int PacketLength = 19;
inline constexpr int CommandLength = 3;

// Where the fields stand (bytes numbered from 1; words little-endian).
inline constexpr int FlagsByte = 2;
inline constexpr int CurrentByte = 5;          // ADC current code in bits 7-4
inline constexpr int AirVoltageWord = 6;       // 0.1 mV
inline constexpr int ThresholdVoltageWord = 8; // 0.1 mV
inline constexpr int GuardByte = 11;           // GuardOn while the protection is on
inline constexpr int BarByte = 13;             // 0..BarMaximum
inline constexpr int RangeByte = 14;           // from 0
inline constexpr int BatteryWord = 15;         // mV
inline constexpr int SensorVoltageWord = 17;   // 0.1 mV

// Operations of its own; the service tests are the analysers' (OpService).
inline constexpr uint8_t OpAirPoint = 0x01;
inline constexpr uint8_t OpThresholdPoint = 0x02;
inline constexpr uint8_t OpGuard = 0x04;

// Byte 11 while the sensor protection is on (the letter "w").
inline constexpr uint8_t GuardOn = 0x77;

// The display bar's range.
inline constexpr int BarMaximum = 12;

inline constexpr std::array<ostan::TCommandDef, 7> Commands{{
    {"BUvozd", "U возд.", OpAirPoint, 0x00},
    {"BULimit", "U пор.", OpThresholdPoint, 0x00},
    {"BGuard", "Установить / Снять", OpGuard, 0x00},
    {"BReset", "Выкл.", ostan::OpService, ostan::ServiceReset},
    {"BSoundTest", "Тест звука", ostan::OpService, ostan::ServiceSoundTest},
    {"BPumpTest", "Тест насоса", ostan::OpService, ostan::ServicePumpTest},
    {"BSensOn", "Тест сенс.", ostan::OpService, ostan::ServiceSensorOn},
}};

// Internal errors, byte 2.
inline constexpr std::array<ostan::TFlagDef, 6> Flags{{
    {0x01, "lADCInit", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
    {0x04, "lEEBad", ostan::FlagRed},
    {0x20, "lNoSettings", ostan::FlagYellow},
    {0x40, "lSensBad", ostan::FlagRed},
    {0x80, "lSensOver", ostan::FlagRed},
}};

// Column 3, the protection state, is a label's caption (the panel's own).
inline constexpr std::array<ostan::TColumnDef, 2> Columns{{
    {"U возд., мВ", "LUvozd"},
    {"U порог, мВ", "LUazot"},
}};
inline constexpr const char* GuardColumnCaption = "Защита";

} // namespace tira6
