#pragma once
// The profile of the sensor block DELM: a 6-byte data packet, no device
// commands, a trend whose left axis follows the calibration concentration.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace delm {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "Блок датчкика DELM",
    .Description = "Блок датчкика DELM",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 12000.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 15, .ScaleLeftAxis = false, .ScaleSeries0 = false},
    .ClassID = ostan::MakeGUID("{6D59F8DD-F460-4276-B5C1-180D3CF9EAFF}"),
};

} // namespace delm
