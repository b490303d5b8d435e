#pragma once
// The profile of the sensor block KARN-7E: a 4-byte data packet, no device
// commands, a trend whose left axis follows the calibration concentration.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace karn7e {

inline constexpr ostan::PluginProfile Profile{
    "Блок датчкика KARN-7E", "Блок датчкика KARN-7E (взрывозащищенный)", PacketLength, CommandLength, 100.0, 0.4, "PIP_KARN7E",
    ostan::MakeGUID("{00E1B523-55BA-4940-92E9-DCA60575E6DA}")};

} // namespace karn7e
