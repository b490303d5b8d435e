#include "ButtonFace.h"
#include "CommonInterfacesImp.h"
#include "EventCounter.h"
#include "PanelTables.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

using namespace ostan;

namespace {

struct FakeHost : IHostCallback {
    std::vector<TDynamicByteArray>* Sent;
    int* Alive;
    FakeHost(std::vector<TDynamicByteArray>* S, int* A) : Sent(S), Alive(A) { ++*Alive; }
    ~FakeHost() override { --*Alive; }
    void SendPacket(const TDynamicByteArray& P) override { Sent->push_back(P); }
    void RestartDevice() override {}
    void DisableAutoSwitch() override {}
};

struct PacketFixture : ::testing::Test {
    std::vector<TDynamicByteArray> Sent;
    int Alive = 0;
    HostCallbackFactory Connect = [this] { return std::make_unique<FakeHost>(&Sent, &Alive); };
    void TearDown() override { HostCallback.reset(); }
};

} // namespace

TEST(PluginData, IndexesFromOneAndGuardsBothBuffers)
{
    TPluginData D(4, 3);
    ASSERT_EQ(D.InLen(), 4);
    ASSERT_EQ(D.OutLen(), 3);
    for (int i = 1; i <= 4; ++i)
        D.SetIn(i, uint8_t(0x10 + i));
    for (int i = 1; i <= 3; ++i)
        D.SetOut(i, uint8_t(0x20 + i));
    for (int bad : {0, -5, 5, 1000})
        D.SetIn(bad, 0xEE);
    for (int bad : {0, -1, 4})
        D.SetOut(bad, 0xEE);

    struct Case { int I; uint8_t In, Out; };
    const Case cases[] = {{-5, 0, 0}, {0, 0, 0}, {1, 0x11, 0x21}, {3, 0x13, 0x23}, {4, 0x14, 0}, {5, 0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(D.GetIn(c.I), c.In) << c.I;
        EXPECT_EQ(D.GetOut(c.I), c.Out) << c.I;
    }
}

TEST(PluginData, ANonPositiveLengthAllocatesNothing)
{
    for (auto [in, out] : {std::pair{0, 3}, {4, 0}, {-1, 3}, {4, -2}}) {
        TPluginData D(in, out);
        EXPECT_EQ(D.InLen(), 0);
        EXPECT_EQ(D.OutLen(), 0);
        D.SetIn(1, 7);
        D.SetOut(1, 7);
        EXPECT_EQ(D.GetIn(1), 0);
        EXPECT_EQ(D.GetOut(1), 0);
    }
}

TEST_F(PacketFixture, SendWritesTheXorTrailerOverTheWholeCommand)
{
    struct Case {
        int OutLen;
        std::vector<uint8_t> Data, Wire;
    };
    const Case cases[] = {
        {3, {0x10, 0x20, 0x00}, {0x10, 0x20, 0x30}},
        {4, {0xAA, 0x05, 0x01, 0x00}, {0xAA, 0x05, 0x01, 0xAE}}, // the first byte counts too
        {3, {0x01, 0x02, 0x77, 0x88, 0x99}, {0x01, 0x02, 0x03}}, // extra bytes dropped, last replaced
        {1, {0x55}, {0x00}},
    };
    for (const auto& c : cases) {
        Sent.clear();
        TPluginPacket P(10, c.OutLen, Connect);
        P.Send(c.Data);
        ASSERT_EQ(Sent.size(), 1u) << c.OutLen;
        EXPECT_EQ(Sent[0].Vector(), c.Wire) << c.OutLen;
    }
}

TEST_F(PacketFixture, ShortCommandKeepsThePreviousBytes)
{
    TPluginPacket P(10, 4, Connect);
    P.Send({0x01, 0x02, 0x04, 0x00});
    P.Send({0x10});
    ASSERT_EQ(Sent.size(), 2u);
    EXPECT_EQ(Sent[1].Vector(), (std::vector<uint8_t>{0x10, 0x02, 0x04, 0x16}));
}

TEST_F(PacketFixture, NothingGoesOutWithoutLengthOrCallback)
{
    {
        TPluginPacket P(10, 0, Connect);
        P.Send({1, 2, 3});
        EXPECT_TRUE(Sent.empty());
    }
    TPluginPacket P(10, 3, HostCallbackFactory{});
    EXPECT_FALSE(HostCallback);
    P.Send({1, 2, 3}); // no callback: silently nothing
    EXPECT_TRUE(Sent.empty());
    EXPECT_EQ(P.GetOut(3), 3); // but the command is built
}

TEST_F(PacketFixture, CallbackLivesAsLongAsThePacket)
{
    auto P = std::make_unique<TPluginPacket>(10, 3, Connect);
    EXPECT_EQ(Alive, 1);
    auto Second = std::make_unique<TPluginPacket>(10, 3, Connect); // replaces, releasing the first
    EXPECT_EQ(Alive, 1);
    Second.reset();
    EXPECT_EQ(Alive, 0);
    EXPECT_FALSE(HostCallback);
}

TEST_F(PacketFixture, FailedConnectLeavesTheConstructorAndClearsTheCallback)
{
    TPluginPacket Earlier(10, 3, Connect);
    EXPECT_THROW(TPluginPacket(10, 3, [] () -> std::unique_ptr<IHostCallback> { throw std::runtime_error("no class"); }),
                 std::runtime_error);
    EXPECT_FALSE(HostCallback);
    EXPECT_EQ(Alive, 0);
}

TEST(ShowFlag, LightsOnlyWhenEveryMaskBitIsSet)
{
    QLabel L;
    const QColor Face = QApplication::palette(&L).color(QPalette::Active, QPalette::Button);
    struct Case { uint8_t Value, Mask; bool On; };
    const Case cases[] = {
        {0x00, 0x00, true}, {0xFF, 0x00, true}, // mask 0 always lights
        {0x02, 0x06, false}, {0x06, 0x06, true}, {0xFF, 0x06, true}, {0x80, 0x80, true}, {0x7F, 0x80, false},
    };
    for (const auto& c : cases) {
        ShowFlag(c.Value, c.Mask, &L, Qt::red);
        EXPECT_EQ(L.isEnabled(), c.On) << int(c.Value) << "/" << int(c.Mask);
        // The colour the label paints with in its current state.
        const auto Group = L.isEnabled() ? QPalette::Active : QPalette::Disabled;
        EXPECT_EQ(L.palette().color(Group, QPalette::Window), c.On ? QColor(Qt::red) : Face);
        EXPECT_TRUE(L.autoFillBackground());
    }
    ShowFlag(0xFF, 0, nullptr, Qt::red); // no label: nothing
}

// Packets come by the hundred a second: a flag that keeps its state is left
// alone, one that changes state or colour shows it at once.
TEST(ShowFlag, OnlyAChangeReachesTheLabel)
{
    QLabel L;
    TEventCounter Restyled({&L}, {QEvent::PaletteChange, QEvent::EnabledChange});
    struct Step { uint8_t Value; QColor Color; bool Changes; };
    const Step Steps[] = {
        {0x01, Qt::red, true},     // lit
        {0x01, Qt::red, false},
        {0x03, Qt::red, false},    // still lit
        {0x01, Qt::yellow, true},  // another colour
        {0x00, Qt::yellow, true},  // off
        {0x02, Qt::red, false},    // off whatever its colour
        {0x01, Qt::yellow, true},
    };
    for (const Step& S : Steps) {
        const int Before = Restyled.Count;
        ShowFlag(S.Value, 0x01, &L, S.Color);
        EXPECT_EQ(Restyled.Count > Before, S.Changes) << int(S.Value) << " " << S.Color.name().toStdString();
        EXPECT_EQ(L.isEnabled(), (S.Value & 1) != 0);
        const auto Group = L.isEnabled() ? QPalette::Active : QPalette::Disabled;
        EXPECT_EQ(L.palette().color(Group, QPalette::Window), L.isEnabled() ? S.Color : ButtonFace(&L));
    }
}

// A screen reader tells a lit flag by its colour, as a person reads it; a
// dark one says none.
TEST(ShowFlag, ALitFlagSaysItsColour)
{
    struct Case { uint32_t Color; const char* Name; };
    const Case cases[] = {{FlagRed, "красный"}, {FlagYellow, "жёлтый"}, {FlagLime, "зелёный"}};
    QLabel L;
    auto Description = [&L] {
        QAccessibleInterface* I = QAccessible::queryAccessibleInterface(&L);
        return I ? I->text(QAccessible::Description) : QStringLiteral("(no interface)");
    };
    for (const Case& c : cases) {
        ShowFlag(0x01, 0x01, &L, QColor::fromRgba(c.Color));
        EXPECT_EQ(Description(), QString::fromUtf8(c.Name));
        ShowFlag(0x00, 0x01, &L, QColor::fromRgba(c.Color));
        EXPECT_EQ(Description(), QString()) << c.Name;
    }
}

TEST(DeviceFloat, DecodesSignExponentAndMantissa)
{
    struct Case { uint8_t E, M0, M1, M2; double V; };
    const Case cases[] = {
        {0x7F, 0, 0, 0, 1.0},
        {0x80, 0, 0, 0x80, -2.0},
        {0x7E, 0, 0, 0x40, 0.75},
        {0x82, 0, 0, 0x20, 10.0},
        {0x80, 0, 0, 0xA0, -2.5},
        {0x7F, 0x01, 0, 0, 1.0 + 1.0 / 8388608},     // M0 is the least significant
        {0x7F, 0, 0x01, 0, 1.0 + 256.0 / 8388608},
        {0x7F, 0xFF, 0xFF, 0x7F, 2.0 - 1.0 / 8388608},
        {0x01, 0, 0, 0, std::ldexp(1.0, -126)},
        {0xFE, 0, 0, 0x80, -std::ldexp(1.0, 127)},
        {0x00, 0x12, 0x34, 0xD6, 0.0}, // exponent 0 and 0xFF: 0 whatever the mantissa
        {0xFF, 0x12, 0x34, 0xD6, 0.0},
        {0xFF, 0, 0, 0x80, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceFloatToDouble(c.E, c.M0, c.M1, c.M2), c.V) << int(c.E) << " " << int(c.M2);
}

TEST(DeviceFloat, BothByteOrdersInAPacket)
{
    TPluginData D(12, 1);
    // -2.5 + 2^-23*0x0102 in the normal order at byte 2, and in the reversed
    // order at byte 7; byte 6 and 11/12 around them stay untouched.
    const uint8_t Normal[] = {0x80, 0x02, 0x01, 0xA0};
    const uint8_t Reversed[] = {0x80, 0xA0, 0x01, 0x02};
    for (int i = 0; i < 4; ++i) {
        D.SetIn(2 + i, Normal[i]);
        D.SetIn(7 + i, Reversed[i]);
    }
    const double Expected = -(1.25 + 0x0102 / 8388608.0) * 2;
    EXPECT_EQ(D.DF(2), Expected);
    EXPECT_EQ(D.RDF(7), Expected);
    EXPECT_NE(D.DF(7), Expected);
    EXPECT_EQ(D.DF(11), 0.0); // past the end reads zeros: exponent 0
}
