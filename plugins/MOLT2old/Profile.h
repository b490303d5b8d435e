#pragma once
// The profile of the early single-board MOLT-2.1 analyser.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace molt2old {

inline constexpr ostan::PluginProfile Profile{
    "MOLT-2.1 старый вар.", "Ранняя модификация MOLT-2.1 (одноплатный вариант исполнения)", PacketLength, CommandLength,
    0.4, 100.0, "MOLT2old", ostan::MakeGUID("{CD6E7257-BFDF-4CC5-AFA5-01A964E5E5E1}")};

} // namespace molt2old
