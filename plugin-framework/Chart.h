#pragma once
// The trend chart's data: series of X/Y points kept in ascending X, null
// points that are not drawn, and the left, right and bottom axes. No window
// is needed; TChartView paints a TChart.
#include <QColor>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace ostan {

class TChart;

class EChartError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

enum class TVertAxis { Left, Right, Custom };

class TChartAxis {
public:
    explicit TChartAxis(TChart* Owner) : Owner(Owner) {}

    double Minimum() const { return Min; }
    double Maximum() const { return Max; }
    double Increment() const { return Inc; }

    // Each setter takes its value as it comes: a form or a panel sets the two
    // bounds one after the other, so a minimum above the maximum is a normal
    // passing state. The painter skips an axis whose range is not positive.
    void SetMinimum(double Value);
    void SetMaximum(double Value);
    void SetMinMax(double AMin, double AMax);
    // Both bounds, only when they make a range: finite and AMin below AMax.
    // For a range computed from what the user typed (0 would give 0 to 0).
    bool SetRange(double AMin, double AMax);
    // Desired step between labels; 0 lets the painter choose. A step that
    // would crowd the labels is widened when painting.
    void SetIncrement(double Value);

    // Automatic: the painter takes the range from the points (used for the
    // bottom axis); the vertical axes of the trend have fixed ranges.
    bool Automatic = false;
    bool Visible = true;
    // Written along a vertical axis, beside its labels.
    QString Title;
    // Of the labels and the title; invalid: the window's text colour.
    QColor LabelColor;
    // Font family of the labels and the title; empty: the view's font.
    QString LabelFamily;

private:
    TChart* Owner;
    double Min = 0;
    double Max = 0;
    double Inc = 0;
};

class TFastLineSeries {
public:
    struct TPoint {
        double X;
        double Y;
        bool Null;
    };

    TFastLineSeries(TChart* Owner, TVertAxis Axis) : Owner(Owner), Axis(Axis) {}

    int Count() const { return static_cast<int>(Points.size()); }
    TVertAxis VertAxis() const { return Axis; }
    void SetVertAxis(TVertAxis A);

    // Raises EChartError for an index outside 0..Count-1 (and so XValueLast
    // on an empty series).
    double XValue(int Index) const;
    double YValue(int Index) const;
    void SetYValue(int Index, double Value); // the point keeps its null state
    bool IsNull(int Index) const;
    double XValueLast() const;
    const std::vector<TPoint>& PointList() const { return Points; }

    // Inserts in ascending X: after every point whose X is not greater, so a
    // smaller X goes in front. Returns the index of the new point.
    int AddXY(double X, double Y);
    // A null point right after the last one (X = last X + 1, 0 on an empty
    // series).
    int AddNull();
    void Delete(int Index); // raises EChartError outside 0..Count-1
    void Clear();

    QColor Color = Qt::red;
    QString Title;

private:
    int Insert(TPoint P);
    void CheckIndex(int Index) const;

    TChart* Owner;
    TVertAxis Axis;
    std::vector<TPoint> Points;
};

class TChart {
public:
    TChart();
    TChart(const TChart&) = delete;
    TChart& operator=(const TChart&) = delete;

    int SeriesCount() const { return static_cast<int>(SeriesList.size()); }
    // Raises EChartError outside 0..SeriesCount-1.
    TFastLineSeries& Series(int Index);
    const TFastLineSeries& Series(int Index) const;
    TFastLineSeries& AddSeries(TVertAxis Axis = TVertAxis::Left);

    TChartAxis& LeftAxis() { return Left; }
    TChartAxis& RightAxis() { return Right; }
    TChartAxis& BottomAxis() { return Bottom; }
    const TChartAxis& LeftAxis() const { return Left; }
    const TChartAxis& RightAxis() const { return Right; }
    const TChartAxis& BottomAxis() const { return Bottom; }
    // The axis a series is drawn against; nullptr for a custom axis.
    const TChartAxis* AxisOf(const TFastLineSeries& S) const;

    // Width in pixels: the view's when one is attached, else the stored one.
    int Width() const { return WidthSource ? WidthSource() : StoredWidth; }
    void SetWidth(int W) { StoredWidth = W; }

    QString Title;
    bool LegendVisible = false;

    // Hooks of the view: told of every change, asked for the width.
    std::function<void()> OnChange;
    std::function<int()> WidthSource;

    void Changed() const
    {
        if (OnChange)
            OnChange();
    }

private:
    std::vector<std::unique_ptr<TFastLineSeries>> SeriesList;
    TChartAxis Left{this};
    TChartAxis Right{this};
    TChartAxis Bottom{this};
    int StoredWidth = 0;
};

// One side of a panel's trend: its vertical axis and the series drawn
// against it.
struct TTrendSide {
    QString Title;
    double Minimum;
    double Maximum;
    double Increment;
    QString SeriesTitle;
    QColor Color;
    QColor LabelColor = {}; // of the axis labels; invalid: the window's text colour
    QString LabelFamily = {}; // of the axis labels; empty: the view's font
};

// An axis set apart from its neighbour (the battery, the concentration) has
// blue labels and title in this family.
inline const QString AccentAxisFamily = QStringLiteral("Arial");

// The axis half of a side: title, range, step, label colour and family.
void ApplySide(TChartAxis& A, const TTrendSide& Side);

// The trend of a device panel: no title, the legend on, the bottom axis
// hidden, series 0 on the left axis and series 1 on the right one. Returns
// the two series.
std::pair<TFastLineSeries*, TFastLineSeries*> SetUpTrend(TChart& Chart, const TTrendSide& Left, const TTrendSide& Right);

} // namespace ostan
