#pragma once
// The profile of the MOLT-2.1 analyser, design variants 1 and 2.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace molt2 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "MOLT-2.1",
    .Description = "Последняя модификация MOLT-2.1 (вариант исполнения 1 и 2)",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 25, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{61962100-4939-49F1-99C5-65B1F227CCF3}"),
};

} // namespace molt2
