#pragma once
// The profile of the analyser BRUN-3вм, its latest modification.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace brun3vm {

inline constexpr ostan::PluginProfile Profile{
    "BRUN-3вм", "Последняя модификация BRUN-3вм (BRUN9)", PacketLength, CommandLength, 100.0, 0.4,
    "BRUN3vm", ostan::MakeGUID("{CA002E43-DE4C-4FF2-A6EB-011D6596E231}")};

} // namespace brun3vm
