#include "Chart.h"
#include "ChartView.h"

#include <QImage>
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

using namespace ostan;

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
