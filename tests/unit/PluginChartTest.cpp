#include "CommonInterfacesImp.h"

// Every library's profile, for its trend facts. SEVO1's finds TIRA5's tables
// through the include path, as its library does.
#include "../../plugins/BRUN3vm/Profile.h"
#include "../../plugins/MOLT2/Profile.h"
#include "../../plugins/MOLT2old/Profile.h"
#include "../../plugins/PIP_DELM/Profile.h"
#include "../../plugins/PIP_KARN7/Profile.h"
#include "../../plugins/PIP_KARN7E/Profile.h"
#include "../../plugins/PIP_KARN7E_8/Profile.h"
#include "../../plugins/TIRA4/Profile.h"
#include "../../plugins/TIRA5/Profile.h"
#include "../../plugins/SEVO1/Profile.h"
#include "../../plugins/TIRA6/Profile.h"

#include <gtest/gtest.h>

using namespace ostan;

namespace {

std::vector<double> Xs(const TFastLineSeries& S)
{
    std::vector<double> R;
    for (const auto& P : S.PointList())
        R.push_back(P.X);
    return R;
}

std::vector<double> Ys(const TFastLineSeries& S)
{
    std::vector<double> R;
    for (const auto& P : S.PointList())
        R.push_back(P.Y);
    return R;
}

// A panel's trend: series 0 on the left axis, series 1 on the right.
struct TwoSeries {
    TChart Chart;
    TwoSeries(int Width = 800)
    {
        Chart.AddSeries(TVertAxis::Left);
        Chart.AddSeries(TVertAxis::Right);
        Chart.SetWidth(Width);
        Chart.LeftAxis().SetMinMax(0, 100);
        Chart.RightAxis().SetMinMax(0, 10);
    }
};

} // namespace

TEST(PluginChart, CreationPadsShortSeriesWithNullPoints)
{
    TChart C;
    TFastLineSeries& Empty = C.AddSeries();
    TFastLineSeries& Three = C.AddSeries();
    TFastLineSeries& Seven = C.AddSeries();
    for (int i = 0; i < 3; ++i)
        Three.AddXY(10 + i, 1);
    for (int i = 0; i < 7; ++i)
        Seven.AddXY(i, 1);
    TPluginChart P(&C, 100, 10, tira5::Profile.Trend);

    ASSERT_EQ(Empty.Count(), 5);
    EXPECT_EQ(Xs(Empty), (std::vector<double>{0, 1, 2, 3, 4}));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Empty.IsNull(i));
    ASSERT_EQ(Three.Count(), 5);
    EXPECT_FALSE(Three.IsNull(2));
    EXPECT_TRUE(Three.IsNull(3));
    EXPECT_TRUE(Three.IsNull(4));
    EXPECT_EQ(Seven.Count(), 7);

    TPluginChart NoChart(nullptr, 1, 1, tira5::Profile.Trend);
    NoChart.AddValues(1, 2);
    NoChart.Resize();
    NoChart.Clear();
}

TEST(PluginChart, PointCountIsWidthOverTheLibraryDivisor)
{
    struct Case { const char* Library; const PluginProfile& Profile; int Width, N; };
    const Case cases[] = {
        {"TIRA5", tira5::Profile, 800, 32},       {"MOLT2old", molt2old::Profile, 800, 100},
        {"MOLT2old", molt2old::Profile, 807, 100}, {"BRUN3vm", brun3vm::Profile, 800, 88},
        {"TIRA6", tira6::Profile, 800, 40},       {"PIP_DELM", delm::Profile, 800, 53},
        {"PIP_KARN7", karn7::Profile, 799, 79},   {"MOLT2old", molt2old::Profile, 7, 0},
        {"TIRA5", tira5::Profile, 0, 0},
    };
    for (const auto& c : cases) {
        TwoSeries T(c.Width);
        TPluginChart P(&T.Chart, 100, 10, c.Profile.Trend);
        P.Resize();
        EXPECT_EQ(T.Chart.Series(0).Count(), c.N) << c.Library << " " << c.Width;
        EXPECT_EQ(T.Chart.Series(1).Count(), c.N) << c.Library << " " << c.Width;
    }
}

TEST(PluginChart, ResizeGrowsOnTheLeftWithZerosAndShrinksFromTheOldest)
{
    TwoSeries T(8 * 25);
    TFastLineSeries& S = T.Chart.Series(0);
    TPluginChart P(&T.Chart, 100, 10, tira5::Profile.Trend); // 5 nulls at X 0..4
    P.Resize();
    EXPECT_EQ(Xs(S), (std::vector<double>{-3, -2, -1, 0, 1, 2, 3, 4}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(S.IsNull(i)); // fillers are values 0, not gaps
        EXPECT_EQ(S.YValue(i), 0);
    }
    EXPECT_TRUE(S.IsNull(3));

    for (int v = 1; v <= 3; ++v)
        P.AddValues(50 + v, 5);
    EXPECT_EQ(Xs(S), (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7}));

    T.Chart.SetWidth(3 * 25);
    P.Resize();
    EXPECT_EQ(Xs(S), (std::vector<double>{5, 6, 7}));
    EXPECT_EQ(Ys(S), (std::vector<double>{51, 52, 53}));

    S.Clear(); // an empty series numbers its fillers from 0 down
    T.Chart.SetWidth(4 * 25);
    P.Resize();
    EXPECT_EQ(Xs(S), (std::vector<double>{-3, -2, -1, 0}));
}

TEST(PluginChart, AxisMovesOnlyWithinFivePercentOfItsEdges)
{
    struct Case { double Min, Max, Value, NewMin, NewMax; };
    const Case cases[] = {
        {0, 100, 96, 46, 146},
        {0, 100, 95, 0, 100},   // exactly 5 % from the edge: stays
        {0, 100, 5, 0, 100},
        {0, 100, 4.9, -45.1, 54.9},
        {0, 100, 250, 200, 300},
        {0, 100, -1, -51, 49},
        {0, 8, 4, -46, 54},     // narrower than 10 % of the span: moves at every value
        {100, 0, 50, 0, 100},   // a transient min > max is simply out of range
    };
    for (const auto& c : cases) {
        TwoSeries T;
        TPluginChart P(&T.Chart, 100, 10, tira5::Profile.Trend);
        T.Chart.LeftAxis().SetMinMax(c.Min, c.Max);
        P.AddValues(c.Value, 5);
        EXPECT_DOUBLE_EQ(T.Chart.LeftAxis().Minimum(), c.NewMin) << c.Value;
        EXPECT_DOUBLE_EQ(T.Chart.LeftAxis().Maximum(), c.NewMax) << c.Value;

        // The right axis by its own span, through series 1.
        T.Chart.RightAxis().SetMinMax(c.Min / 10, c.Max / 10);
        P.AddValues(T.Chart.LeftAxis().Minimum() + 50, c.Value / 10);
        EXPECT_DOUBLE_EQ(T.Chart.RightAxis().Minimum(), c.NewMin / 10) << c.Value;
        EXPECT_DOUBLE_EQ(T.Chart.RightAxis().Maximum(), c.NewMax / 10) << c.Value;
    }
}

TEST(PluginChart, AddValuesScrollsKeepingTheCount)
{
    TwoSeries T(5 * 25);
    TPluginChart P(&T.Chart, 100, 10, tira5::Profile.Trend);
    P.Resize();
    P.AddValues(10, 1);
    P.AddValues(20, 2);
    for (int s = 0; s < 2; ++s) {
        const TFastLineSeries& S = T.Chart.Series(s);
        EXPECT_EQ(Xs(S), (std::vector<double>{2, 3, 4, 5, 6}));
        EXPECT_EQ(S.YValue(4), s == 0 ? 20 : 2);
        EXPECT_FALSE(S.IsNull(4));
        EXPECT_TRUE(S.IsNull(2));
    }
}

TEST(PluginChart, OneSeriesGetsOnlyTheFirstValue)
{
    TChart C;
    C.AddSeries(TVertAxis::Left);
    C.LeftAxis().SetMinMax(0, 100);
    TPluginChart P(&C, 100, 10, tira5::Profile.Trend);
    P.AddValues(50, 1e9);
    EXPECT_EQ(C.Series(0).YValue(4), 50);
    EXPECT_EQ(C.RightAxis().Minimum(), 0);
    EXPECT_EQ(C.RightAxis().Maximum(), 0);
}

TEST(PluginChart, TinySeriesNeverFault)
{
    TwoSeries T(10); // narrower than the divisor: no points at all
    TFastLineSeries& S = T.Chart.Series(0);
    TPluginChart P(&T.Chart, 100, 10, tira5::Profile.Trend);
    P.Resize();
    ASSERT_EQ(S.Count(), 0);
    P.AddValues(50, 5); // an empty series starts at X = 0
    EXPECT_EQ(Xs(S), std::vector<double>{0});
    P.AddValues(60, 5); // a single point's X is read before it goes
    EXPECT_EQ(Xs(S), std::vector<double>{1});
    EXPECT_EQ(S.YValue(0), 60);
}

TEST(PluginChart, SeriesOnACustomAxisIsNotRecentred)
{
    TwoSeries T;
    T.Chart.Series(0).SetVertAxis(TVertAxis::Custom);
    TPluginChart P(&T.Chart, 100, 10, tira5::Profile.Trend);
    P.AddValues(1000, 5);
    EXPECT_EQ(T.Chart.LeftAxis().Maximum(), 100);
    EXPECT_EQ(T.Chart.Series(0).YValue(4), 1000);
}

TEST(PluginChart, EveryLibraryVariant)
{
    struct Case { const char* Library; const PluginProfile& Profile; int Divisor; bool LeftMoves; };
    const Case cases[] = {
        {"MOLT2old", molt2old::Profile, 8, true},     {"MOLT2", molt2::Profile, 25, true},
        {"TIRA5", tira5::Profile, 25, true},          {"SEVO1", sevo1::Profile, 25, true},
        {"TIRA4", tira4::Profile, 25, true},          {"BRUN3vm", brun3vm::Profile, 9, true},
        {"TIRA6", tira6::Profile, 20, true},          {"PIP_KARN7E", karn7e::Profile, 10, false},
        {"PIP_DELM", delm::Profile, 15, false},       {"PIP_KARN7", karn7::Profile, 10, false},
        {"PIP_KARN7E_8", karn7e8::Profile, 10, false},
    };
    for (const auto& c : cases) {
        const TPluginChartVariant& V = c.Profile.Trend;
        EXPECT_EQ(V.Divisor, c.Divisor) << c.Library;

        TwoSeries T(c.Divisor * 6);
        TPluginChart P(&T.Chart, 100, 10, V);
        P.Resize();
        // Series 0 (left) and series 1 (right) both get a far value; only
        // the right axis is re-centred in every library.
        if (std::string_view(c.Library) == "PIP_KARN7E_8") {
            P.AddValue0(500);
            P.AddValue1(50);
        } else {
            P.AddValues(500, 50);
        }
        EXPECT_EQ(T.Chart.LeftAxis().Minimum(), c.LeftMoves ? 450 : 0) << c.Library;
        EXPECT_EQ(T.Chart.LeftAxis().Maximum(), c.LeftMoves ? 550 : 100) << c.Library;
        EXPECT_EQ(T.Chart.RightAxis().Minimum(), 45) << c.Library;
        EXPECT_EQ(T.Chart.RightAxis().Maximum(), 55) << c.Library;
        EXPECT_EQ(T.Chart.Series(0).Count(), 6) << c.Library;
        EXPECT_EQ(T.Chart.Series(1).Count(), 6) << c.Library;
    }
}

TEST(PluginChart, ShiftKeepsTheValuesAndMovesTheNumbering)
{
    TChart C;
    TFastLineSeries& S = C.AddSeries();
    TPluginChart P(&C, 100, 10, karn7e8::Profile.Trend);
    S.Clear();
    S.AddXY(3, 30);
    S.AddXY(4, 40);
    P.Shift(S); // fewer than 3 points: nothing
    EXPECT_EQ(Xs(S), (std::vector<double>{3, 4}));
    S.AddXY(5, 50);
    S.AddXY(6, 60);
    P.Shift(S);
    EXPECT_EQ(Xs(S), (std::vector<double>{4, 5, 6, 7}));
    EXPECT_EQ(Ys(S), (std::vector<double>{30, 40, 50, 60}));
}

TEST(PluginChart, SingleValueTrendKeepsBothSeriesInStep)
{
    TwoSeries T(4 * 10);
    TPluginChart P(&T.Chart, 100, 10, karn7e8::Profile.Trend);
    P.Clear(); // refilled with zeros at X 0, -1, ...
    EXPECT_EQ(Xs(T.Chart.Series(0)), (std::vector<double>{-3, -2, -1, 0}));
    EXPECT_FALSE(T.Chart.Series(0).IsNull(0));

    P.AddValue0(11);
    P.AddValue1(2.5);
    P.AddValue0(12);
    EXPECT_EQ(Xs(T.Chart.Series(0)), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(Xs(T.Chart.Series(1)), (std::vector<double>{0, 1, 2, 3}));
    // A shifted series keeps its values and moves them one X to the right.
    EXPECT_EQ(Ys(T.Chart.Series(0)), (std::vector<double>{0, 0, 11, 12}));
    EXPECT_EQ(Ys(T.Chart.Series(1)), (std::vector<double>{0, 0, 0, 2.5}));
}
