#include "AnalyserTrend.h"

namespace ostan {

TAnalyserTrend SetUpAnalyserTrend(TChart& C)
{
    TTrendSide Battery = BatterySide;
    Battery.LabelColor = Qt::blue;
    const auto [SensorSeries, BatterySeries] = SetUpTrend(C, SensorVoltageSide, Battery);
    return {SensorSeries, BatterySeries};
}

} // namespace ostan
