#include "SensorBlockTrend.h"

#include "AnalyserTrend.h"

namespace ostan {

TFastLineSeries& SetUpSensorBlockTrend(TChart& C, double LeftMin, double LeftMax, double LeftIncrement)
{
    C.Title.clear();
    C.LegendVisible = false;
    C.BottomAxis().Visible = false;
    C.BottomAxis().Automatic = true;
    C.LeftAxis().Title = QStringLiteral("Концентрация");
    C.LeftAxis().SetMinMax(LeftMin, LeftMax);
    C.LeftAxis().SetIncrement(LeftIncrement);
    C.RightAxis().Visible = false;
    ApplySide(C.RightAxis(), BatterySide);
    TFastLineSeries& Series = C.AddSeries(TVertAxis::Left);
    Series.Color = Qt::black;
    Series.Title = QStringLiteral("Uсенс. абс.");
    return Series;
}

} // namespace ostan
