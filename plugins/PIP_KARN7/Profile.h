#pragma once
// The profile of the sensor block KARN-7: a 4-byte data packet, no device
// commands, a trend whose left axis the panel sets per gas.
#include "CommonPlugInMethods.h"

namespace karn7 {

inline constexpr ostan::PluginProfile Profile{
    "Блок датчкика KARN-7", "Блок датчкика KARN-7", 4, 3, 200.0, 0.4, "PIP_KARN7",
    ostan::MakeGUID("{8B3AC686-9156-46A9-8401-E053D40BFF31}")};

} // namespace karn7
