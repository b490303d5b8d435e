#pragma once
// The profile of the library for the meters SEVO-1 and TIRA5.3: the panel of
// TIRA5 with a caption, class and pictures of its own.
#include "CommonPlugInMethods.h"
#include "Tables.h"

namespace sevo1 {

inline constexpr ostan::PluginProfile Profile{
    "SEVO-1, TIRA5.3", "Портативные измерители SEVO-1, TIRA5.3", tira5::PacketLength, tira5::CommandLength, 100.0,
    0.4, "SEVO1", ostan::MakeGUID("{85850168-511E-4A32-A1AA-D36AA0260502}")};

} // namespace sevo1
