// Link supervision on the fake clock, the status byte's indicators and the
// power-loss rule.
#include "LinkFixture.h"
#include "QtLinkTimer.h"

#include <QTest>

using namespace ostan;
using namespace ostan::fakes;

namespace {

const QString PowerLost = QStringLiteral("Питание адатпера было отключено.\rНеобходимо заново выбрать прибор.");
const IndicatorState D{false, IndicatorColor::ButtonFace};
const IndicatorState L{true, IndicatorColor::Lime};
const IndicatorState Y{true, IndicatorColor::Yellow};
const IndicatorState R{true, IndicatorColor::Red};

} // namespace

TEST_F(LinkTest, SilenceTakesTheLinkDownAfterTwoPeriods)
{
    Port.Num = 3;
    Feed({0x73, 0x1B, 0x68});
    Feed(Status(0x2C));
    EXPECT_EQ(Link.View().StatusPanelText, "COM3");
    EXPECT_TRUE(Link.View().AdpResetEnabled && Link.View().KZResetEnabled && Link.View().FirmwareVersionEnabled);

    // Activity restarts the period.
    Timer.Advance(1000);
    Feed(Status(0x2C));
    Feed({0x62, 0x2C}); // a partial frame
    Timer.Advance(1599);
    EXPECT_FALSE(Link.Supervisor().NoActivity());
    EXPECT_EQ(Link.Receiver().RxCount(), 2);

    // First silent tick: still shown up, the partial frame dropped.
    Timer.Advance(1);
    EXPECT_TRUE(Link.Supervisor().LinkUp());
    EXPECT_TRUE(Link.Supervisor().NoActivity());
    EXPECT_EQ(Link.View().StatusPanelText, "COM3");
    EXPECT_EQ(Link.Receiver().RxCount(), 0);
    Feed({0x4E}); // would have completed it; now a refused header candidate
    EXPECT_EQ(Link.Receiver().RxCount(), 0);
    EXPECT_EQ(Link.View().Indicators[labKZ], R);

    // Second silent tick: down.
    const int views = Host.ViewChanges;
    Timer.Advance(1600);
    EXPECT_FALSE(Link.Supervisor().LinkUp());
    EXPECT_EQ(Link.View().StatusPanelText, "Нет связи");
    for (const auto& s : Link.View().Indicators)
        EXPECT_EQ(s, D);
    EXPECT_FALSE(Link.View().AdpResetEnabled || Link.View().KZResetEnabled || Link.View().FirmwareVersionEnabled);
    EXPECT_FALSE(Timer.Enabled());
    EXPECT_GT(Host.ViewChanges, views);

    // Stopped timer: an incomplete frame now waits for its remaining bytes,
    // and it brings the link back up.
    Feed({0x62, 0x21});
    Timer.Advance(60000);
    EXPECT_EQ(Link.Receiver().RxCount(), 2);
    Feed({0x43});
    EXPECT_TRUE(Link.Supervisor().LinkUp());
    EXPECT_EQ(Link.View().StatusPanelText, "COM3");
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_TRUE(Link.View().AdpResetEnabled);
}

TEST_F(LinkTest, HeartbeatMovesOnEachActivityAndStartsOver)
{
    std::vector<int> seen;
    for (int i = 0; i < 12; ++i) {
        Link.MarkLinkActive();
        seen.push_back(Link.Supervisor().ProgressPosition());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}));
}

TEST_F(LinkTest, StatusByteLightsTheIndicators)
{
    struct Case {
        uint8_t status;
        // Label6 DEV, Label5 PIP, Label9 reception, Label2 data error, labKZ, Label7 overflow
        std::array<IndicatorState, IndicatorCount> lit;
        bool kzReset;
    };
    const Case cases[] = {
        {0x00, {L, D, L, Y, D, D}, false},
        {0x2C, {D, L, L, Y, R, D}, true},
        {0x01, {L, D, D, D, D, D}, false},
        {0x48, {L, D, L, Y, D, R}, false},
        {0x09, {L, D, D, D, D, D}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.status));
        Sync();
        Feed({0x5F, 0x00, 0x00}); // refused, no plug-in: lights the data error
        ASSERT_EQ(Link.View().Indicators[Label2], Y);
        Feed(Status(c.status));
        EXPECT_EQ(Link.View().Indicators, c.lit);
        EXPECT_EQ(Link.View().KZResetEnabled, c.kzReset);
        EXPECT_EQ(Link.Supervisor().PowerOn(), (c.status & 0x08) != 0);
    }
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(LinkTest, PowerLossUnloadsThePluginOnce)
{
    struct Case {
        const char* name;
        uint8_t firmware;
        bool plugin;
        uint32_t selected, now;
        uint8_t status;
        int unread;
        bool unload;
        bool beep;
    };
    const Case cases[] = {
        {"power gone", 25, true, 1000, 1051, 0x00, 0, true, false},
        {"power gone, unread bytes", 27, true, 1000, 2000, 0x21, 4, true, true},
        {"firmware 24", 24, true, 1000, 9000, 0x00, 4, false, false},
        {"no plug-in", 25, false, 1000, 9000, 0x00, 0, false, false},
        {"30 ms after the activation", 25, true, 1000, 1030, 0x00, 0, false, false},
        {"exactly 50 ms", 25, true, 1000, 1050, 0x00, 0, false, false},
        {"power present", 25, true, 1000, 9000, 0x08, 0, false, false},
        {"across the wrap, 64 ms", 25, true, 0xFFFFFFF0u, 0x30, 0x00, 0, true, false},
        {"across the wrap, 32 ms", 25, true, 0xFFFFFFF0u, 0x10, 0x00, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Clear();
        Beeps.MessageBeeps.clear();
        Host.Unloads = 0;
        Sync(c.firmware);
        Host.Plugin = c.plugin;
        Clock.Now = c.selected;
        Link.SelectDevice(3, 0x12);
        Clock.Now = c.now;
        Port.Unread = c.unread;
        int unloadsAtBox = -1;
        Boxes.OnShow = [&](const MessageBoxRequest&) { unloadsAtBox = Host.Unloads; };
        Feed(Status(c.status));
        EXPECT_EQ(Host.Unloads, c.unload ? 1 : 0);
        EXPECT_EQ(Boxes.Texts(), c.unload ? QStringList{PowerLost} : QStringList{});
        if (c.unload) {
            EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Information);
            EXPECT_EQ(unloadsAtBox, 1);
        }
        EXPECT_EQ(Beeps.MessageBeeps, c.beep ? std::vector<unsigned>{0} : std::vector<unsigned>{});
        EXPECT_TRUE(Link.Supervisor().LinkUp()); // a status frame is activity either way
    }
}

TEST_F(LinkTest, StatusFramesDuringThePowerLossBoxKeepTheirOrder)
{
    Sync(27);
    Host.Plugin = true;
    Link.SelectDevice(3, 0x12);
    Clock.Now += 1000;
    Boxes.OnShow = [&](const MessageBoxRequest&) {
        Port.Queue(Status(0x00));
        Link.VaComm1RxChar();
    };
    Bytes read = Status(0x00);
    const Bytes later = Status(0x2C);
    read.insert(read.end(), later.begin(), later.end());
    Feed(read);
    EXPECT_EQ(Boxes.Texts(), QStringList{PowerLost});
    EXPECT_EQ(Host.Unloads, 1);
    // The frame read inside the box came last, so its state stands.
    EXPECT_FALSE(Link.Supervisor().PowerOn());
    EXPECT_EQ(Link.View().Indicators[labKZ], D);
    EXPECT_EQ(Host.LogLines, (QStringList{"62.00.62.(Status)", "62.2C.4E.(Status)", "62.00.62.(Status)"}));
}

TEST(QtLinkTimer, DrivesTheSupervisionOnTheEventLoop)
{
    FakePort port;
    FakeHost host;
    TQtLinkTimer timer(1600);
    EXPECT_EQ(timer.Interval(), 1600);
    EXPECT_FALSE(timer.Enabled());
    timer.SetInterval(5);
    TAdapterLink link(port, timer, host);
    link.MarkLinkActive();
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link.Supervisor().LinkUp(); }, 5000));
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(link.View().StatusPanelText, "Нет связи");
}
