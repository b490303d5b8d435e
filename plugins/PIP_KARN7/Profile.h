#pragma once
// The profile of the sensor block KARN-7: a 4-byte data packet, no device
// commands, a trend whose left axis the panel sets per gas.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace karn7 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "Блок датчкика KARN-7",
    .Description = "Блок датчкика KARN-7",
    .PacketLength = PacketLength,
    .CommandLength = 3,
    .Span0 = 200.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 10, .ScaleLeftAxis = false, .ScaleSeries0 = false},
    .ClassID = ostan::MakeGUID("{8B3AC686-9156-46A9-8401-E053D40BFF31}"),
};

} // namespace karn7
