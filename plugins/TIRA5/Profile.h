#pragma once
// The profile of the library for the meters TIRA5.1 and TIRA5.2. The program
// picks this library by its file name when the adapter reports device 1.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace tira5 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "TIRA5.1, TIRA5.2",
    .Description = "Портативные измерители концентрации горючих газов TIRA5.1, TIRA5.2",
    .PacketLength = PacketLength,
    .CommandLength = CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 25, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{A13B5E2A-2546-4FD9-84AF-8EF2210FDECB}"),
};

} // namespace tira5
