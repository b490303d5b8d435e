#pragma once
// The trend the analysers' panels share: the absolute sensor voltage on the
// left axis, the battery on the right, the legend on top, no title and no
// bottom axis.
#include "Chart.h"

namespace ostan {

struct TAnalyserTrend {
    TFastLineSeries* SensorVoltage; // series 0, left axis, -10 to 100 mV
    TFastLineSeries* Battery;       // series 1, right axis, 4.8 to 5.2 V
};

TAnalyserTrend SetUpAnalyserTrend(TChart& C);

} // namespace ostan
