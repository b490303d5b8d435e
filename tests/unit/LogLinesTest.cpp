#include "LogLines.h"

#include <gtest/gtest.h>

using namespace ostan;

namespace {

// What the receive machine sends for one recognised frame.
void Frame(TLogLines& L, std::initializer_list<const char*> Bytes, const char* Label)
{
    for (const char* b : Bytes)
        L.AddText(QString::fromLatin1(b) + QLatin1Char('.'), true);
    L.AddText(QString::fromLatin1(Label), false);
}

} // namespace

TEST(LogLines, FirstBytesGoBelowTheHeadingAndLabelsEndLines)
{
    TLogLines L;
    EXPECT_EQ(L.Lines(), (QStringList{"Данные:", ""}));
    Frame(L, {"73", "1B", "68"}, "(Init)");
    EXPECT_TRUE(L.LineEndPending);
    L.AddText("62.", true); // a frame without a label runs on into the next
    Frame(L, {"74", "1B"}, "(Echo)");
    EXPECT_EQ(L.Lines(), (QStringList{"Данные:", "73.1B.68.(Init)", "62.74.1B.(Echo)"}));
    EXPECT_EQ(L.Text(), "Данные:\n73.1B.68.(Init)\n62.74.1B.(Echo)");
}

TEST(LogLines, LineStartThatFindsMaxLinesEmptiesTheLog)
{
    TLogLines L;
    ASSERT_TRUE(L.SetMaxLinesText("3"));
    Frame(L, {"01"}, "(A)");
    Frame(L, {"02"}, "(B)");
    EXPECT_EQ(L.Lines().size(), 3);
    const auto gen = L.Generation();
    L.AddText("03.", true); // line start finds three lines
    EXPECT_EQ(L.Lines(), QStringList{"03."});
    EXPECT_NE(L.Generation(), gen);
    L.AddText("(C)", false);
    Frame(L, {"04"}, "(D)");
    Frame(L, {"05"}, "(E)");
    EXPECT_EQ(L.Lines(), (QStringList{"03.(C)", "04.(D)", "05.(E)"}));

    // With the default limit the log never exceeds 14 lines.
    TLogLines D;
    for (int i = 0; i < 100; ++i) {
        Frame(D, {"62", "00", "62"}, "(Status)");
        ASSERT_LE(D.Lines().size(), TLogLines::DefaultMaxLines);
    }
}

TEST(LogLines, ClearKeepsLineEndPending)
{
    // Cleared in the middle of a frame: its rest starts the empty log's first line.
    TLogLines mid;
    mid.AddText("73.", true);
    mid.Clear();
    EXPECT_TRUE(mid.Lines().isEmpty());
    EXPECT_FALSE(mid.LineEndPending);
    Frame(mid, {"1B", "68"}, "(Init)");
    EXPECT_EQ(mid.Lines(), QStringList{"1B.68.(Init)"});

    // Cleared after a label: the pending line start happens on the empty log,
    // so the next frame still lands on the first line.
    TLogLines after;
    Frame(after, {"73", "1B", "68"}, "(Init)");
    after.Clear();
    EXPECT_TRUE(after.LineEndPending);
    Frame(after, {"62"}, "(Status)");
    Frame(after, {"74"}, "(Echo)");
    EXPECT_EQ(after.Lines(), (QStringList{"62.(Status)", "74.(Echo)"}));
}

TEST(LogLines, RecordingOffRecordsNothingAndMarksNoLineEnd)
{
    TLogLines L;
    L.AddText("73.", true);
    L.Recording = false;
    Frame(L, {"1B", "68"}, "(Init)");
    EXPECT_EQ(L.Lines(), (QStringList{"Данные:", "73."}));
    EXPECT_FALSE(L.LineEndPending);
    L.Recording = true;
    L.AddText("74.", true); // continues the line left open
    EXPECT_EQ(L.Lines(), (QStringList{"Данные:", "73.74."}));
}

TEST(LogLines, LimitEntryTakesIntegersOfOneOrMoreOnly)
{
    TLogLines L;
    ASSERT_EQ(L.MaxLines, 14);
    for (const char* bad : {"", "0", "-5", "abc", "2x", "1.5", "99999999999"}) {
        EXPECT_FALSE(L.SetMaxLinesText(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(L.MaxLines, 14) << bad;
    }
    // Each keystroke applies: typing 20 over a selected 14 gives 2, then 20.
    EXPECT_TRUE(L.SetMaxLinesText("2"));
    EXPECT_EQ(L.MaxLines, 2);
    EXPECT_TRUE(L.SetMaxLinesText("20"));
    EXPECT_EQ(L.MaxLines, 20);
    EXPECT_TRUE(L.SetMaxLinesText("1"));
    EXPECT_EQ(L.MaxLines, 1);
}

TEST(LogLines, UnlabelledBytesBreakTheLineAtItsLengthBound)
{
    TLogLines L;
    L.Clear();
    const int perLine = TLogLines::MaxLineLength / 3;
    for (int i = 0; i < perLine; ++i)
        L.AddText("5F.", true);
    ASSERT_EQ(L.Lines().size(), 1);
    L.AddText("(Data)", false); // a label stays with its bytes
    EXPECT_TRUE(L.Lines()[0].endsWith("5F.(Data)"));
    L.Clear();
    for (int i = 0; i < perLine + 1; ++i)
        L.AddText("5F.", true);
    EXPECT_EQ(L.Lines(), (QStringList{QString("5F.").repeated(perLine), "5F."}));

    // A stream of refused frames stays within MaxLines lines of bounded length.
    for (int i = 0; i < 100000; ++i)
        L.AddText("A5.", true);
    EXPECT_LE(L.Lines().size(), L.MaxLines);
    for (const QString& line : L.Lines())
        EXPECT_LE(line.size(), TLogLines::MaxLineLength);
}
