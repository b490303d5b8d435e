#pragma once
// The constants that make one plug-in library one device. Each library
// declares exactly one, as a constexpr object, and hands it to
// OSTAN_PLUGIN_LIBRARY (CommonPlugInMethods.h).
#include "Com.h"

#include <cstdint>

namespace ostan {

// How a library's trend follows its values.
struct TPluginChartVariant {
    int Divisor = 0;             // pixels of chart width per point
    bool ScaleLeftAxis = false;  // AddPoint re-centres series on the left axis
    bool ScaleSeries0 = false;   // AddValues re-centres series 0 (else appends plainly)
};

// Written with designated initializers, so that a swapped span or a missing
// trend shows where the profile is declared.
struct PluginProfile {
    // UTF-8, constant for the library's lifetime. The caption is also the
    // panel's caption.
    const char* Caption = nullptr;
    const char* Description = nullptr;
    // Data-frame length including its header byte (InLen), reported by Init
    // as PacketLength.
    int32_t PacketLength = 0;
    // Command length (OutLen), reported by Init as DeviceCode.
    int32_t CommandLength = 0;
    // Spans of the trend's left (series 0) and right (series 1) axes.
    double Span0 = 0;
    double Span1 = 0;
    // Every library has a trend; one left unwritten (Divisor 0) is refused.
    TPluginChartVariant Trend{};
    // The class identifier of the library's TOstanPlugin.
    TGUID ClassID{};
};

// What OSTAN_PLUGIN_LIBRARY checks at compile time.
constexpr bool ValidProfile(const PluginProfile& P)
{
    return P.Caption && P.Description && P.PacketLength > 0 && P.CommandLength > 0 && P.ClassID != TGUID{} &&
           P.Trend.Divisor > 0;
}

} // namespace ostan
