#include "AnalyserTrend.h"

namespace ostan {

TAnalyserTrend SetUpAnalyserTrend(TChart& C)
{
    const auto [SensorSeries, BatterySeries] = SetUpTrend(C, SensorVoltageSide, BatterySide);
    return {SensorSeries, BatterySeries};
}

} // namespace ostan
