#include "AnalyserTrend.h"

namespace ostan {

TAnalyserTrend SetUpAnalyserTrend(TChart& C)
{
    C.Title.clear();
    C.LegendVisible = true;
    C.BottomAxis().Visible = false;
    C.LeftAxis().Title = QStringLiteral("U сенс. абс., мВ");
    C.LeftAxis().SetMinMax(-10, 100);
    C.LeftAxis().SetIncrement(20);
    C.RightAxis().Title = QStringLiteral("Аккум, В");
    C.RightAxis().SetMinMax(4.8, 5.2);
    C.RightAxis().SetIncrement(0.05);
    C.RightAxis().LabelColor = Qt::blue;
    TFastLineSeries& Sensor = C.AddSeries(TVertAxis::Left);
    Sensor.Color = Qt::black;
    Sensor.Title = QStringLiteral("Uсенс. абс.");
    TFastLineSeries& Battery = C.AddSeries(TVertAxis::Right);
    Battery.Color = QColor(0, 128, 255);
    Battery.Title = QStringLiteral("Аккум.");
    return {&Sensor, &Battery};
}

} // namespace ostan
