#pragma once
// The tables of the analyser BRUN-3вм (BRUN9): its packet, its flags, its
// commands and spin, its export columns. Constant data, read by the panel and
// by the adapter emulator.
#include "AnalyserCommands.h"

#include <array>

namespace brun3vm {

inline constexpr int PacketLength = 46;
inline constexpr int CommandLength = 3;

// Byte positions in the packet, from 1 (byte 1 is the adapter's header).
// Only bytes 2 to CheckByte are checked and read; the rest of the packet is
// the device's own.
inline constexpr int ErrorFlagsByte = 2;
inline constexpr int SoundFlagsByte = 3;
inline constexpr int StateFlagsByte = 4;
inline constexpr int AdcCurrentByte = 5;  // high nibble, 2.5 µA each
inline constexpr int AirVoltageFloat = 8; // device floats, mV
inline constexpr int GasVoltageFloat = 12;
inline constexpr int SensitivityByte = 16;
inline constexpr int BatteryWord = 20; // little-endian, 0.1 mV
inline constexpr int AbsVoltageFloat = 22;
inline constexpr int CheckByte = 26; // bytes 2 to it XOR to 0
// The stored calibration: intact when its bytes XOR to 0.
inline constexpr int EepromFirstByte = 8;
inline constexpr int EepromLastByte = 19;

inline constexpr double AdcCurrentStep = 2.5; // µA
inline constexpr double BatteryDivisor = 10000.0;

// The sensitivity command; the others are those of the analysers' set.
inline constexpr uint8_t OpSensitivity = 0x04;
// The spin's value is sent as a whole number: hundredths / 100.
inline constexpr ostan::TArgumentScale SensitivityScale{0, 100};

inline constexpr std::array<ostan::TCommandDef, 7> Commands{{
    {"BUvozd", "U возд.", ostan::OpAirCalibration, 0x00},
    {"BUpgs", "U п.г.с.", ostan::OpGasCalibration, 0x00},
    {"BSensitiv", "Чувств.", OpSensitivity, 0x00, "NumSpin2", SensitivityScale},
    {"BSoundTest", "Тест звука", ostan::OpService, ostan::ServiceSoundTest},
    {"BPumpTest", "Тест насоса", ostan::OpService, ostan::ServicePumpTest},
    {"BSensOn", "Тест датчика", ostan::OpService, ostan::ServiceSensorOn},
    {"BReset", "Перезапуск", ostan::OpService, ostan::ServiceReset},
}};

inline constexpr std::array<ostan::TSpinDef, 1> Spins{{
    {"NumSpin2", 0, 0, 255, 1, 64},
}};

// Internal errors, byte 2.
inline constexpr std::array<ostan::TFlagDef, 8> ErrorFlags{{
    {0x01, "lADCInit", ostan::FlagRed},
    {0x02, "lADCOver", ostan::FlagRed},
    {0x04, "lEEBad", ostan::FlagRed},
    {0x08, "lEEBadR", ostan::FlagRed},
    {0x10, "lEEBadW", ostan::FlagRed},
    {0x20, "lSensBad", ostan::FlagRed},
    {0x40, "lSensKZ", ostan::FlagRed},
    {0x80, "lSensCut", ostan::FlagRed},
}};

// Sound mode, byte 3.
inline constexpr std::array<ostan::TFlagDef, 2> SoundFlags{{
    {0x01, "lSoundConstant", ostan::FlagYellow},
    {0x02, "lSoundPulse", ostan::FlagYellow},
}};

// Internal state, byte 4.
inline constexpr std::array<ostan::TFlagDef, 4> StateFlags{{
    {0x01, "lNoSettings", ostan::FlagYellow},
    {0x02, "lKalibrOrWork", ostan::FlagYellow},
    {0x04, "lSens", ostan::FlagLime},
    {0x08, "lConcentrUP", ostan::FlagYellow},
}};

inline constexpr std::array<ostan::TColumnDef, 3> Columns{{
    {"U возд., мВ", "LUvozd"},
    {"U п.г.с., мВ", "LUpgs"},
    {"Чувствит.", "LSensSensit"},
}};

} // namespace brun3vm
