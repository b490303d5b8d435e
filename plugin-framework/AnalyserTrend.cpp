#include "AnalyserTrend.h"

namespace ostan {

TAnalyserTrend SetUpAnalyserTrend(TChart& C)
{
    const auto [SensorSeries, BatterySeries] = SetUpTrend(C, SensorVoltageSide, BlueLabelledBatterySide);
    return {SensorSeries, BatterySeries};
}

} // namespace ostan
