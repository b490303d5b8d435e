#include "Logo.h"
#include "Ticks.h"
#include "Version.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostan;

namespace {

// A clock that moves 10 ms at every reading; the test sets the start-up's
// length by moving it directly.
struct FakeClock {
    uint32_t Now = 0xFFFFF000u; // close to the counter's wrap
    FakeClock() { SetTickSourceForTest([this] { return Now += 10; }); }
    ~FakeClock() { SetTickSourceForTest({}); }
};

void DeleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

TEST(LogoForm, ShowsAtOnceWithTheVersion)
{
    QPointer<TLogoForm> f = new TLogoForm;
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->size(), QSize(319, 68));
    EXPECT_TRUE(f->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f->Label1->text(), "OSTAN");
    EXPECT_EQ(f->LabelVersion->text(), "Версия 2.4");
    EXPECT_EQ(f->Label2->text(), "Инициализация ...");
    EXPECT_TRUE(f->CloseTimer->isActive());
    EXPECT_EQ(f->CloseTimer->interval(), 2500);
    f->CloseTimerTimer();
    EXPECT_TRUE(f->TimerFired);
    EXPECT_FALSE(f->CloseTimer->isActive());
    f->close();
    DeleteDeferred();
    EXPECT_TRUE(f.isNull());
}

TEST(LogoForm, WithoutTwoVersionPartsKeepsTheDesignText)
{
    SetVersionInfoTableForTest(TVersionInfo{{{"041904E3", {{"FileVersion", "7"}, {"LegalCopyright", "x"}}}}});
    TLogoForm f;
    SetVersionInfoTableForTest(std::nullopt);
    EXPECT_EQ(f.LabelVersion->text(), "Информация о версии не найдена");
    f.CloseTimerTimer();
}

TEST(LogoForm, FastStartUpWaitsForTheMinimumTimeWhilePumping)
{
    FakeClock clock;
    QPointer<TLogoForm> f = new TLogoForm;
    const uint32_t created = clock.Now;
    clock.Now = created + 1000; // start-up took 1 s

    bool pumped = false;
    bool visibleWhileWaiting = true;
    QTimer::singleShot(0, [&] {
        pumped = true;
        visibleWhileWaiting = f && f->isVisible() && !f->TimerFired;
    });
    EXPECT_TRUE(f->close());
    EXPECT_TRUE(pumped);
    EXPECT_TRUE(visibleWhileWaiting);
    EXPECT_GE(TicksSince(created, clock.Now), 2500u);
    EXPECT_LT(TicksSince(created, clock.Now), 2600u);
    ASSERT_FALSE(f.isNull()); // released once the queued messages are handled
    DeleteDeferred();
    EXPECT_TRUE(f.isNull());
}

TEST(LogoForm, SlowStartUpClosesAtOnce)
{
    FakeClock clock;
    QPointer<TLogoForm> f = new TLogoForm;
    const uint32_t created = clock.Now;
    clock.Now = created + 5000; // start-up took 5 s
    EXPECT_TRUE(f->close());
    EXPECT_LT(TicksSince(created + 5000, clock.Now), 100u);
    DeleteDeferred();
    EXPECT_TRUE(f.isNull());
}

TEST(LogoForm, ATimeoutBeforeTheMinimumTimeWaitsForTheRest)
{
    FakeClock clock;
    QPointer<TLogoForm> f = new TLogoForm;
    EXPECT_EQ(f->CloseTimer->timerType(), Qt::PreciseTimer);
    const uint32_t created = clock.Now;

    // A timer that fires 4 % early, as a coarse one may.
    clock.Now = created + 2400;
    f->CloseTimerTimeout();
    EXPECT_FALSE(f->TimerFired);
    ASSERT_TRUE(f->CloseTimer->isActive());
    EXPECT_GE(f->CloseTimer->interval(), 70);
    EXPECT_LE(f->CloseTimer->interval(), 100);

    clock.Now = created + 2500;
    f->CloseTimerTimeout();
    EXPECT_TRUE(f->TimerFired);
    EXPECT_FALSE(f->CloseTimer->isActive());
    EXPECT_TRUE(f->close());
    EXPECT_LT(TicksSince(created + 2500, clock.Now), 100u);
    DeleteDeferred();
    EXPECT_TRUE(f.isNull());
}
