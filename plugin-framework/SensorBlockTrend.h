#pragma once
// The trend of a sensor block's panel: the concentration as one black
// series on the left axis, whose range the panel gives; no title, no legend,
// the bottom axis and the right (battery) axis hidden.
#include "Chart.h"

namespace ostan {

TFastLineSeries& SetUpSensorBlockTrend(TChart& C, double LeftMin, double LeftMax, double LeftIncrement);

} // namespace ostan
