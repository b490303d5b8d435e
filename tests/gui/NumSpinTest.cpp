#include "Beep.h"
#include "NumControlsSupport.h"
#include "NumSpin.h"
#include "SpinButton.h"
#include "Ticks.h"

#include <QApplication>
#include <QClipboard>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace ostan;
using ostan::test::FixedSeparators;

namespace {

class NumSpinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTickSourceForTest([this] { return Now; });
        Window = std::make_unique<QWidget>();
        Other = new QLineEdit(Window.get());
        Other->move(0, 60);
        Window->resize(300, 120);
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }
    void TearDown() override { SetTickSourceForTest({}); }

    TNumSpin* Make(int Decimals, TNumValue Min, TNumValue Max, TNumValue Increment, TNumValue Start)
    {
        auto* s = new TNumSpin(Window.get());
        s->SetDecimals(Decimals);
        s->SetMaxValue(Max);
        s->SetMinValue(Min);
        s->SetIncrement(Increment);
        s->SetValue(Start);
        s->show();
        s->setFocus();
        return s;
    }
    void Press(TNumSpin* s, bool Up)
    {
        TSpinButton* b = s->SpinButton();
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(b->width() / 2, Up ? 2 : b->height() - 3));
    }
    void Release(TNumSpin* s) { QTest::mouseRelease(s->SpinButton(), Qt::LeftButton, {}, QPoint(2, 2)); }
    // Holds the button until the value stops at a range end (the beep).
    void HoldToEnd(TNumSpin* s, bool Up)
    {
        const size_t beeps = Beeps.MessageBeeps.size();
        Now += 1000;
        Press(s, Up);
        for (int i = 0; i < 2000 && Beeps.MessageBeeps.size() == beeps; ++i) {
            Now += TSpinButton::RepeatIntervalMs;
            s->SpinButton()->TimerExpired();
        }
        Release(s);
    }

    FixedSeparators Sep;
    BeepRecorder Beeps;
    uint32_t Now = 50000;
    std::unique_ptr<QWidget> Window;
    QLineEdit* Other = nullptr;
};

TNumValue Round(TNumValue x) { return RoundHalfEven(x); }

} // namespace

TEST_F(NumSpinTest, AHeldButtonAccelerates)
{
    TNumSpin* s = Make(-1, 0, 100, 1, 0);
    Press(s, true);
    EXPECT_EQ(s->text(), "1");
    EXPECT_TRUE(s->SpinButton()->Repeating());
    std::vector<int> seen{int(s->Value())};
    for (int i = 1; i < 20; ++i) {
        Now += TSpinButton::RepeatIntervalMs;
        s->SpinButton()->TimerExpired();
        seen.push_back(int(s->Value()));
    }
    Release(s);
    EXPECT_FALSE(s->SpinButton()->Repeating());
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 8, 10, 13, 16, 20, 24, 29, 34, 40, 46, 53, 60, 68, 76}));

    Now += 1000;
    Press(s, false);
    Release(s);
    EXPECT_EQ(s->text(), "75");
    EXPECT_TRUE(s->hasFocus());
}

TEST_F(NumSpinTest, ArrowKeysStepAndAKeyReleaseEndsTheSeries)
{
    TNumSpin* s = Make(-1, 0, 100, 1, 10);
    int keyDowns = 0;
    s->OnKeyDown = [&](TNumEdit*, int& Key, Qt::KeyboardModifiers) { keyDowns += Key == VK_UP; };
    for (int i = 0; i < 7; ++i) {
        Now += 50;
        QTest::keyPress(s, Qt::Key_Up);
    }
    EXPECT_EQ(s->text(), "18"); // the 7th quick step is a double one
    EXPECT_EQ(s->CurrentStep(), 2);
    EXPECT_EQ(keyDowns, 7);
    QTest::keyRelease(s, Qt::Key_Up);
    EXPECT_EQ(s->CurrentStep(), 1);
    EXPECT_EQ(s->ClickCount(), 0);
    Now += 50;
    QTest::keyClick(s, Qt::Key_Down);
    EXPECT_EQ(s->text(), "17");
}

TEST_F(NumSpinTest, AReadOnlySpinBeepsAtEveryKeyAndClick)
{
    TNumSpin* s = Make(-1, 0, 100, 1, 10);
    int events = 0;
    s->OnKeyDown = [&](TNumEdit*, int&, Qt::KeyboardModifiers) { ++events; };
    s->OnKeyUp = [&](TNumEdit*, int&, Qt::KeyboardModifiers) { ++events; };
    s->SetReadOnly(true);
    QTest::keyClick(s, Qt::Key_Up);
    QTest::keyClick(s, Qt::Key_5);
    QTest::keyClick(s, Qt::Key_Backspace);
    Press(s, true);
    Release(s);
    EXPECT_EQ(s->text(), "10");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 4u);
    EXPECT_EQ(events, 0);
}

TEST_F(NumSpinTest, WithTheEditorDisabledOnlyDeletionAndSteppingChangeTheText)
{
    TNumSpin* s = Make(-1, 0, 1000, 1, 123);
    s->SetEditorEnabled(false);
    s->setCursorPosition(3);
    QTest::keyClicks(s, "4");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 1u);
    QGuiApplication::clipboard()->setText("9");
    s->PasteFromClipboard();
    s->selectAll();
    s->CutToClipboard();
    EXPECT_EQ(s->text(), "123");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "9");
    s->setCursorPosition(3);
    QTest::keyClick(s, Qt::Key_Backspace);
    EXPECT_EQ(s->text(), "12");
    Now += 1000;
    QTest::keyClick(s, Qt::Key_Up);
    EXPECT_EQ(s->text(), "13");
}

TEST_F(NumSpinTest, LeavingSnapsToTheIncrementGrid)
{
    TNumSpin* s = Make(1, 0, 255, 1, 0);
    s->SetRoundValues(true);
    struct Case { const char* Typed; const char* Shown; };
    for (const Case c : {Case{"63.5", "64.0"}, Case{"62.5", "62.0"}}) {
        s->setFocus();
        s->selectAll();
        QTest::keyClicks(s, c.Typed);
        Other->setFocus();
        EXPECT_EQ(s->text(), c.Shown) << c.Typed;
    }
    // without a range the snap happens even with RoundValues off
    TNumSpin* free = Make(-1, 0, 0, 1, 2.37L);
    Other->setFocus();
    EXPECT_EQ(free->text(), "2");
    EXPECT_TRUE(Beeps.MessageBeeps.empty());
}

TEST_F(NumSpinTest, IncrementsWiderThanTheRangeAreIgnored)
{
    TNumSpin* s = Make(-1, 0, 2, 1, 0);
    s->SetIncrement(5);
    EXPECT_EQ(s->Increment(), 1);
    s->SetIncrement(0);
    EXPECT_EQ(s->Increment(), 1);
    TNumSpin* free = Make(-1, 0, 0, 1, 0);
    free->SetIncrement(5);
    EXPECT_EQ(free->Increment(), 5);
}

TEST_F(NumSpinTest, TheButtonFillsTheControlAboveItsMinimumHeight)
{
    TNumSpin* s = Make(-1, 0, 0, 1, 0);
    s->resize(120, 5);
    EXPECT_GE(s->height(), s->GetMinHeight());
    s->resize(120, 40);
    const int b = s->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, s);
    EXPECT_EQ(s->SpinButton()->geometry(), QRect(120 - 15 - b, b, 15, 40 - 2 * b));
}

// The three spins of the MOLT-2.1 panel, held to both ends of their ranges,
// give the command argument bytes 0 and 255.
TEST_F(NumSpinTest, Molt2PanelSpinsReachTheArgumentBytesOfTheirEnds)
{
    struct Spin {
        TNumValue Min, Max, Increment, Start;
        int (*Argument)(TNumValue);
        int StartByte;
    };
    const Spin spins[] = {
        {0.50L, 3.05L, 0.01L, 2.50L, [](TNumValue v) { return int(Round(v * 100 - 50)) & 0xFF; }, 200},
        {0.00L, 5.10L, 0.02L, 5.00L, [](TNumValue v) { return int(Round(v * 100 / 2)) & 0xFF; }, 250},
        {0.00L, 2.55L, 0.01L, 1.00L, [](TNumValue v) { return int(Round(v * 100)) & 0xFF; }, 100},
    };
    for (const Spin& sp : spins) {
        TNumSpin* s = Make(2, sp.Min, sp.Max, sp.Increment, sp.Start);
        EXPECT_EQ(sp.Argument(s->Value()), sp.StartByte);
        HoldToEnd(s, true);
        EXPECT_EQ(s->Value(), sp.Max);
        EXPECT_EQ(sp.Argument(s->Value()), 255);
        HoldToEnd(s, false);
        EXPECT_EQ(s->Value(), sp.Min);
        EXPECT_EQ(sp.Argument(s->Value()), 0);
    }
}
