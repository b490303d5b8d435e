#include "SensorBlockTrend.h"

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
    C.RightAxis().Title = QStringLiteral("Аккум, В");
    C.RightAxis().Visible = false;
    C.RightAxis().SetMinMax(4.8, 5.2);
    C.RightAxis().SetIncrement(0.05);
    C.RightAxis().LabelColor = Qt::blue;
    C.RightAxis().LabelFamily = AccentAxisFamily;
    TFastLineSeries& Series = C.AddSeries(TVertAxis::Left);
    Series.Color = Qt::black;
    Series.Title = QStringLiteral("Uсенс. абс.");
    return Series;
}

} // namespace ostan
