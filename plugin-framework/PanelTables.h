#pragma once
// The tables a device library describes its panel with: flag labels, device
// commands, spin controls and export columns. Constant data only, with the
// arithmetic of a command argument; no widgets, so the adapter emulator
// decodes commands by the very tables the panels send them with.
#include <cstdint>
#include <optional>
#include <span>

namespace ostan {

// Flag colours (ARGB).
inline constexpr uint32_t FlagRed = 0xFFFF0000u;
inline constexpr uint32_t FlagYellow = 0xFFFFFF00u;
inline constexpr uint32_t FlagLime = 0xFF00FF00u;

// A flag colour as a person reads it; empty for another colour.
constexpr const char* FlagColourName(uint32_t Argb)
{
    switch (Argb) {
    case FlagRed:
        return "красный";
    case FlagYellow:
        return "жёлтый";
    case FlagLime:
        return "зелёный";
    default:
        return "";
    }
}

// A flag label lit by ShowFlag: on in Color when (value AND Mask) = Mask.
struct TFlagDef {
    uint8_t Mask;
    const char* Label; // the label's object name
    uint32_t Color;
};

// How a spin's value becomes a command argument: with h = the value in whole
// hundredths, the argument is (h + Offset) / Divisor, halves to the even
// neighbour, low 8 bits.
struct TArgumentScale {
    int Offset = 0;
    int Divisor = 1;
};

// A spin control's settings (the value it starts with included).
struct TSpinDef {
    const char* Spin; // object name
    int Decimals;
    double MinValue;
    double MaxValue;
    double Increment;
    double Value;
};

// One device command a button sends: operation and argument, the trailer
// being set by Send. With Spin set, the argument comes from that spin
// through Scale. A button with several records sends them in table order.
struct TCommandDef {
    const char* Button; // object name
    const char* Caption; // what the command is called (the button's caption, or a name for the log)
    uint8_t Operation;
    uint8_t Argument;
    const char* Spin = nullptr;
    TArgumentScale Scale{};
};

// An export column: its caption and the component whose text it exports.
struct TColumnDef {
    const char* Caption;
    const char* Component;
};

// Whole hundredths of a value, rounded to the nearest.
constexpr int64_t Hundredths(double Value)
{
    const double H = Value * 100.0;
    return static_cast<int64_t>(H < 0 ? H - 0.5 : H + 0.5);
}

// (N / D) rounded to the nearest integer, halves to the even neighbour,
// in integer arithmetic (D > 0).
constexpr int64_t DivideHalfEven(int64_t N, int64_t D)
{
    int64_t Q = N / D;
    int64_t R = N % D;
    if (R < 0) { // floor division
        Q -= 1;
        R += D;
    }
    if (2 * R > D || (2 * R == D && (Q & 1)))
        ++Q;
    return Q;
}

// The argument byte of a spin value already clamped to its range.
constexpr uint8_t SpinArgument(double Value, TArgumentScale Scale)
{
    return static_cast<uint8_t>(DivideHalfEven(Hundredths(Value) + Scale.Offset, Scale.Divisor) & 0xFF);
}

// The value an argument byte stands for (the inverse of SpinArgument).
constexpr double ArgumentValue(uint8_t Argument, TArgumentScale Scale)
{
    return (int64_t(Argument) * Scale.Divisor - Scale.Offset) / 100.0;
}

// The record a received command matches: a fixed argument first, then one
// taking its argument from a spin; none when the operation is unknown.
inline const TCommandDef* FindCommand(std::span<const TCommandDef> Table, uint8_t Operation, uint8_t Argument)
{
    const TCommandDef* FromSpin = nullptr;
    for (const TCommandDef& C : Table) {
        if (C.Operation != Operation)
            continue;
        if (!C.Spin && C.Argument == Argument)
            return &C;
        if (C.Spin && !FromSpin)
            FromSpin = &C;
    }
    return FromSpin;
}

} // namespace ostan
