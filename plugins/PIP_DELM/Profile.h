#pragma once
// The profile of the sensor block DELM: a 6-byte data packet, no device
// commands, a trend whose left axis follows the calibration concentration.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace delm {

inline constexpr ostan::PluginProfile Profile{
    "Блок датчкика DELM", "Блок датчкика DELM", PacketLength, CommandLength, 12000.0, 0.4, "PIP_DELM",
    ostan::MakeGUID("{6D59F8DD-F460-4276-B5C1-180D3CF9EAFF}")};

} // namespace delm
