#pragma once
// The profile of the library for the meters SEVO-1 and TIRA5.3: the panel of
// TIRA5 with a caption, class and pictures of its own.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace sevo1 {

inline constexpr ostan::PluginProfile Profile{
    .Caption = "SEVO-1, TIRA5.3",
    .Description = "Портативные измерители SEVO-1, TIRA5.3",
    .PacketLength = tira5::PacketLength,
    .CommandLength = tira5::CommandLength,
    .Span0 = 100.0,
    .Span1 = 0.4,
    .Trend = ostan::TPluginChartVariant{.Divisor = 25, .ScaleLeftAxis = true, .ScaleSeries0 = true},
    .ClassID = ostan::MakeGUID("{85850168-511E-4A32-A1AA-D36AA0260502}"),
};

} // namespace sevo1
