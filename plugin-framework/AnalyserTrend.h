#pragma once
// The trend the MOLT2 and TIRA5 panels draw alike: the absolute sensor
// voltage on the left axis, the battery on the right.
#include "Chart.h"

namespace ostan {

struct TAnalyserTrend {
    TFastLineSeries* SensorVoltage; // series 0, left axis, black
    TFastLineSeries* Battery;       // series 1, right axis, blue
};

// Sets up Chart (no title, legend, no bottom axis, both axes' ranges and
// titles) and adds the two series.
TAnalyserTrend SetUpAnalyserTrend(TChart& Chart);

} // namespace ostan
