#include "NumControlsSupport.h"
#include "NumStepper.h"

#include <cfloat>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ostan;
using ostan::test::FixedSeparators;

namespace {

// A spin control's value as its text, with the control's reaction to an
// out-of-range value (clamp) counted as a beep.
class NumStepperTest : public ::testing::Test {
protected:
    FixedSeparators Sep;
    uint32_t Now = 100000;
    TNumStepper Stepper{[this] { return Now; }};
    TNumFormatter Format;
    TNumRange Range;
    QString Text = "0";
    int Beeps = 0;
    bool Wrap = false;
    bool RoundValues = false;

    TNumValue Value() const { return TNumFormatter::GetValue(Text); }
    TNumStepHost Host()
    {
        return {[this] { return Value(); }, [this](TNumValue v) { Text = Format.FormatValue(v); },
                [this] {
                    if (const auto t = Range.ClampTarget(Value()))
                        Text = Format.FormatValue(*t);
                    ++Beeps;
                }};
    }
    void Setup(int Decimals, TNumValue Min, TNumValue Max, TNumValue Increment, TNumValue Start)
    {
        Format.Decimals = Decimals;
        Range.SetMaxValue(Max);
        Range.SetMinValue(Min);
        ASSERT_TRUE(Stepper.SetIncrement(Increment, Range) || Increment == Stepper.Increment());
        Text = Format.FormatValue(Start);
    }
    void Up(uint32_t After) { Now += After; Stepper.Step(true, Range, Wrap, RoundValues, Host()); }
    void Down(uint32_t After) { Now += After; Stepper.Step(false, Range, Wrap, RoundValues, Host()); }
};

} // namespace

TEST_F(NumStepperTest, QuickStepsAccelerateUpToAFifthOfTheRange)
{
    Setup(-1, 0, 100, 1, 0);
    std::vector<int> seen;
    Up(1000); // the first after a pause
    seen.push_back(int(Value()));
    for (int i = 1; i < 20; ++i) {
        Up(150);
        seen.push_back(int(Value()));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 8, 10, 13, 16, 20, 24, 29, 34, 40, 46, 53, 60, 68, 76}));

    // a pause of more than 200 ms starts again with one Increment
    Text = "0";
    Up(201);
    EXPECT_EQ(Value(), 1);
    EXPECT_EQ(Stepper.ClickCount(), 0);
    for (int i = 0; i < 6; ++i)
        Up(200); // exactly 200 ms still counts as quick
    EXPECT_EQ(Stepper.CurrentStep(), 2);
    Stepper.EndSeries();
    EXPECT_EQ(Stepper.CurrentStep(), 1);
}

TEST_F(NumStepperTest, GrowthStopsAtAFifthOfTheRange)
{
    Setup(2, 1, 3.55L, 0.01L, 1); // a fifth of the range is 0.51
    Up(1000);
    for (int i = 0; i < 200; ++i)
        Up(100);
    EXPECT_GE(Stepper.CurrentStep(), 0.51L);
    EXPECT_LT(Stepper.CurrentStep(), 0.52L + 0.01L);
}

TEST_F(NumStepperTest, AnAcceleratedStepFallsBackToOnePlainStepAtTheEnd)
{
    Setup(2, 1, 3.55L, 0.01L, 1);
    Up(1000);
    for (int i = 0; i < 25; ++i)
        Up(100);
    ASSERT_GE(Stepper.CurrentStep(), 0.06L);
    Text = "3.50";
    Up(100);
    EXPECT_EQ(Text, "3.51");
    EXPECT_EQ(Stepper.CurrentStep(), 0.01L);
    EXPECT_EQ(Beeps, 0);
}

TEST_F(NumStepperTest, RangeEndsStopWithABeepOrWrap)
{
    Setup(2, 1, 3.55L, 0.01L, 3.55L);
    Up(1000);
    EXPECT_EQ(Text, "3.55");
    EXPECT_EQ(Beeps, 1);
    Wrap = true;
    Up(1000);
    EXPECT_EQ(Text, "1.00");
    Down(1000);
    EXPECT_EQ(Text, "3.55");
    Wrap = false;
    Text = "1.00";
    Down(1000);
    EXPECT_EQ(Text, "1.00");
    EXPECT_EQ(Beeps, 2);
}

TEST_F(NumStepperTest, AValueBelowTheRangeIsClampedNotStepped)
{
    Setup(2, 1, 3.55L, 0.01L, 0.5L);
    Up(1000);
    EXPECT_EQ(Text, "1.00");
    EXPECT_EQ(Beeps, 1);
    Text = "0.50";
    Down(1000);
    EXPECT_EQ(Text, "1.00");
    EXPECT_EQ(Beeps, 2);
    Wrap = true;
    Text = "0.50";
    Down(1000);
    EXPECT_EQ(Text, "3.55");
}

TEST_F(NumStepperTest, WithoutARangeStepsNeverAccelerateStopOrWrap)
{
    Setup(-1, 0, 0, 1, 0);
    Wrap = true;
    for (int i = 0; i < 30; ++i)
        Down(50);
    EXPECT_EQ(Value(), -30);
    EXPECT_EQ(Stepper.CurrentStep(), 1);
    EXPECT_EQ(Beeps, 0);
}

TEST_F(NumStepperTest, StepsReachBoundsDespiteRoundingNoise)
{
    struct Grid { TNumValue Max, Increment; };
    for (const Grid g : {Grid{9.9L, 0.1L}, Grid{3.05L, 0.01L}, Grid{5.1L, 0.02L}, Grid{0.3L, 0.1L}, Grid{2.55L, 0.01L}}) {
        {
            const TNumValue max = g.Max, inc = g.Increment;
            TNumRange r;
            r.SetMaxValue(max);
            Range = r;
            Stepper = TNumStepper([this] { return Now; });
            Stepper.SetIncrement(inc, Range);
            Format.Decimals = -1;
            Text = "0";
            const int steps = int(RoundHalfEven(max / inc));
            Beeps = 0;
            for (int i = 0; i < steps; ++i)
                Up(1000);
            EXPECT_EQ(Value(), max) << double(max) << " by " << double(inc);
            EXPECT_EQ(Beeps, 0) << double(max) << " by " << double(inc);
            for (int i = 0; i < steps; ++i)
                Down(1000);
            EXPECT_EQ(Text, "0") << double(max) << " by " << double(inc);
        }
    }
}

TEST_F(NumStepperTest, RoundToIncrementTiesGoToTheEvenMultiple)
{
    Setup(1, 0, 255, 1, 0);
    struct Case { const char* Before; const char* After; };
    const Case cases[] = {{"63.5", "64.0"}, {"62.5", "62.0"}, {"62.6", "63.0"}, {"0.5", "0.0"}, {"255.0", "255.0"}};
    for (const auto& c : cases) {
        Text = c.Before;
        Stepper.RoundToIncrement(Range, Host());
        EXPECT_EQ(Text, c.After) << c.Before;
    }
    // the grid counts from MinValue and never passes MaxValue
    TNumRange r;
    r.SetMaxValue(10);
    r.SetMinValue(1);
    Range = r;
    Stepper.SetIncrement(4, Range);
    Text = "11.0"; // (11 - 1) / 4 = 2.5 -> 2 -> 9.0
    Stepper.RoundToIncrement(Range, Host());
    EXPECT_EQ(Text, "9.0");
    Text = "11.5"; // 2.625 -> 3 -> 13, above the maximum -> 9
    Stepper.RoundToIncrement(Range, Host());
    EXPECT_EQ(Text, "9.0");

    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(-3.5L), -4);
    EXPECT_EQ(RoundHalfEven(254.5L), 254);
}

// Halves are decided on the numbers as written: in binary 0.35 / 0.1 is a
// little below 3.5, yet 0.35 lies halfway between 0.30 and 0.40.
TEST_F(NumStepperTest, RoundToIncrementDecidesHalvesOnTheWrittenDecimals)
{
    struct Case { double Min, Increment; const char* Before; const char* After; };
    const Case cases[] = {
        {0, 0.1, "0.35", "0.40"},   {0, 0.1, "0.75", "0.80"},   {0, 0.1, "0.25", "0.20"},
        {0, 0.1, "0.34", "0.30"},   {0, 0.1, "-0.35", "-0.40"}, {0, 0.05, "0.125", "0.100"},
        {0, 0.05, "0.075", "0.100"}, {0, 0.05, "0.175", "0.200"}, {0, 0.02, "0.03", "0.04"},
        {0, 0.02, "0.05", "0.04"},  {0, 0.02, "0.07", "0.08"},  {0.5, 0.1, "0.85", "0.90"},
        {0.5, 0.1, "0.95", "0.90"}, {0.01, 0.02, "0.04", "0.05"}, {0, 0.1, "1234567.85", "1234567.80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Before) + " to " + std::to_string(c.Increment) + " from " + std::to_string(c.Min));
        Range = TNumRange();
        Range.SetMaxValue(2e6);
        Range.SetMinValue(c.Min);
        Stepper = TNumStepper([this] { return Now; });
        ASSERT_TRUE(Stepper.SetIncrement(c.Increment, Range));
        Format.Decimals = int(QString(c.After).section('.', 1).size());
        Text = c.Before;
        Stepper.RoundToIncrement(Range, Host());
        EXPECT_EQ(Text, QString(c.After));
    }
}

TEST_F(NumStepperTest, RoundToIncrementCannotOverflow)
{
    Format.Decimals = -1;
    TNumRange r;
    r.SetMaxValue(LDBL_MAX);
    r.SetMinValue(-LDBL_MAX);
    Range = r;
    ASSERT_TRUE(Stepper.SetIncrement(1e-4000L, Range));
    for (const char* t : {"1E4932", "-1E4932", "1E300", "0.5"}) {
        Text = t;
        const TNumValue before = Value();
        Stepper.RoundToIncrement(Range, Host());
        EXPECT_EQ(Value(), before) << t;
    }
    // stepping at the top saturates instead of producing a non-finite text
    Range = TNumRange();
    ASSERT_TRUE(Stepper.SetIncrement(1e4932L, Range));
    Text = Format.FormatValue(LDBL_MAX);
    const QString top = Text;
    Up(1000);
    EXPECT_EQ(Text, top);
}

TEST_F(NumStepperTest, SetIncrementAcceptance)
{
    Range.SetMaxValue(2);
    EXPECT_FALSE(Stepper.SetIncrement(5, Range)); // wider than the range
    EXPECT_FALSE(Stepper.SetIncrement(0, Range));
    EXPECT_FALSE(Stepper.SetIncrement(-1, Range));
    EXPECT_FALSE(Stepper.SetIncrement(NAN, Range));
    EXPECT_FALSE(Stepper.SetIncrement(1, Range)); // unchanged
    EXPECT_EQ(Stepper.Increment(), 1);
    EXPECT_TRUE(Stepper.SetIncrement(2, Range));
    EXPECT_TRUE(Stepper.SetIncrement(5, TNumRange())); // no range: any width
    EXPECT_EQ(Stepper.Increment(), 5);
    EXPECT_EQ(Stepper.CurrentStep(), 5);
}
