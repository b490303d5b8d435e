#include "Allocator.h"
#include "Beep.h"
#include "MessageBox.h"
#include "QtWorkers.h"
#include "Ticks.h"

#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>

using namespace ostan;

TEST(Ticks, DeadlinesSurviveTheWrap)
{
    struct Case { uint32_t deadline, now; bool passed; };
    const Case cases[] = {
        {1000, 999, false},       {1000, 1000, false},     {1000, 1001, true},
        {0xFFFFFF00u, 0x10, true}, // counter wrapped after the deadline was set
        {0x10, 0xFFFFFF00u, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TickDeadlinePassed(c.deadline, c.now), c.passed) << c.deadline << " " << c.now;
    EXPECT_EQ(TicksSince(0xFFFFFFF0u, 0x10), 0x20u);
}

TEST(Ticks, PumpUntilEndsOnConditionOrFakeDeadline)
{
    uint32_t now = 0xFFFFFFF0u; // starts just before the wrap
    SetTickSourceForTest([&] { return now += 10; });
    int polls = 0;
    EXPECT_FALSE(PumpUntil([&] { ++polls; return false; }, 200));
    EXPECT_GE(polls, 19);
    EXPECT_LE(polls, 22);

    bool fired = false;
    SetTickSourceForTest({});
    QTimer::singleShot(10, [&] { fired = true; });
    EXPECT_TRUE(PumpUntil([&] { return fired; }, 20000));
}

TEST(Services, RecordersReplaceBoxesAndBeepsAndRestore)
{
    {
        MessageBoxRecorder boxes;
        BeepRecorder beeps;
        int nested = 0;
        boxes.OnShow = [&](const MessageBoxRequest&) { ++nested; };
        EXPECT_EQ(ShowMessageBox(MsgType::Error, "a\rb"), 1);
        DataBeep(400, 20);
        MessageBeep(0);
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Boxes[0].Type, MsgType::Error);
        EXPECT_EQ(boxes.Boxes[0].Text, "a\rb");
        EXPECT_EQ(nested, 1);
        ASSERT_EQ(beeps.DataBeeps.size(), 1u);
        EXPECT_EQ(beeps.DataBeeps[0].Frequency, 400);
        EXPECT_EQ(beeps.DataBeeps[0].Duration, 20u);
        EXPECT_EQ(beeps.MessageBeeps, std::vector<unsigned>{0});
    }
    MessageBoxRecorder outer;
    {
        MessageBoxRecorder inner;
        ShowMessageBox(MsgType::Information, "x");
        EXPECT_EQ(inner.Boxes.size(), 1u);
    }
    ShowMessageBox(MsgType::Information, "y");
    EXPECT_EQ(outer.Texts(), QStringList{"y"});
}

// A sound device that counts what is done to it.
struct CountingDevice {
    int Opens = 0, Plays = 0, Closes = 0;
    bool CanOpen = true, CanPlay = true;
    SoundDevice Device()
    {
        return {[this] { ++Opens; return CanOpen; }, [this](uint16_t, uint32_t) { ++Plays; return CanPlay; },
                [this] { ++Closes; }};
    }
};

TEST(Services, TheSoundDeviceStaysOpenWhileSoundIsOn)
{
    CountingDevice d;
    const SoundDevice previous = SetSoundDeviceForTest(d.Device());
    SetSoundOn(true);
    EXPECT_EQ(d.Opens, 1); // opened when sound goes on, before the first beep
    for (int i = 0; i < 5; ++i)
        DataBeep(400, 20);
    EXPECT_EQ(d.Plays, 5);
    EXPECT_EQ(d.Opens, 1);
    EXPECT_EQ(d.Closes, 0);
    SetSoundOn(false);
    EXPECT_EQ(d.Closes, 1);
    SetSoundOn(false);
    EXPECT_EQ(d.Closes, 1);

    // No device: the system beep stands in, and the device is not tried at
    // every beep, only at the next switch-on.
    d = CountingDevice();
    d.CanOpen = false;
    SetSoundDeviceForTest(d.Device());
    SetSoundOn(true);
    DataBeep(400, 1);
    DataBeep(400, 1);
    EXPECT_EQ(d.Opens, 1);
    EXPECT_EQ(d.Plays, 0);
    d.CanOpen = true;
    SetSoundOn(true);
    DataBeep(400, 1);
    EXPECT_EQ(d.Opens, 2);
    EXPECT_EQ(d.Plays, 1);

    // A device that fails to play is closed and not used again until then.
    d.CanPlay = false;
    DataBeep(400, 1);
    DataBeep(400, 1);
    EXPECT_EQ(d.Plays, 2);
    EXPECT_EQ(d.Closes, 1);
    SetSoundOn(false);
    SetSoundDeviceForTest(previous);
}

// Qt's painting pool names its threads as the end of the process expects;
// they are counted while they run and gone once the end has waited.
TEST(QtWorkers, APoolThreadIsCountedWhileItRunsAndGoneAfterTheEnd)
{
    const int Before = QtWorkerThreadCount();
    {
        TQtWorkersEnd End;
        auto Pool = std::make_unique<QThreadPool>();
        QSemaphore Started, Release;
        Pool->start([&] {
            Started.release();
            Release.acquire();
        });
        Started.acquire();
        EXPECT_EQ(QtWorkerThreadCount(), Before + 1);
        Release.release();
        Pool.reset();
    }
    EXPECT_EQ(QtWorkerThreadCount(), Before);
}

// A block of 64 KiB, far below the C library's own threshold, gets a mapping
// of its own, also after another such block was freed: left adaptive, the
// threshold would rise and the next one would come from the heap.
TEST(Allocator, BlocksFromSixteenKibibytesAreMappedOnTheirOwn)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "the C library's allocator is not the one in use";
#else
    static void* volatile Block;
    SettleAllocator();
    constexpr std::size_t Size = 64 * 1024;
    Block = std::malloc(Size);
    std::free(Block);
    const std::size_t Mapped = ::mallinfo2().hblkhd;
    Block = std::malloc(Size);
    EXPECT_GE(::mallinfo2().hblkhd, Mapped + Size);
    std::free(Block);
#endif
}
