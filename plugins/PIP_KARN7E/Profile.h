#pragma once
// The profile of the sensor block KARN-7E: a 4-byte data packet, no device
// commands, a trend whose left axis follows the calibration concentration.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace karn7e {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "Блок датчкика KARN-7E",
    .Description = "Блок датчкика KARN-7E (взрывозащищенный)",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 10, .ScaleLeftAxis = false, .ScaleSeries0 = false},
    .ClassID = ostan::MakeGUID("{00E1B523-55BA-4940-92E9-DCA60575E6DA}"),
};

} // namespace karn7e
