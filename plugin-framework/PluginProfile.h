#pragma once
// The constants that make one plug-in library one device. Each library
// declares exactly one, as a constexpr object, and hands it to
// OSTAN_PLUGIN_LIBRARY (CommonPlugInMethods.h).
#include "Com.h"

#include <cstdint>

namespace ostan {

struct PluginProfile {
    // UTF-8, constant for the library's lifetime. The caption is also the
    // panel's caption.
    const char* Caption;
    const char* Description;
    // Data-frame length including its header byte (InLen), reported by Init
    // as PacketLength.
    int32_t PacketLength;
    // Command length (OutLen), reported by Init as DeviceCode.
    int32_t CommandLength;
    // Spans of the trend's left and right axes.
    double Span0;
    double Span1;
    // The library's entry in the trend's variant table (PluginChartVariantOf),
    // which holds its point divisor; nullptr for a library without a trend.
    const char* ChartVariant;
    // The class identifier of the library's TOstanPlugin.
    TGUID ClassID;
};

// What OSTAN_PLUGIN_LIBRARY checks at compile time.
constexpr bool ValidProfile(const PluginProfile& P)
{
    return P.Caption && P.Description && P.PacketLength > 0 && P.CommandLength > 0 && P.ClassID != TGUID{};
}

} // namespace ostan
