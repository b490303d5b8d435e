// The receive state machine: header acceptance, checks, completions, the log,
// data frames to the plug-in, frames spread over reads, nested receive events.
#include "LinkFixture.h"

#include <stdexcept>

using namespace ostan;
using namespace ostan::fakes;

namespace {

const IndicatorState Dim{false, IndicatorColor::ButtonFace};
const IndicatorState Yellow{true, IndicatorColor::Yellow};

} // namespace

TEST_F(LinkTest, DroppedHeaderCandidatesThenInitFrame)
{
    Feed({0x5F, 0x01, 0x02});
    EXPECT_EQ(Link.Receiver().RxCount(), 0);
    EXPECT_FALSE(Link.Supervisor().LinkUp());
    EXPECT_EQ(Host.ViewChanges, 0); // nothing visible changed, byte by byte
    Feed({0x73, 0x1B, 0x68});
    EXPECT_EQ(Link.Receiver().AdapterFirmwareVersion(), 27);
    EXPECT_TRUE(Link.Receiver().Synced());
    EXPECT_TRUE(Link.Supervisor().LinkUp());
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_EQ(Link.View().StatusPanelText, "COM3");
    // Dropped bytes stay in the log and run on into the next frame's line.
    EXPECT_EQ(Host.LogLines, QStringList{"5F.01.02.73.1B.68.(Init)"});
    EXPECT_GE(Host.ViewChanges, 1);
}

TEST_F(LinkTest, EachFrameKindFromEitherSyncState)
{
    struct Case {
        const char* name;
        bool synced;      // an accepted frame came before
        Bytes bytes;
        bool activity;    // MarkLinkActive ran (the heartbeat moved)
        bool syncedAfter;
        QString line;     // completed log line, empty for none
        int version;      // AdapterFirmwareVersion after (starts at 27)
        std::vector<int> autoSelect;
    };
    const Case cases[] = {
        {"init", false, {0x73, 0x1B, 0x68}, true, true, "73.1B.68.(Init)", 27, {}},
        {"echo", false, {0x74, 0x1A, 0x6E}, true, true, "74.1A.6E.(Echo)", 26, {}},
        {"init bad check", true, {0x73, 0x1B, 0x69}, false, false, "", 27, {}},
        {"status", false, {0x62, 0x21, 0x43}, true, true, "62.21.43.(Status)", 27, {}},
        {"status bad check still active", true, {0x62, 0x21, 0x44}, true, false, "", 27, {}},
        {"device id", true, {0x37, 0x01, 0, 0, 0, 0, 0x01}, false, true, "37.01.00.00.00.00.01.(Device ID)", 27, {1}},
        {"device id bad check", true, {0x37, 0x01, 0, 0, 0, 0, 0x00}, false, false, "", 27, {}},
        {"device id not synced", false, {0x37, 0x01, 0, 0, 0, 0, 0x01}, false, false, "", 27, {}},
        {"data not synced", false, {0x5F, 0x10, 0x20}, false, false, "", 27, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host.AutoSelectIds.clear();
        Host.AutoSelect = true;
        Host.Plugin = true;
        Sync(27);
        if (!c.synced)
            Unsync();
        const int beat = Link.Supervisor().ProgressPosition();
        Feed(c.bytes);
        EXPECT_EQ(Link.Receiver().RxCount(), 0);
        EXPECT_EQ(Link.Supervisor().ProgressPosition() != beat, c.activity);
        EXPECT_EQ(Link.Receiver().Synced(), c.syncedAfter);
        EXPECT_EQ(Host.LogLines, c.line.isEmpty() ? QStringList{} : QStringList{c.line});
        EXPECT_EQ(Link.Receiver().AdapterFirmwareVersion(), c.version);
        EXPECT_EQ(Host.AutoSelectIds, c.autoSelect);
        EXPECT_TRUE(Host.Packets.empty());
        Host.LogLine.clear();
    }
}

TEST_F(LinkTest, StatusFrameLightsIndicatorsOnlyWithAGoodCheck)
{
    Feed({0x62, 0x21, 0x44});
    for (const auto& s : Link.View().Indicators)
        EXPECT_EQ(s, Dim);
    EXPECT_TRUE(Link.Supervisor().LinkUp());

    Feed(Status(0x21) /* check 0x43 */);
    EXPECT_EQ(Link.View().Indicators[Label5], (IndicatorState{true, IndicatorColor::Lime}));
    EXPECT_EQ(Link.View().Indicators[Label9], Dim);
}

TEST_F(LinkTest, AutoSelectOnlyWhileItsActionIsChecked)
{
    Sync();
    Host.AutoSelect = false;
    Feed({0x37, 0x02, 0, 0, 0, 0, 0x02});
    EXPECT_TRUE(Host.AutoSelectIds.empty());
    Host.AutoSelect = true;
    Feed({0x37, 0x03, 0, 0, 0, 0, 0x03});
    EXPECT_EQ(Host.AutoSelectIds, std::vector<int>{3});
}

TEST_F(LinkTest, DataFramesGoToThePluginWhichJudgesThem)
{
    struct Case {
        const char* name;
        bool plugin, accept, sound;
        bool handedOver, activity;
        IndicatorState label2;
        size_t beeps;
    };
    const Case cases[] = {
        {"no plug-in", false, true, true, false, false, Yellow, 0},
        {"refused", true, false, true, true, false, Yellow, 0},
        {"accepted, sound on", true, true, true, true, true, Dim, 1},
        {"accepted, sound off", true, true, false, true, true, Dim, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Host.Packets.clear();
        Beeps.DataBeeps.clear();
        Host.Plugin = c.plugin;
        Host.Accept = c.accept;
        Host.Sound = c.sound;
        Select(5);
        Link.SetIndicator(0, c.label2 == Dim ? 0 : 1, Label2, IndicatorColor::Yellow); // shows the change
        const int beat = Link.Supervisor().ProgressPosition();
        // One byte more than the frame: it is the next header candidate.
        Feed({0x5F, 1, 2, 3, 4, 0x62});
        EXPECT_EQ(Host.Packets.size(), c.handedOver ? 1u : 0u);
        if (c.handedOver) {
            EXPECT_EQ(Host.Packets[0], (Bytes{0x5F, 1, 2, 3, 4}));
        }
        EXPECT_EQ(Link.Receiver().Synced(), c.accept && c.plugin);
        EXPECT_EQ(Link.View().Indicators[Label2], c.label2);
        EXPECT_EQ(Link.Supervisor().ProgressPosition() != beat, c.activity);
        EXPECT_EQ(Host.LogLines, c.activity ? QStringList{"5F.01.02.03.04.(Data)"} : QStringList{});
        EXPECT_EQ(Beeps.DataBeeps.size(), c.beeps);
        if (c.beeps) {
            EXPECT_EQ(Beeps.DataBeeps[0].Frequency, 400);
            EXPECT_EQ(Beeps.DataBeeps[0].Duration, 20u);
        }
        EXPECT_EQ(Link.Receiver().RxCount(), 1);
        Feed({0x21, 0x43}); // completes the status frame it opened
        Host.LogLine.clear();
    }
}

TEST_F(LinkTest, FramesSpreadOverReadsAndSeveralInOneRead)
{
    Host.Plugin = true;
    Link.SelectDevice(18, 0x12);
    Feed({0x73, 0x1B});
    Feed({0x68, 0x62});
    Feed({0x09, 0x6B, 0x5F, 1, 2, 3});
    Bytes rest{4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 0x74, 0x1C};
    Feed(rest);
    Feed({0x68});
    EXPECT_EQ(Host.LogLines, (QStringList{"73.1B.68.(Init)", "62.09.6B.(Status)",
                                          "5F.01.02.03.04.05.06.07.08.09.0A.0B.0C.0D.0E.0F.10.11.(Data)",
                                          "74.1C.68.(Echo)"}));
    ASSERT_EQ(Host.Packets.size(), 1u);
    EXPECT_EQ(Host.Packets[0].size(), 18u);
    EXPECT_EQ(Host.Packets[0][0], 0x5F);
    EXPECT_EQ(Link.Receiver().AdapterFirmwareVersion(), 0x1C);
}

TEST_F(LinkTest, NoLogTextWithoutTheLogWindow)
{
    Host.Log = false;
    Feed({0x73, 0x1B, 0x68, 0x62, 0x21, 0x43});
    EXPECT_TRUE(Host.LogLines.isEmpty());
    EXPECT_TRUE(Host.LogLine.isEmpty());
    EXPECT_EQ(Link.Receiver().AdapterFirmwareVersion(), 27);
}

TEST_F(LinkTest, PacketLengthOutsideTheFrameBufferBreaksNothing)
{
    Host.Plugin = true;
    // Above 250: the frame is dropped when it would grow past RxFrame; the
    // next byte is a header candidate again.
    for (int length : {251, 300, 100000}) {
        SCOPED_TRACE(length);
        Select(length);
        Bytes frame(250, 0x5F);
        Feed(frame);
        EXPECT_EQ(Link.Receiver().RxCount(), 250);
        Feed({0x73, 0x1B, 0x68});
        EXPECT_EQ(Link.Receiver().RxCount(), 0);
        EXPECT_TRUE(Host.Packets.empty());
        EXPECT_EQ(Host.LogLines.size(), 1);
        EXPECT_TRUE(Host.LogLines[0].endsWith("5F.73.1B.68.(Init)"));
    }
    // Exactly 250 still fits.
    Select(250);
    Feed(Bytes(250, 0x5F));
    ASSERT_EQ(Host.Packets.size(), 1u);
    EXPECT_EQ(Host.Packets[0].size(), 250u);

    // Below 1: the header alone completes the frame, an empty packet.
    for (int length : {0, -7}) {
        Host.Packets.clear();
        Select(length);
        Feed({0x5F});
        EXPECT_EQ(Link.Receiver().RxCount(), 0);
        ASSERT_EQ(Host.Packets.size(), 1u);
        EXPECT_TRUE(Host.Packets[0].empty());
    }
}

TEST_F(LinkTest, NestedReceiveKeepsTheOrderOfArrival)
{
    // The outer read ends inside frame D; while the automatic selection
    // shows a box, the next read brings the rest of D and then C.
    Host.Plugin = true;
    Host.AutoSelect = true;
    Select(3);
    const Bytes B{0x5F, 0xB1, 0xB2}, C{0x5F, 0xC1, 0xC2}, D{0x5F, 0xD1, 0xD2};
    Host.OnAutoSelect = [&] {
        Port.Queue({0xD2, 0x5F, 0xC1, 0xC2});
        Link.VaComm1RxChar();
    };
    Feed({0x37, 0x01, 0, 0, 0, 0, 0x01, 0x5F, 0xB1, 0xB2, 0x5F, 0xD1});
    EXPECT_EQ(Host.Packets, (std::vector<Bytes>{B, D, C}));
    EXPECT_EQ(Link.Receiver().RxCount(), 0);

    // The queue is empty again: a later read starts afresh.
    Host.Packets.clear();
    Feed(B);
    EXPECT_EQ(Host.Packets, std::vector<Bytes>{B});

    // Inside the plug-in's call: the status read later stands.
    bool nested = false;
    Host.OnReceive = [&](const TDynamicByteArray&) {
        if (!nested) {
            nested = true;
            Port.Queue(Status(0x2C));
            Link.VaComm1RxChar();
        }
        return true;
    };
    const Bytes s21 = Status(0x21);
    Bytes read = B;
    read.insert(read.end(), s21.begin(), s21.end());
    Feed(read);
    EXPECT_EQ(Link.View().Indicators[labKZ], (IndicatorState{true, IndicatorColor::Red}));
}

TEST_F(LinkTest, NestedDataFrameDoesNotOverwriteThePacketBeingHandled)
{
    Host.Plugin = true;
    Select(3);
    Bytes seenAfterBox;
    bool nested = false;
    Host.OnReceive = [&](const TDynamicByteArray& P) {
        if (!nested) {
            nested = true;
            Port.Queue({0x62, 0x09, 0x6B, 0x5F, 0x22, 0x22});
            Link.VaComm1RxChar();
            seenAfterBox = P.Vector();
        }
        return true;
    };
    Feed({0x5F, 0x11, 0x11});
    EXPECT_EQ(seenAfterBox, (Bytes{0x5F, 0x11, 0x11}));
    EXPECT_EQ(Host.Packets, (std::vector<Bytes>{{0x5F, 0x11, 0x11}, {0x5F, 0x22, 0x22}}));
}

TEST_F(LinkTest, ExceptionFromThePluginDropsTheRestOfTheRead)
{
    Host.Plugin = true;
    Select(3);
    Host.OnReceive = [](const TDynamicByteArray& P) -> bool {
        if (P[1] == 0xEE)
            throw std::runtime_error("plug-in failed");
        return true;
    };
    Port.Queue({0x5F, 0xEE, 0x00, 0x62, 0x21, 0x43});
    EXPECT_THROW(Link.VaComm1RxChar(), std::runtime_error);
    EXPECT_EQ(Link.Receiver().RxCount(), 0);
    EXPECT_TRUE(Host.LogLines.isEmpty()); // the status frame was not handled

    Host.LogLine.clear();
    Feed({0x62, 0x09, 0x6B});
    EXPECT_EQ(Host.LogLines, QStringList{"62.09.6B.(Status)"});
}
