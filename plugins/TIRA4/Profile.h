#pragma once
// The profile of the oxygen meter TIRA-4.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace tira4 {

inline constexpr ostan::PluginProfile Profile{
    "TIRA4 (Кислород)", "Измеритель концентрации кислорода TIRA-4", PacketLength, CommandLength, 0.4, 100.0,
    "TIRA4", ostan::MakeGUID("{81CC03DA-965A-4DCF-8A43-664CCDF07D03}")};

} // namespace tira4
