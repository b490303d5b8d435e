#include "ChartView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace ostan {

namespace {

// Label step for an axis: the desired increment unless it would put more
// labels on the axis than fit, then the next 1-2-5 step that fits.
double LabelStep(double Range, double Desired, int MaxLabels)
{
    if (Range <= 0 || MaxLabels < 1)
        return 0;
    if (Desired > 0 && Range / Desired <= MaxLabels)
        return Desired;
    const double Raw = Range / MaxLabels;
    const double Decade = std::pow(10.0, std::floor(std::log10(Raw)));
    for (double M : {1.0, 2.0, 5.0, 10.0})
        if (M * Decade >= Raw)
            return M * Decade;
    return 10 * Decade;
}

QString LabelText(double V, double Step)
{
    int Decimals = 0;
    while (Decimals < 6 && std::fabs(Step * std::pow(10.0, Decimals) - std::round(Step * std::pow(10.0, Decimals))) > 1e-9)
        ++Decimals;
    if (std::fabs(V) < Step * 1e-9)
        V = 0;
    return QString::number(V, 'f', Decimals);
}

struct TRange {
    double Min = 0, Max = 0;
    bool Valid() const { return Max > Min; }
};

} // namespace

TChartView::TChartView(QWidget* Parent) : QWidget(Parent)
{
    Model.WidthSource = [this] { return width(); };
    Model.OnChange = [this] { update(); };
    setAutoFillBackground(true);
    QPalette P = palette();
    P.setColor(QPalette::Window, Qt::white);
    setPalette(P);
}

TChartView::~TChartView()
{
    Model.WidthSource = nullptr;
    Model.OnChange = nullptr;
}

void TChartView::paintEvent(QPaintEvent*)
{
    QPainter Painter(this);
    Painter.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics Fm(font());
    const int LabelW = Fm.horizontalAdvance(QStringLiteral("-0000.00")) + 6;

    bool RightUsed = false;
    for (int i = 0; i < Model.SeriesCount(); ++i)
        RightUsed = RightUsed || Model.Series(i).VertAxis() == TVertAxis::Right;
    const bool ShowLeft = Model.LeftAxis().Visible;
    const bool ShowRight = Model.RightAxis().Visible && RightUsed;
    const bool ShowBottom = Model.BottomAxis().Visible;

    // A vertical axis with a title gives it a column outside its labels.
    auto Room = [&](const TChartAxis& A) { return LabelW + (A.Title.isEmpty() ? 0 : Fm.height() + 2); };
    int Top = 4 + (Model.Title.isEmpty() ? 0 : Fm.height() + 2);
    QRect Plot = rect().adjusted(ShowLeft ? Room(Model.LeftAxis()) : 4, Top, ShowRight ? -Room(Model.RightAxis()) : -4,
                                 ShowBottom ? -(Fm.height() + 6) : -4);
    if (Plot.width() < 4 || Plot.height() < 4)
        return;

    if (!Model.Title.isEmpty())
        Painter.drawText(QRect(0, 2, width(), Fm.height()), Qt::AlignHCenter, Model.Title);

    // Bottom range: the points' X span unless the axis is fixed.
    TRange XR{Model.BottomAxis().Minimum(), Model.BottomAxis().Maximum()};
    if (Model.BottomAxis().Automatic) {
        bool Any = false;
        for (int i = 0; i < Model.SeriesCount(); ++i) {
            const auto& Pts = Model.Series(i).PointList();
            if (Pts.empty())
                continue;
            XR.Min = Any ? std::min(XR.Min, Pts.front().X) : Pts.front().X;
            XR.Max = Any ? std::max(XR.Max, Pts.back().X) : Pts.back().X;
            Any = true;
        }
        if (Any && !XR.Valid()) {
            XR.Min -= 0.5;
            XR.Max += 0.5;
        }
    }

    auto MapX = [&](double X) { return Plot.left() + (X - XR.Min) / (XR.Max - XR.Min) * Plot.width(); };
    auto MapY = [&](const TRange& R, double Y) { return Plot.bottom() - (Y - R.Min) / (R.Max - R.Min) * Plot.height(); };

    // Grid and labels of the vertical axes; the grid follows the left axis,
    // or the right one when the left is hidden.
    const QPen GridPen(QColor(0xD0, 0xD0, 0xD0), 0, Qt::DotLine);
    const int MaxLabels = std::max(1, Plot.height() / (Fm.height() + 4));
    auto DrawVertical = [&](const TChartAxis& A, bool IsLeft, bool Grid) {
        const TRange R{A.Minimum(), A.Maximum()};
        if (!R.Valid())
            return;
        const QColor Ink = A.LabelColor.isValid() ? A.LabelColor : palette().color(QPalette::WindowText);
        if (!A.Title.isEmpty()) {
            // Read upwards on the left, downwards on the right.
            Painter.save();
            Painter.setPen(Ink);
            const int X = IsLeft ? 0 : width();
            Painter.translate(X, Plot.center().y());
            Painter.rotate(IsLeft ? -90 : 90);
            Painter.drawText(QRect(-Plot.height() / 2, 0, Plot.height(), Fm.height()), Qt::AlignHCenter, A.Title);
            Painter.restore();
        }
        const int Offset = A.Title.isEmpty() ? 0 : Fm.height() + 2;
        const double Step = LabelStep(R.Max - R.Min, A.Increment(), MaxLabels);
        for (double V = std::ceil(R.Min / Step - 1e-9) * Step; V <= R.Max + Step * 1e-9; V += Step) {
            const int Y = static_cast<int>(std::lround(MapY(R, V)));
            if (Grid) {
                Painter.setPen(GridPen);
                Painter.drawLine(Plot.left(), Y, Plot.right(), Y);
            }
            Painter.setPen(Ink);
            const QRect Box = IsLeft ? QRect(Offset, Y - Fm.height() / 2, Plot.left() - 4 - Offset, Fm.height())
                                     : QRect(Plot.right() + 4, Y - Fm.height() / 2, LabelW - 4, Fm.height());
            Painter.drawText(Box, (IsLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, LabelText(V, Step));
        }
    };
    if (ShowLeft)
        DrawVertical(Model.LeftAxis(), true, true);
    if (ShowRight)
        DrawVertical(Model.RightAxis(), false, !ShowLeft);

    if (ShowBottom && XR.Valid()) {
        const int MaxX = std::max(1, Plot.width() / (Fm.horizontalAdvance(QStringLiteral("00000")) + 8));
        const double Step = LabelStep(XR.Max - XR.Min, Model.BottomAxis().Increment(), MaxX);
        Painter.setPen(palette().color(QPalette::WindowText));
        for (double V = std::ceil(XR.Min / Step - 1e-9) * Step; V <= XR.Max + Step * 1e-9; V += Step) {
            const int X = static_cast<int>(std::lround(MapX(V)));
            Painter.drawText(QRect(X - 30, Plot.bottom() + 3, 60, Fm.height()), Qt::AlignHCenter, LabelText(V, Step));
        }
    }

    Painter.setPen(palette().color(QPalette::WindowText));
    Painter.drawRect(Plot.adjusted(0, 0, -1, -1));

    if (!XR.Valid())
        return;
    Painter.save();
    Painter.setClipRect(Plot);
    for (int i = 0; i < Model.SeriesCount(); ++i) {
        const TFastLineSeries& S = Model.Series(i);
        const TChartAxis* A = Model.AxisOf(S);
        if (!A)
            continue;
        const TRange R{A->Minimum(), A->Maximum()};
        if (!R.Valid())
            continue; // a range passing through min > max draws nothing
        QPainterPath Path;
        bool PenDown = false;
        for (const auto& P : S.PointList()) {
            if (P.Null) {
                PenDown = false; // a gap
                continue;
            }
            const QPointF Q(MapX(P.X), MapY(R, P.Y));
            if (PenDown)
                Path.lineTo(Q);
            else
                Path.moveTo(Q);
            PenDown = true;
        }
        Painter.setPen(QPen(S.Color, 1));
        Painter.drawPath(Path);
    }
    Painter.restore();

    if (Model.LegendVisible) {
        int Y = Plot.top() + 4;
        for (int i = 0; i < Model.SeriesCount(); ++i) {
            const TFastLineSeries& S = Model.Series(i);
            if (S.Title.isEmpty())
                continue;
            const int W = Fm.horizontalAdvance(S.Title);
            Painter.setPen(QPen(S.Color, 2));
            Painter.drawLine(Plot.right() - W - 28, Y + Fm.height() / 2, Plot.right() - W - 10, Y + Fm.height() / 2);
            Painter.setPen(palette().color(QPalette::WindowText));
            Painter.drawText(Plot.right() - W - 6, Y + Fm.ascent(), S.Title);
            Y += Fm.height() + 2;
        }
    }
}

} // namespace ostan
