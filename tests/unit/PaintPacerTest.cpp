#include "PaintPacer.h"

#include "ManualPacing.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace ostan;

namespace {

// A client recording the fake time of each AboutToPaint.
class TRecorder : public TPaintClient {
public:
    explicit TRecorder(const fakes::FakeClock& C) : Clock(C) {}
    std::vector<uint32_t> Shown;
    std::function<void()> OnShow;

protected:
    void AboutToPaint() override
    {
        Shown.push_back(Clock.Now);
        if (OnShow)
            OnShow();
    }

private:
    const fakes::FakeClock& Clock;
};

// A widget that counts its paints and when they came.
class TPainted : public QWidget {
public:
    explicit TPainted(const fakes::FakeClock& C) : Clock(C) {}
    std::vector<uint32_t> Paints;

protected:
    void paintEvent(QPaintEvent*) override { Paints.push_back(Clock.Now); }

private:
    const fakes::FakeClock& Clock;
};

} // namespace

// A change asked for at any moment of an interval reaches the client by the
// interval's end, asked for after a quiet interval at once; a stream of them
// brings one AboutToPaint per interval.
TEST(PaintPacer, AClientIsShownWithinOneIntervalAndAtMostOncePerInterval)
{
    test::TManualPacing Pacing;
    TRecorder Client(Pacing.Clock);
    Client.AskToPaint();
    TPaintPacer::Instance().Poll();
    EXPECT_EQ(Client.Shown.size(), 1u); // after a quiet interval: at once

    for (const uint32_t After : {0u, 1u, 37u, 99u, 100u, 250u}) {
        SCOPED_TRACE(After);
        Pacing.Advance(250); // quiet
        Client.Shown.clear();
        TPaintPacer::Instance().Poll();
        Client.AskToPaint(); // opens an interval
        TPaintPacer::Instance().Poll();
        ASSERT_EQ(Client.Shown.size(), 1u);
        Pacing.Advance(After);
        const uint32_t Asked = Pacing.Clock.Now;
        Client.AskToPaint();
        Client.AskToPaint(); // asking twice is asking once
        Pacing.Advance(2 * PaintIntervalMs);
        ASSERT_EQ(Client.Shown.size(), 2u);
        EXPECT_LE(Client.Shown[1] - Asked, uint32_t(PaintIntervalMs));
        EXPECT_GE(Client.Shown[1] - Client.Shown[0], After < PaintIntervalMs ? uint32_t(PaintIntervalMs) : 0u);
    }

    // Asked every millisecond for a second: ten or eleven times, spaced by
    // the interval.
    Pacing.Advance(250);
    Client.Shown.clear();
    Pacing.Advance(1000, [&] { Client.AskToPaint(); });
    ASSERT_GE(Client.Shown.size(), 10u);
    ASSERT_LE(Client.Shown.size(), 11u);
    for (size_t i = 1; i < Client.Shown.size(); ++i)
        EXPECT_EQ(Client.Shown[i] - Client.Shown[i - 1], uint32_t(PaintIntervalMs));
}

// A paced window paints at the interval's end, right after the clients, and
// not in between; an unpaced one paints when it asks.
TEST(PaintPacer, APacedWindowPaintsRightAfterTheClientsOncePerInterval)
{
    test::TManualPacing Pacing;
    TPainted Paced(Pacing.Clock), Free(Pacing.Clock);
    for (TPainted* W : {&Paced, &Free}) {
        W->resize(50, 50);
        W->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(W));
    }
    TPaintPacer::Instance().Pace(&Paced);
    EXPECT_TRUE(TPaintPacer::Instance().Paced(&Paced));
    EXPECT_FALSE(TPaintPacer::Instance().Paced(&Free));
    Pacing.Advance(2 * PaintIntervalMs);

    // The client changes the window as the interval ends.
    TRecorder Client(Pacing.Clock);
    Client.OnShow = [&] { Paced.update(); };
    Paced.Paints.clear();
    Free.Paints.clear();
    Pacing.Advance(1000, [&] {
        Client.AskToPaint();
        if (Pacing.Clock.Now % 7 == 0) { // the window's own requests too
            Paced.update();
            Free.update();
        }
    });
    EXPECT_EQ(Paced.Paints, Client.Shown);
    for (size_t i = 1; i < Paced.Paints.size(); ++i)
        EXPECT_GE(Paced.Paints[i] - Paced.Paints[i - 1], uint32_t(PaintIntervalMs));
    EXPECT_GT(Free.Paints.size(), 100u);

    // A request after a quiet interval paints as soon as the loop runs, so a
    // key is answered at once; a synchronous repaint within the interval
    // waits for its end.
    Pacing.Advance(2 * PaintIntervalMs);
    Paced.Paints.clear();
    Paced.update();
    QCoreApplication::processEvents();
    ASSERT_EQ(Paced.Paints.size(), 1u);
    Pacing.Advance(10);
    Paced.repaint();
    EXPECT_EQ(Paced.Paints.size(), 1u);
    Pacing.Advance(PaintIntervalMs);
    ASSERT_EQ(Paced.Paints.size(), 2u);
    EXPECT_EQ(Paced.Paints[1] - Paced.Paints[0], uint32_t(PaintIntervalMs));
}

// For a reader of the widgets the waiting clients are shown at once; a client
// gone meanwhile is skipped, also when another one's AboutToPaint removes it.
TEST(PaintPacer, ShowLatestAndClientsThatGoAway)
{
    test::TManualPacing Pacing;
    Pacing.Advance(PaintIntervalMs);
    TRecorder First(Pacing.Clock);
    auto Second = std::make_unique<TRecorder>(Pacing.Clock);
    auto Gone = std::make_unique<TRecorder>(Pacing.Clock);
    First.OnShow = [&] { Second.reset(); };
    First.AskToPaint();
    Second->AskToPaint();
    Gone->AskToPaint();
    Gone.reset();
    EXPECT_TRUE(First.PaintAsked());
    ShowLatest();
    EXPECT_EQ(First.Shown.size(), 1u);
    EXPECT_EQ(Second, nullptr);
    EXPECT_FALSE(First.PaintAsked());

    // Shown at once, nothing waits for the interval's end.
    Pacing.Advance(2 * PaintIntervalMs);
    EXPECT_EQ(First.Shown.size(), 1u);
}
