#pragma once
// The profile of the sensor block KARN-7E/8: typed 6-byte data packets, no
// device commands, a two-series trend fed one series at a time.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace karn7e8 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "Блок датчкика KARN-7E/8",
    .Description = "Блок датчкика KARN-7E/8 нового поколения. Может применятся в приборах KARN-7E и KARN-8.",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 100.0,
    // Its panel sets the left range per gas itself.
    .Trend = ostan::TPluginChartVariant{.Divisor = 10, .ScaleLeftAxis = false, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{467C6333-5209-4615-A971-78FE0A3F2772}"),
};

} // namespace karn7e8
