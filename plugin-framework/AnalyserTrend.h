#pragma once
// The trend the analysers' panels share: the absolute sensor voltage on the
// left axis, the battery on the right (its labels blue), the legend on top,
// no title and no bottom axis. Other panels draw the same two sides on their
// own axes through SetUpTrend.
#include "Chart.h"

namespace ostan {

inline const TTrendSide SensorVoltageSide{QStringLiteral("U сенс. абс., мВ"), -10, 100, 20,
                                          QStringLiteral("Uсенс. абс."), Qt::black};
// Its labels and title are blue on every panel that shows it.
inline const TTrendSide BatterySide{QStringLiteral("Аккум, В"), 4.8, 5.2, 0.05, QStringLiteral("Аккум."),
                                    QColor(0, 128, 255), Qt::blue, AccentAxisFamily};
// The absolute sensor voltage around its working point, 990 to 1100 mV.
inline const TTrendSide AbsoluteSensorVoltageSide{QStringLiteral("U сенс. абс., мВ"), 990, 1100, 20,
                                                  QStringLiteral("Uсенс. абс."), Qt::black};

struct TAnalyserTrend {
    TFastLineSeries* SensorVoltage; // series 0, left axis, -10 to 100 mV
    TFastLineSeries* Battery;       // series 1, right axis, 4.8 to 5.2 V
};

TAnalyserTrend SetUpAnalyserTrend(TChart& C);

} // namespace ostan
