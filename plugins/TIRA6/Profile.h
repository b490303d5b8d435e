#pragma once
// The profile of the portable leak detector TIRA6.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace tira6 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "TIRA6",
    .Description = "Портативный течеискатель TIRA6",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 20, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{A013680E-D64D-4D89-9AE1-8617714142FC}"),
};

} // namespace tira6
