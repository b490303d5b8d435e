#pragma once
// The command set of the gas analysers and portable meters that share one
// set of ten buttons and three spins (calibration in air and in test gas, the
// test-gas concentration, the two alarm thresholds, the service tests), and
// the export columns of the values those commands store. The
// libraries differ only in the offset of the test-gas concentration code
// (the code is the concentration in hundredths minus it) and in the captions
// of three service buttons.
#include "PanelTables.h"

#include <array>

namespace ostan {

// Operations.
inline constexpr uint8_t OpAirCalibration = 0x01;
inline constexpr uint8_t OpGasCalibration = 0x02;
inline constexpr uint8_t OpGasConcentration = 0x04;
inline constexpr uint8_t OpSwitchOffThreshold = 0x08;
inline constexpr uint8_t OpAlarmThreshold = 0x10;
inline constexpr uint8_t OpService = 0x20;
// Arguments of OpService.
inline constexpr uint8_t ServiceSoundTest = 0x01;
inline constexpr uint8_t ServicePumpTest = 0x02;
inline constexpr uint8_t ServiceSensorOn = 0x04;
inline constexpr uint8_t ServiceReset = 0x08;

// Captions of the service buttons, which differ between the libraries.
struct TAnalyserCaptions {
    const char* Reset;
    const char* SensorOn;
    const char* PumpTest;
};

// The thresholds' codes: the switch-off threshold in units of 0.02 %, the
// alarm threshold in 0.01 %.
inline constexpr TArgumentScale SwitchOffScale{0, 2};
inline constexpr TArgumentScale AlarmScale{0, 1};
constexpr TArgumentScale ConcentrationScale(int Offset) { return {-Offset, 1}; }

constexpr std::array<TCommandDef, 11> AnalyserCommands(int ConcentrationOffset, TAnalyserCaptions Captions)
{
    return {{
        {"BUvozd", "U возд.", OpAirCalibration, 0x00},
        {"BUpgs", "U п.г.с.", OpGasCalibration, 0x00},
        {"BCpgs", "C п.г.с.", OpGasConcentration, 0x00, "NumSpin1", ConcentrationScale(ConcentrationOffset)},
        {"BCoff", "C откл.", OpSwitchOffThreshold, 0x00, "NumSpin2", SwitchOffScale},
        {"BCalarm", "C сигн.", OpAlarmThreshold, 0x00, "NumSpin3", AlarmScale},
        // The glyph button: both thresholds, the switch-off one first.
        {"BCoffCalarm", "C откл.", OpSwitchOffThreshold, 0x00, "NumSpin2", SwitchOffScale},
        {"BCoffCalarm", "C сигн.", OpAlarmThreshold, 0x00, "NumSpin3", AlarmScale},
        {"BReset", Captions.Reset, OpService, ServiceReset},
        {"BSensOn", Captions.SensorOn, OpService, ServiceSensorOn},
        {"BSoundTest", "Тест звука", OpService, ServiceSoundTest},
        {"BPumpTest", Captions.PumpTest, OpService, ServicePumpTest},
    }};
}

// The three spins: the concentration's range is that of its code (0 to 255
// above the offset), the thresholds' that of theirs.
constexpr std::array<TSpinDef, 3> AnalyserSpins(int ConcentrationOffset)
{
    return {{
        {"NumSpin1", 2, ConcentrationOffset / 100.0, (ConcentrationOffset + 255) / 100.0, 0.01, 2.50},
        {"NumSpin2", 2, 0.00, 5.10, 0.02, 5.00},
        {"NumSpin3", 2, 0.00, 2.55, 0.01, 1.00},
    }};
}

// The export columns: the stored calibration values, the sensitivity and
// the thresholds.
inline constexpr std::array<TColumnDef, 6> AnalyserColumns{{
    {"U возд., мВ", "LUvozd"},
    {"U п.г.с., мВ", "LUpgs"},
    {"С п.г.с., %", "LCpgs"},
    {"Чувств. сенс., мВ/%", "LSensSensit"},
    {"С откл., %", "LCoff"},
    {"С сигн., %", "LCalarm"},
}};

} // namespace ostan
