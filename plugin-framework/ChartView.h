#pragma once
// The widget of a trend chart: owns its TChart and paints it as
// LayOutChart places it (axes, grid, every series in its colour, gaps at
// null points). The chart's width is the widget's. A packet changes many
// points; the widget is marked for painting once, right before the window
// paints (TPaintPacer), not at every change.
#include "Chart.h"
#include "ChartLayout.h"
#include "PaintPacer.h"

#include <QWidget>

namespace ostan {

class TChartView : public QWidget {
    Q_OBJECT
public:
    explicit TChartView(QWidget* Parent = nullptr);
    ~TChartView() override;

    TChart& Chart() { return Model; }
    const TChart& Chart() const { return Model; }
    // What a paint at the widget's size and font draws.
    TChartLayout Layout() const;

    QSize sizeHint() const override { return {400, 200}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    TChart Model;
    TPaintHook Marking{[this] { update(); }};
};

} // namespace ostan
