#pragma once
// The profile of the early single-board MOLT-2.1 analyser.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace molt2old {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "MOLT-2.1 старый вар.",
    .Description = "Ранняя модификация MOLT-2.1 (одноплатный вариант исполнения)",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    // Battery on the left, sensor on the right.
    .Span0 = 0.4,
    .Span1 = 100.0,
    .Trend = ostan::TPluginChartVariant{.Divisor = 8, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{CD6E7257-BFDF-4CC5-AFA5-01A964E5E5E1}"),
};

} // namespace molt2old
