#include "Chart.h"
#include "ChartLayoutSupport.h"
#include "ChartView.h"

#include <QImage>
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

using namespace ostan;
using namespace ostan::test;

TEST(Chart, AxisSettersAcceptATransientMinimumAboveTheMaximum)
{
    TChart C;
    TChartAxis& A = C.LeftAxis();
    A.SetMinMax(0, 10);
    A.SetMinimum(50); // on its way to 50..80
    EXPECT_EQ(A.Minimum(), 50);
    EXPECT_EQ(A.Maximum(), 10);
    A.SetMaximum(80);
    EXPECT_EQ(A.Minimum(), 50);
    EXPECT_EQ(A.Maximum(), 80);
    A.SetMaximum(-5); // and back down below the minimum
    A.SetMinimum(-20);
    EXPECT_EQ(A.Minimum(), -20);
    EXPECT_EQ(A.Maximum(), -5);
    A.SetIncrement(2.5);
    EXPECT_EQ(A.Increment(), 2.5);
    EXPECT_TRUE(C.BottomAxis().Automatic);
    EXPECT_FALSE(C.RightAxis().Automatic);
}

TEST(Chart, SetRangeTakesOnlyARange)
{
    const double Inf = std::numeric_limits<double>::infinity();
    const struct {
        double Min, Max;
        bool Taken;
    } Cases[] = {{-0.4, 4.4, true}, {-0.0, 0.0, false}, {0.1, -1.1, false}, {3, 3, false},
                 {-Inf, 1, false},  {0, std::nan(""), false}};
    for (const auto& Case : Cases) {
        TChart C;
        TChartAxis& A = C.LeftAxis();
        A.SetMinMax(-0.25, 2.75);
        EXPECT_EQ(A.SetRange(Case.Min, Case.Max), Case.Taken) << Case.Min << " " << Case.Max;
        EXPECT_EQ(A.Minimum(), Case.Taken ? Case.Min : -0.25);
        EXPECT_EQ(A.Maximum(), Case.Taken ? Case.Max : 2.75);
    }
}

TEST(Chart, PointsStayInAscendingX)
{
    TChart C;
    TFastLineSeries& S = C.AddSeries(TVertAxis::Right);
    EXPECT_EQ(C.AxisOf(S), &C.RightAxis());
    EXPECT_THROW(S.XValueLast(), EChartError);
    EXPECT_EQ(S.AddNull(), 0); // X 0 on an empty series
    EXPECT_EQ(S.AddXY(5, 50), 1);
    EXPECT_EQ(S.AddXY(-1, 10), 0); // smaller X goes in front
    EXPECT_EQ(S.AddXY(5, 51), 3);  // an equal X after the existing one
    EXPECT_EQ(S.AddNull(), 4);     // after the last: X 6
    const double X[] = {-1, 0, 5, 5, 6};
    const double Y[] = {10, 0, 50, 51, 0};
    const bool Null[] = {false, true, false, false, true};
    ASSERT_EQ(S.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(S.XValue(i), X[i]) << i;
        EXPECT_EQ(S.YValue(i), Y[i]) << i;
        EXPECT_EQ(S.IsNull(i), Null[i]) << i;
    }
    EXPECT_EQ(S.XValueLast(), 6);

    S.SetYValue(1, 7); // the point keeps its null state
    EXPECT_TRUE(S.IsNull(1));
    EXPECT_EQ(S.YValue(1), 7);

    S.Delete(0);
    EXPECT_EQ(S.XValue(0), 0);
    for (int bad : {-1, 4})
        EXPECT_THROW(S.Delete(bad), EChartError);
    EXPECT_THROW(S.YValue(4), EChartError);
    EXPECT_THROW(C.Series(1), EChartError);
    S.Clear();
    EXPECT_EQ(S.Count(), 0);
}

TEST(Chart, ViewGivesItsWidthAndPaintsSeriesWithGaps)
{
    TChartView V;
    V.resize(300, 200);
    TChart& C = V.Chart();
    EXPECT_EQ(C.Width(), 300);
    C.BottomAxis().Visible = false;
    C.LeftAxis().SetMinMax(0, 10);
    C.RightAxis().SetMinMax(0, 10);
    TFastLineSeries& Red = C.AddSeries(TVertAxis::Left);
    Red.Color = QColor(255, 0, 0);
    TFastLineSeries& Blue = C.AddSeries(TVertAxis::Right);
    Blue.Color = QColor(0, 0, 255);
    for (int x = 0; x <= 20; ++x) {
        if (x >= 8 && x <= 12)
            Red.AddNull();
        else
            Red.AddXY(x, 2);
        Blue.AddXY(x, 8);
    }

    auto Columns = [&](QColor Colour) {
        QImage Img(V.size(), QImage::Format_RGB32);
        V.render(&Img);
        std::vector<bool> Has(static_cast<size_t>(Img.width()), false);
        for (int y = 0; y < Img.height(); ++y)
            for (int x = 0; x < Img.width(); ++x)
                if (QColor(Img.pixel(x, y)) == Colour)
                    Has[static_cast<size_t>(x)] = true;
        return Has;
    };
    std::vector<bool> R = Columns(QColor(255, 0, 0));
    std::vector<bool> B = Columns(QColor(0, 0, 255));
    const int Mid = V.width() / 2;
    const int Quarter = V.width() / 4;
    EXPECT_TRUE(R[static_cast<size_t>(Quarter)]);
    EXPECT_TRUE(R[static_cast<size_t>(V.width() - Quarter)]);
    EXPECT_FALSE(R[static_cast<size_t>(Mid)]); // the null points leave a gap
    EXPECT_TRUE(B[static_cast<size_t>(Mid)]);

    C.RightAxis().SetMinimum(20); // a transient range draws nothing on that axis
    B = Columns(QColor(0, 0, 255));
    EXPECT_FALSE(B[static_cast<size_t>(Mid)]);
    EXPECT_TRUE(Columns(QColor(255, 0, 0))[static_cast<size_t>(Quarter)]);
}

TEST(Chart, AxisLabelsAreCountedNotStepped)
{
    const double Inf = std::numeric_limits<double>::infinity();
    const double Big = std::numeric_limits<double>::max();
    const double Huge = 4.3569e17; // where adding 20 leaves a double as it is
    const struct {
        const char* What;
        double Min, Max, Desired;
        std::vector<double> Values; // empty: none
    } Cases[] = {
        {"the desired step", -10, 100, 20, {0, 20, 40, 60, 80, 100}},
        {"a crowding step widened", -10, 100, 1, {0, 20, 40, 60, 80, 100}},
        {"a chosen step", 4.8, 5.2, 0, {4.8, 4.85, 4.9, 4.95, 5.0, 5.05, 5.1, 5.15, 5.2}},
        {"steps the doubles cannot tell apart", Huge - 55, Huge + 55, 20, {}},
        {"a range beyond the doubles", -Big, Big, 0, {}},
        {"a range below the smallest step", 0, 5e-324, 0, {}},
        {"a point", 5, 5, 1, {}},
        {"a passing range", 10, 0, 1, {}},
        {"infinite", 0, Inf, 1, {}},
        {"not a number", std::nan(""), 1, 0.1, {}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        const std::vector<double> V = AxisLabelValues(C.Min, C.Max, C.Desired, 10);
        ASSERT_EQ(V.size(), C.Values.size());
        for (size_t i = 0; i < V.size(); ++i)
            EXPECT_NEAR(V[i], C.Values[i], 1e-9) << i;
    }
    // Near the end of exact steps: still labels, apart and within the range.
    const std::vector<double> Near = AxisLabelValues(1e16 - 55, 1e16 + 55, 20, 10);
    ASSERT_FALSE(Near.empty());
    EXPECT_LE(Near.size(), 11u);
    for (size_t i = 0; i < Near.size(); ++i) {
        EXPECT_GE(Near[i], 1e16 - 55);
        EXPECT_LE(Near[i], 1e16 + 55);
        if (i > 0) {
            EXPECT_GT(Near[i], Near[i - 1]);
        }
    }
}

// A trend of 50s with an extreme value at every third point, against axes
// set as re-centring on such values leaves them: each is painted, and what
// reaches the painter stays inside the view.
TEST(Chart, ExtremeValuesAndRangesPaintInsideThePlot)
{
    const double Inf = std::numeric_limits<double>::infinity();
    const double Big = std::numeric_limits<double>::max();
    const double Values[] = {0.0, -0.0, 5e-324, 1e16, 4.3569e17, 1e18, 1e30, Big, -Big, Inf, -Inf, std::nan("")};
    TChartView View;
    View.resize(400, 200);
    TChart& C = View.Chart();
    C.BottomAxis().Visible = false;
    C.LegendVisible = true;
    C.LeftAxis().Title = QStringLiteral("Uсенс., мВ");
    C.LeftAxis().SetIncrement(20);
    C.RightAxis().SetMinMax(4.8, 5.2);
    TFastLineSeries& S = C.AddSeries(TVertAxis::Left);
    S.Title = QStringLiteral("Uсенс. абс.");
    C.AddSeries(TVertAxis::Right).AddXY(0, 5);
    QImage Img(View.size(), QImage::Format_RGB32);
    for (double V : Values) {
        S.Clear();
        for (int x = 0; x < 12; ++x)
            S.AddXY(x, x % 3 == 2 ? V : 50);
        for (double Centre : {50.0, V}) {
            SCOPED_TRACE(QStringLiteral("%1 on an axis round %2").arg(V).arg(Centre).toStdString());
            C.LeftAxis().SetMinMax(Centre - 55, Centre + 55);
            View.render(&Img);
            const TChartLayout L = View.Layout();
            EXPECT_EQ(ChartLayoutFaults(View).join(u'\n').toStdString(), "");
            if (Centre != 50)
                continue;
            // The 50s stay drawn; a value off the axis runs to its edge, one
            // that is not finite leaves a gap.
            bool Top = false, Bottom = false;
            size_t Points = 0;
            for (const TChartLine& Line : L.Lines)
                for (const QPointF& P : Line.Points) {
                    Top = Top || P.y() < L.Plot.top() + 0.01;
                    Bottom = Bottom || P.y() > L.Plot.bottom() - 0.01;
                    ++Points;
                }
            EXPECT_GT(Points, 0u);
            EXPECT_EQ(Top, std::isfinite(V) && V > 105);
            EXPECT_EQ(Bottom, std::isfinite(V) && V < -5);
        }
    }
}

TEST(Chart, EndLabelsOfAnAxisAreWhole)
{
    TChartView View;
    View.resize(300, 250);
    TChart& C = View.Chart();
    C.BottomAxis().Visible = false;
    C.LeftAxis().SetMinMax(-10, 100);
    C.LeftAxis().SetIncrement(20);
    C.RightAxis().Title = QStringLiteral("Аккум, В");
    C.RightAxis().SetMinMax(4.8, 5.2);
    C.RightAxis().SetIncrement(0.05);
    C.AddSeries(TVertAxis::Left);
    C.AddSeries(TVertAxis::Right);
    QStringList Texts;
    for (const TChartText& T : View.Layout().Texts)
        Texts << T.Text;
    EXPECT_TRUE(Texts.contains(QStringLiteral("5.20"))) << Texts.join(u' ').toStdString();
    EXPECT_TRUE(Texts.contains(QStringLiteral("4.80")));
    EXPECT_TRUE(Texts.contains(QStringLiteral("100")));
    EXPECT_EQ(ChartLayoutFaults(View).join(u'\n').toStdString(), "");
}
