#pragma once
// The profile of the analyser BRUN-3вм, its latest modification.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace brun3vm {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "BRUN-3вм",
    .Description = "Последняя модификация BRUN-3вм (BRUN9)",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 9, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{CA002E43-DE4C-4FF2-A6EB-011D6596E231}"),
};

} // namespace brun3vm
