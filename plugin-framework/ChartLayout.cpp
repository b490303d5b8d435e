#include "ChartLayout.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace ostan {

namespace {

// Multiples of a step are counted from zero in doubles; from 2^52 steps on,
// neighbouring multiples may fall on the same double.
constexpr double ExactSteps = 4503599627370496.0;

// How far beyond the plot a point may lie, in plot sizes, before it is
// pulled in: far enough that the visible part of its line keeps its slope
// to well under a pixel, near enough that the clipping stays exact in
// doubles. A value too far out to map at all (the map overflows) lies there.
constexpr double ReachBeyondPlot = 1e4;

// A fixed range of an axis that the painter can map onto pixels.
struct TRange {
    double Min = 0, Max = 0;
    bool Valid() const
    {
        return std::isfinite(Min) && std::isfinite(Max) && Min < Max && std::isfinite(Max - Min);
    }
    // 0 at Min, 1 at Max; not finite for a value the range cannot hold.
    double Fraction(double V) const { return (V - Min) / (Max - Min); }
};

// Label step for a range: the desired increment unless it would put more
// steps on the axis than MaxLabels, then the next 1-2-5 step that fits; 0
// when there is none.
double LabelStep(double Range, double Desired, int MaxLabels)
{
    if (!(Range > 0) || !std::isfinite(Range) || MaxLabels < 1)
        return 0;
    if (Desired > 0 && std::isfinite(Desired) && Range / Desired <= MaxLabels)
        return Desired;
    const double Raw = Range / MaxLabels;
    if (!(Raw > 0))
        return 0;
    const double Decade = std::pow(10.0, std::floor(std::log10(Raw)));
    for (double M : {1.0, 2.0, 5.0, 10.0})
        if (M * Decade >= Raw)
            return M * Decade;
    return 0;
}

struct TAxisLabels {
    double Step = 0;
    int Decimals = 0; // that Step needs, up to 6
    std::vector<double> Values;
};

TAxisLabels AxisLabels(double Min, double Max, double Desired, int MaxLabels)
{
    TAxisLabels L;
    if (!TRange{Min, Max}.Valid())
        return L;
    L.Step = LabelStep(Max - Min, Desired, MaxLabels);
    if (!(L.Step > 0) || !std::isfinite(L.Step))
        return L;
    // Once per axis, not per label and paint.
    auto Scaled = [&L] { return L.Step * std::pow(10.0, L.Decimals); };
    while (L.Decimals < 6 && std::fabs(Scaled() - std::round(Scaled())) > 1e-9)
        ++L.Decimals;
    const double First = std::ceil(Min / L.Step - 1e-9);
    const double Last = std::floor(Max / L.Step + 1e-9);
    if (!(std::fabs(First) < ExactSteps && std::fabs(Last) < ExactSteps) || Last < First)
        return L;
    const int Count = static_cast<int>(std::min(Last - First + 1, double(MaxLabels) + 1));
    L.Values.reserve(static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i)
        L.Values.push_back((First + i) * L.Step);
    return L;
}

QString LabelText(double V, const TAxisLabels& Labels)
{
    if (std::fabs(V) < Labels.Step * 1e-9)
        V = 0;
    return QString::number(V, 'f', Labels.Decimals);
}

// The part of the segment A-B inside Clip (Liang-Barsky); false when none.
bool ClipSegment(QPointF& A, QPointF& B, const QRectF& Clip)
{
    const double Dx = B.x() - A.x();
    const double Dy = B.y() - A.y();
    const double P[4] = {-Dx, Dx, -Dy, Dy};
    const double Q[4] = {A.x() - Clip.left(), Clip.right() - A.x(), A.y() - Clip.top(), Clip.bottom() - A.y()};
    double T0 = 0, T1 = 1;
    for (int k = 0; k < 4; ++k) {
        if (P[k] == 0) {
            if (Q[k] < 0)
                return false;
            continue;
        }
        const double T = Q[k] / P[k];
        if (P[k] < 0)
            T0 = std::max(T0, T);
        else
            T1 = std::min(T1, T);
    }
    if (T0 > T1)
        return false;
    // Clamped as well: an end on an edge may round just past it.
    auto At = [&, Start = A](double T) {
        return QPointF(std::clamp(Start.x() + T * Dx, Clip.left(), Clip.right()),
                       std::clamp(Start.y() + T * Dy, Clip.top(), Clip.bottom()));
    };
    A = At(T0);
    B = At(T1);
    return true;
}

// The X range of the bottom axis: the points' span when automatic.
TRange BottomRange(const TChart& Chart)
{
    const TChartAxis& A = Chart.BottomAxis();
    if (!A.Automatic)
        return {A.Minimum(), A.Maximum()};
    TRange R;
    bool Any = false;
    for (int i = 0; i < Chart.SeriesCount(); ++i)
        for (const auto& P : Chart.Series(i).PointList()) {
            if (!std::isfinite(P.X))
                continue;
            R.Min = Any ? std::min(R.Min, P.X) : P.X;
            R.Max = Any ? std::max(R.Max, P.X) : P.X;
            Any = true;
        }
    if (Any && R.Min == R.Max) {
        R.Min -= 0.5;
        R.Max += 0.5;
    }
    return R;
}

double PixelX(const QRect& Plot, const TRange& XR, double X)
{
    return Plot.left() + XR.Fraction(X) * (Plot.width() - 1);
}

void AddBottomLabels(TChartLayout& L, const TChart& Chart, const TRange& XR, QSize Size, const QFontMetrics& Fm)
{
    const QRect& Plot = L.Plot;
    const int MaxX = std::max(1, Plot.width() / (Fm.horizontalAdvance(QStringLiteral("00000")) + 8));
    const TAxisLabels Labels = AxisLabels(XR.Min, XR.Max, Chart.BottomAxis().Increment(), MaxX);
    for (double V : Labels.Values) {
        const QString Text = LabelText(V, Labels);
        QRect Box(static_cast<int>(std::lround(PixelX(Plot, XR, V))) - 30, Plot.bottom() + 3, 60, Fm.height());
        Box.moveLeft(std::clamp(Box.left(), 0, std::max(0, Size.width() - Box.width())));
        if (Fm.horizontalAdvance(Text) <= Box.width())
            L.Texts.push_back({Text, Box, Qt::AlignHCenter, 0, Chart.BottomAxis().LabelColor});
    }
}

// A series as runs of joined points, clipped to the plot. A null point, and
// a value its axis cannot place, break the line.
void AddSeriesRuns(TChartLayout& L, const TChart& Chart, const TFastLineSeries& S, const TRange& XR)
{
    const TChartAxis* A = Chart.AxisOf(S);
    if (!A)
        return;
    const TRange R{A->Minimum(), A->Maximum()};
    if (!R.Valid())
        return; // a range passing through min > max draws nothing
    const QRect& Plot = L.Plot;
    const QRectF Clip(Plot.left(), Plot.top(), Plot.width() - 1, Plot.height() - 1);
    auto Place = [&](const TFastLineSeries::TPoint& P) -> std::optional<QPointF> {
        if (P.Null || !std::isfinite(P.X) || !std::isfinite(P.Y))
            return std::nullopt;
        const double FX = XR.Fraction(P.X);
        const double FY = R.Fraction(P.Y);
        if (std::isnan(FX) || std::isnan(FY))
            return std::nullopt;
        return QPointF(Plot.left() + std::clamp(FX, -ReachBeyondPlot, 1 + ReachBeyondPlot) * (Plot.width() - 1),
                       Plot.bottom() - std::clamp(FY, -ReachBeyondPlot, 1 + ReachBeyondPlot) * (Plot.height() - 1));
    };
    QPolygonF Run;
    auto EndRun = [&] {
        if (Run.size() >= 2)
            L.Lines.push_back({Run, S.Color, 1});
        Run.clear();
    };
    std::optional<QPointF> Previous;
    for (const auto& P : S.PointList()) {
        const std::optional<QPointF> Here = Place(P);
        if (Here && Previous) {
            QPointF From = *Previous;
            QPointF To = *Here;
            if (ClipSegment(From, To, Clip)) {
                if (Run.isEmpty() || Run.back() != From) {
                    EndRun();
                    Run << From;
                }
                Run << To;
            } else {
                EndRun();
            }
        } else if (!Here) {
            EndRun();
        }
        Previous = Here;
    }
    EndRun();
}

} // namespace

std::vector<double> AxisLabelValues(double Min, double Max, double Desired, int MaxLabels)
{
    return AxisLabels(Min, Max, Desired, MaxLabels).Values;
}

TChartLayout LayOutChart(const TChart& Chart, QSize Size, const QFontMetrics& Fm)
{
    TChartLayout L;
    const int H = Fm.height();
    const int LabelW = Fm.horizontalAdvance(QStringLiteral("-0000.00")) + 6;

    bool RightUsed = false;
    for (int i = 0; i < Chart.SeriesCount(); ++i)
        RightUsed = RightUsed || Chart.Series(i).VertAxis() == TVertAxis::Right;
    const bool ShowLeft = Chart.LeftAxis().Visible;
    const bool ShowRight = Chart.RightAxis().Visible && RightUsed;
    const bool ShowBottom = Chart.BottomAxis().Visible;

    // A vertical axis with a title gives it a column outside its labels.
    // Labels are centred on their value, so the plot keeps half a label
    // and some room above and below it for the labels at its ends.
    const int TitleW = H + 3;
    auto Room = [&](const TChartAxis& A) { return LabelW + (A.Title.isEmpty() ? 0 : TitleW); };
    const int EndLabelRoom = std::max(4, H - H / 2 + 2);
    const int Top = EndLabelRoom + (Chart.Title.isEmpty() ? 0 : H + 2);
    const QRect Plot = QRect(QPoint(0, 0), Size).adjusted(ShowLeft ? Room(Chart.LeftAxis()) : 4, Top,
                                                          ShowRight ? -Room(Chart.RightAxis()) : -4,
                                                          ShowBottom ? -(H + 6) : -EndLabelRoom);
    if (Plot.width() < 4 || Plot.height() < 4)
        return L;
    L.Plot = Plot;

    if (!Chart.Title.isEmpty())
        L.Texts.push_back({Chart.Title, QRect(0, 2, Size.width(), H), Qt::AlignHCenter, 0, QColor()});

    auto PixelY = [&](const TRange& R, double V) {
        return static_cast<int>(std::lround(Plot.bottom() - R.Fraction(V) * (Plot.height() - 1)));
    };

    // Labels and title of a vertical axis; the grid follows the left axis,
    // or the right one when the left is hidden.
    const int MaxLabels = std::max(1, Plot.height() / (H + 4));
    auto Vertical = [&](const TChartAxis& A, bool IsLeft, bool Grid) {
        if (!A.Title.isEmpty())
            L.Texts.push_back({A.Title, IsLeft ? QRect(1, Plot.top(), H, Plot.height())
                                               : QRect(Size.width() - 1 - H, Plot.top(), H, Plot.height()),
                               Qt::AlignHCenter, IsLeft ? -90 : 90, A.LabelColor, A.LabelFamily});
        const TRange R{A.Minimum(), A.Maximum()};
        const TAxisLabels Labels = AxisLabels(R.Min, R.Max, A.Increment(), MaxLabels);
        const int Offset = A.Title.isEmpty() ? 0 : TitleW;
        std::vector<TChartText> Texts;
        QString Previous;
        bool Alike = false;
        for (double V : Labels.Values) {
            const int Y = PixelY(R, V);
            if (Grid)
                L.GridY.push_back(Y);
            const QString Text = LabelText(V, Labels);
            Alike = Alike || Text == Previous;
            Previous = Text;
            const QRect Box = IsLeft ? QRect(Offset, Y - H / 2, Plot.left() - 4 - Offset, H)
                                     : QRect(Plot.right() + 4, Y - H / 2, LabelW - 4, H);
            // A number too long for the column is left out, not cut.
            if (Fm.horizontalAdvance(Text) <= Box.width())
                Texts.push_back({Text, Box, Qt::AlignVCenter | (IsLeft ? Qt::AlignRight : Qt::AlignLeft), 0, A.LabelColor,
                                 A.LabelFamily});
        }
        // Labels that read alike tell nothing: the doubles or the decimals
        // cannot show the step.
        if (!Alike)
            L.Texts.insert(L.Texts.end(), Texts.begin(), Texts.end());
    };
    if (ShowLeft)
        Vertical(Chart.LeftAxis(), true, true);
    if (ShowRight)
        Vertical(Chart.RightAxis(), false, !ShowLeft);

    const TRange XR = BottomRange(Chart);
    if (XR.Valid()) {
        if (ShowBottom)
            AddBottomLabels(L, Chart, XR, Size, Fm);
        for (int i = 0; i < Chart.SeriesCount(); ++i)
            AddSeriesRuns(L, Chart, Chart.Series(i), XR);
    }

    if (Chart.LegendVisible) {
        int Y = Plot.top() + 4;
        for (int i = 0; i < Chart.SeriesCount() && Y + H <= Plot.bottom(); ++i) {
            const TFastLineSeries& S = Chart.Series(i);
            if (S.Title.isEmpty())
                continue;
            const int W = Fm.horizontalAdvance(S.Title);
            const double Mid = Y + H / 2;
            L.Lines.push_back({QPolygonF{QPointF(Plot.right() - W - 28, Mid), QPointF(Plot.right() - W - 10, Mid)}, S.Color, 2});
            L.Texts.push_back({S.Title, QRect(Plot.right() - W - 6, Y, W + 1, H), Qt::AlignLeft | Qt::AlignTop, 0, QColor()});
            Y += H + 2;
        }
    }
    return L;
}

} // namespace ostan
