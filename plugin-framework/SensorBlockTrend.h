#pragma once
// The trend of a sensor block's panel: the concentration as one black
// series on the left axis, whose range the panel gives; no title, no legend,
// the bottom axis and the right (battery) axis hidden; the hidden axis keeps
// the battery's blue labels for a panel that shows it.
#include "Chart.h"

namespace ostan {

// The concentration as a side of a two-sided trend, its labels blue.
inline const TTrendSide ConcentrationSide{QStringLiteral("Концентрация"), -0.25, 2.75, 0.02,
                                          QStringLiteral("Концентрация"), QColor(0, 128, 255), Qt::blue,
                                          AccentAxisFamily};

TFastLineSeries& SetUpSensorBlockTrend(TChart& C, double LeftMin, double LeftMax, double LeftIncrement);

} // namespace ostan
