// Command frames on the wire and the send's failure boxes.
#include "LinkFixture.h"

using namespace ostan;
using namespace ostan::fakes;

namespace {

const QString NotActive = QStringLiteral(
    "Адаптер не активен.\rДля отображеня данных необходимо подключить и\rинициализировать адаптер, а затем выбрать прибор.");
const QString PortNotOpen = QStringLiteral("Попытка записи в неоткрытый порт!\rОбратитесь к разработчику.");
const QString WriteError = QStringLiteral("Ошибка записи в порт.\rОбратитесь к разработчику.");

class TransmitTest : public LinkTest {
protected:
    TransmitTest() { Link.MarkLinkActive(); }
};

} // namespace

TEST_F(TransmitTest, FramesGoOutAsHeaderWriteThenPayloadWrite)
{
    struct Case {
        const char* name;
        uint8_t code;
        Bytes payload; // written from index 255 before the call
        uint8_t n;
        std::vector<Bytes> writes;
    };
    const Case cases[] = {
        {"probe", 0x07, {}, 0, {{0x0D, 0x0A, 0x07, 0x00}}},
        {"reset", 0xFF, {}, 0, {{0x0D, 0x0A, 0xFF, 0xF8}}},
        {"select 0x12", 0x04, {0x12}, 2, {{0x0D, 0x0A, 0x04, 0x03}, {0x12, 0x12}}},
        {"n=1 sends the header only", 0x05, {0x33}, 1, {{0x0D, 0x0A, 0x05, 0x02}}},
        {"check recomputed", 0x01, {0x10, 0x20, 0x99}, 3, {{0x0D, 0x0A, 0x01, 0x06}, {0x10, 0x20, 0x30}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Port.Writes.clear();
        Link.Writer().SetCommandCode(c.code);
        for (size_t i = 0; i < c.payload.size(); ++i)
            Link.Writer().SetPayloadByte(static_cast<int>(i) + 1, c.payload[i]);
        EXPECT_TRUE(Link.Writer().SendAdapterCommand(c.n, true));
        EXPECT_EQ(Port.Writes, c.writes);
    }
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(TransmitTest, PluginPacketTrailerIsAlwaysTheXorOfTheBytesBefore)
{
    const Bytes header{0x0D, 0x0A, 0x01, 0x06};
    for (uint8_t trailer : {uint8_t(0xA4), uint8_t(0x00), uint8_t(0xFF)}) {
        Port.Writes.clear();
        EXPECT_TRUE(Link.Writer().SendPluginPacket(TDynamicByteArray{0xA5, 0x01, trailer}));
        EXPECT_EQ(Port.Writes, (std::vector<Bytes>{header, {0xA5, 0x01, 0xA4}})) << int(trailer);
    }
}

TEST_F(TransmitTest, PluginPacketsBeyondTheTransmitHalfAreRefused)
{
    Bytes longest(246, 0x11);
    EXPECT_TRUE(Link.Writer().SendPluginPacket(TDynamicByteArray(longest)));
    ASSERT_EQ(Port.Writes.size(), 2u);
    EXPECT_EQ(Port.Writes[1].size(), 246u);
    EXPECT_EQ(Port.Writes[1].back(), 0x11); // XOR of 245 bytes of 0x11
    EXPECT_EQ(Link.FrameBuffer(500), 0x11);

    Port.Writes.clear();
    Link.Writer().SetCommandCode(0x07);
    EXPECT_FALSE(Link.Writer().SendPluginPacket(TDynamicByteArray(Bytes(247, 0x22))));
    EXPECT_FALSE(Link.Writer().SendAdapterCommand(247, false));
    EXPECT_TRUE(Port.Writes.empty());
    EXPECT_TRUE(Boxes.Boxes.empty());
    EXPECT_EQ(Link.FrameBuffer(253), 0x07);
    EXPECT_EQ(Link.FrameBuffer(255), 0x11);
}

TEST_F(TransmitTest, FailuresShowTheirBoxAndReturnFalse)
{
    // Link down with the alive check: nothing is written, even with the port
    // closed; the plug-in's bytes still land in the buffer.
    Link.ForgetAdapter();
    Port.Open = false;
    EXPECT_FALSE(Link.Writer().SendPluginPacket(TDynamicByteArray{0xA5, 0x01, 0xA4}));
    EXPECT_EQ(Link.FrameBuffer(253), 0x01);
    EXPECT_EQ(Link.FrameBuffer(257), 0xA4);
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Information);
    EXPECT_EQ(Boxes.Boxes[0].Text, NotActive);

    // The probe skips the alive check.
    Port.Open = true;
    EXPECT_TRUE(Link.Writer().SendCommand(0x07, false));
    EXPECT_EQ(Port.Wire(), (Bytes{0x0D, 0x0A, 0x07, 0x00}));

    Boxes.Clear();
    Port.Writes.clear();
    Link.MarkLinkActive();
    Port.Open = false;
    EXPECT_FALSE(Link.Writer().SendCommand(0xFF, true));
    EXPECT_TRUE(Port.Writes.empty());
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
    EXPECT_EQ(Boxes.Boxes[0].Text, PortNotOpen);
}

TEST_F(TransmitTest, ShortWritesShowOneBoxAndStopTheFrame)
{
    struct Case { const char* name; std::vector<int> limits; size_t writes; };
    const Case cases[] = {{"header short", {3}, 1}, {"nothing taken", {0}, 1}, {"payload short", {4, 1}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Clear();
        Port.Writes.clear();
        Port.Limits = c.limits;
        Link.Writer().SetCommandCode(0x04);
        Link.Writer().SetPayloadByte(1, 0x12);
        EXPECT_FALSE(Link.Writer().SendAdapterCommand(2, true));
        EXPECT_EQ(Port.Writes.size(), c.writes);
        EXPECT_EQ(Boxes.Texts(), QStringList{WriteError});
        EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
        EXPECT_TRUE(Port.Open);
    }
}

TEST_F(TransmitTest, FailureWhileItsBoxIsOpenDoesNotStackASecondBox)
{
    Port.Limits = {2, 2, 2};
    std::vector<bool> nested;
    Boxes.OnShow = [&](const MessageBoxRequest&) {
        // A plug-in timer sends while the box pumps events.
        nested.push_back(Link.Writer().SendPluginPacket(TDynamicByteArray{0xA5, 0x01, 0xA4}));
        nested.push_back(Link.Writer().SendCommand(0x05, true));
    };
    EXPECT_FALSE(Link.Writer().SendCommand(0xFF, true));
    EXPECT_EQ(nested, (std::vector<bool>{false, false}));
    EXPECT_EQ(Boxes.Texts(), QStringList{WriteError});

    // Once closed, the next failure is reported again.
    Boxes.OnShow = nullptr;
    Port.Open = false;
    EXPECT_FALSE(Link.Writer().SendCommand(0xFF, true));
    EXPECT_EQ(Boxes.Texts(), (QStringList{WriteError, PortNotOpen}));
}
