#pragma once
// The profile of the oxygen meter TIRA-4.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace tira4 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "TIRA4 (Кислород)",
    .Description = "Измеритель концентрации кислорода TIRA-4",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    // Battery on the left, sensor on the right.
    .Span0 = 0.4,
    .Span1 = 100.0,
    .Trend = ostan::TPluginChartVariant{.Divisor = 25, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{81CC03DA-965A-4DCF-8A43-664CCDF07D03}"),
};

} // namespace tira4
