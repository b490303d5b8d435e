#pragma once
// Where a TChart's parts go in a view of a given size: the plot, the axis
// labels and titles, the grid, the legend, and each series as runs of
// joined points. Plain geometry that needs no window; TChartView paints it.
//
// Every loop here runs by a count. What comes out is finite and inside the
// view: a value its axis cannot place (not finite, or beyond what the
// doubles can map) breaks its line, and an axis the doubles cannot step
// through gets fewer labels or none.
#include "Chart.h"

#include <QColor>
#include <QFontMetrics>
#include <QPolygonF>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace ostan {

struct TChartText {
    QString Text;
    // In the view; for a vertical text the upright box it is written in.
    QRect Box;
    Qt::Alignment Align; // within the box
    int Rotation = 0;    // 0, -90 (reads upwards) or 90 (reads downwards)
    QColor Ink;          // invalid: the window's text colour
    QString Family = {}; // empty: the view's font
};

struct TChartLine {
    QPolygonF Points; // joined in order
    QColor Color;
    int Width = 1;
};

struct TChartLayout {
    // Null when the view is too small for a plot: nothing else is drawn.
    QRect Plot;
    std::vector<int> GridY;
    std::vector<TChartText> Texts;
    std::vector<TChartLine> Lines; // series runs inside the plot, then legend samples
};

// The values labelled on an axis from Min to Max: multiples of the desired
// step, or of the next 1-2-5 step when that would give more than MaxLabels
// steps. None when the range is not finite and positive, or when the
// multiples of the step are no longer apart in doubles.
std::vector<double> AxisLabelValues(double Min, double Max, double Desired, int MaxLabels);

TChartLayout LayOutChart(const TChart& Chart, QSize Size, const QFontMetrics& Fm);

} // namespace ostan
