#pragma once
// The profile of the portable leak detector TIRA6.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace tira6 {

inline constexpr ostan::PluginProfile Profile{
    "TIRA6", "Портативный течеискатель TIRA6", PacketLength, CommandLength, 100.0, 0.4,
    "TIRA6", ostan::MakeGUID("{A013680E-D64D-4D89-9AE1-8617714142FC}")};

} // namespace tira6
