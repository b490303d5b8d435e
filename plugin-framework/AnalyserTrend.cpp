#include "AnalyserTrend.h"

#include <QColor>

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
    TAnalyserTrend T;
    T.SensorVoltage = &C.AddSeries(TVertAxis::Left);
    T.SensorVoltage->Color = Qt::black;
    T.SensorVoltage->Title = QStringLiteral("Uсенс. абс.");
    T.Battery = &C.AddSeries(TVertAxis::Right);
    T.Battery->Color = QColor(0, 128, 255);
    T.Battery->Title = QStringLiteral("Аккум.");
    return T;
}

} // namespace ostan
