// The adapter emulator's pure parts: the frames it sends, the splitting of
// the program's command stream, the devices it plays.
#include "AdapterEmulator.h"
#include "AdapterFrames.h"
#include "CommandParser.h"
#include "Devices.h"
#include "EmulatorConsole.h"
#include "devices/DeviceFloat.h"
#include "devices/MOLT2old.h"
#include "devices/PIP_KARN7.h"
#include "devices/PIP_KARN7E_8.h"
#include "devices/TIRA5.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>
#include <string_view>

using namespace adapteremu;

namespace {
QByteArray H(const char* Hex) { return QByteArray::fromHex(Hex); }
}

TEST(EmulatorFrames, AdapterFramesCarryTheirChecks)
{
    EXPECT_EQ(MakeEchoFrame(27), H("741B6F"));
    EXPECT_EQ(MakeInitFrame(27), H("731B68"));
    EXPECT_EQ(MakeStatusFrame(0x21), H("622143"));
    EXPECT_EQ(MakeStatusFrame(0x08), H("62086A"));
    // The device-ID check leaves the header out.
    EXPECT_EQ(MakeDeviceIdFrame(1), H("37010000000001"));
    EXPECT_EQ(MakeDeviceIdFrame(0x37), H("37370000000037"));
    EXPECT_EQ(WithBadCheck(MakeStatusFrame(0x21)), H("622142"));
}

TEST(EmulatorFrames, Karn7PacketsFromReadings)
{
    struct Case { Karn7Reading r; const char* packet; };
    auto methane = [](double c) { Karn7Reading r; r.Concentration = c; return r; };
    Karn7Reading co;
    co.GasCode = Karn7Reading::CarbonMonoxide;
    co.Concentration = 100;
    Karn7Reading fault = methane(1.0);
    fault.Faults = 0x03;
    Karn7Reading range = methane(2.44);
    range.RangeExceeded = true;
    Karn7Reading other;
    other.GasCode = 2;
    Karn7Reading limits = methane(5.11);
    limits.Threshold1 = limits.Threshold2 = true;
    Karn7Reading coTop = co;
    coTop.Concentration = 900; // clamped to the 9-bit range
    const Case cases[] = {
        {methane(2.91), "5F8123A2"}, {co, "5F206444"},    {fault, "5F840387"},
        {range, "5F82F476"},         {other, "5F400040"}, {limits, "5F99FF66"},
        {coTop, "5F21FFDE"},         {methane(-1), "5F800080"},
    };
    for (const auto& c : cases) {
        const QByteArray p = MakeKarn7Packet(c.r);
        EXPECT_EQ(p.toHex().toUpper(), QByteArray(c.packet)) << c.packet;
        EXPECT_EQ(XorOf(p, 1), 0) << c.packet;
    }
}

TEST(EmulatorFrames, Karn7e8PacketsAreTypedAndChecked)
{
    struct Case { uint8_t Type, Gas; int16_t R; const char* packet; };
    const Case cases[] = {
        {1, 1, 2048, "5F0011080019"},
        {2, 1, Karn7e8Volts(1000), "5F0021100031"},
        {3, 1, 0x05, "5F0031000534"},
        {6, 1, 70 << 8, "5F0061460027"},
        {4, 1, Karn7e8Volts(-62.5), "5F0041FF00BE"},
        {5, 8, Karn7e8Volts(1e6), "5F00587FFFD8"}, // clamped to 16 bits
    };
    for (const auto& c : cases) {
        const QByteArray p = MakeKarn7e8Packet(c.Type, c.Gas, c.R);
        EXPECT_EQ(p.toHex().toUpper(), QByteArray(c.packet)) << c.packet;
        EXPECT_EQ(XorOf(p, 1), 0) << c.packet;
    }
}

TEST(EmulatorFrames, DeviceFloatsInBothByteOrders)
{
    struct Case {
        double Value;
        const char* InOrder;
    };
    const Case Cases[] = {
        {100, "85000048"}, {2.5, "80000020"}, {-2.5, "800000A0"}, {0, "00000000"},
        {1.0 - 1e-9, "7F000000"},       // rounds up to the next power of two
        {1e300, "FEFFFF7F"},            // beyond the range: its top
        {-1e300, "FEFFFFFF"},
        {12.5, "82000048"}, {250.0, "8600007A"}, {-1.5, "7F0000C0"}, {1.0, "7F000000"},
        {2.0 - 0x1p-25, "80000000"},
        {3.4028234663852886e38, "FEFFFF7F"}, {-3.4028234663852886e38, "FEFFFFFF"},
    };
    for (const Case& C : Cases) {
        const auto F = DeviceFloat(C.Value);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(F.data()), 4).toHex().toUpper(), QByteArray(C.InOrder)) << C.Value;
        const auto R = ReversedDeviceFloat(C.Value);
        EXPECT_EQ((std::array<uint8_t, 4>{F[0], F[3], F[2], F[1]}), R) << C.Value;
    }
}

TEST(EmulatorFrames, Molt2OldPacketFromReadings)
{
    // The analyser's worked packet: flags 0x18 and 0x06 over the defaults.
    Molt2OldReading R;
    R.Errors = 0x18;
    R.Warnings = 0x06;
    EXPECT_EQ(MakeMolt2OldPacket(R).toHex().toUpper(),
              QByteArray("5F18060085000048890080098700001683000020860000"
                         "0C80000000854800008A1C400096FA6400000000008020000058"));
}

TEST(EmulatorFrames, Tira5PacketsFromReadings)
{
    Tira5Reading worked;
    worked.Flags = 0x30;
    EXPECT_EQ(MakeTira5Packet(worked).toHex().toUpper(), QByteArray("5F30000040000082000048860000"
                                                                      "7AC8FA64007B1385000048B5"));
    Tira5Reading other;
    other.AirVoltage = -1.5;
    other.Battery = 0xFFFF;
    other.AdcCurrentCode = 15;
    const QByteArray p = MakeTira5Packet(other);
    EXPECT_EQ(p.mid(7, 4).toHex().toUpper(), QByteArray("7F0000C0"));
    EXPECT_EQ(p.mid(19, 2).toHex().toUpper(), QByteArray("FFFF"));
    EXPECT_EQ(uint8_t(p[4]), 0xF0);
    EXPECT_EQ(XorOf(p, 1), 0);
}

TEST(EmulatorFrames, HexTextBothWays)
{
    EXPECT_EQ(HexText(H("0d0a0700")), QStringLiteral("0D 0A 07 00"));
    EXPECT_EQ(ParseHexBytes({"62", "8", "6a"}), H("62086A"));
    EXPECT_EQ(ParseHexBytes({"62086A"}), H("62086A"));
    for (const QStringList& bad : {QStringList{"6208A"}, QStringList{"zz"}, QStringList{"-1"}, QStringList{"0x"}})
        EXPECT_FALSE(ParseHexBytes(bad).has_value()) << bad.join(' ').toStdString();
}

namespace {
struct Seen {
    QList<QByteArray> commands; // code then payload, as hex
    QList<QByteArray> junk;
    int badTrailers = 0;
};

Seen FeedAll(CommandParser& P, const QList<QByteArray>& Chunks)
{
    Seen s;
    for (const QByteArray& c : Chunks) {
        for (const ParserEvent& e : P.Feed(c)) {
            if (e.Type == ParserEvent::Junk) {
                s.junk.append(e.Bytes.toHex());
            } else {
                s.commands.append((QByteArray(1, static_cast<char>(e.Cmd.Code)) + e.Cmd.Payload).toHex());
                s.badTrailers += e.Cmd.TrailerOk ? 0 : 1;
            }
        }
    }
    return s;
}
} // namespace

TEST(EmulatorCommandParser, SplitsFramesWhateverTheChunking)
{
    // The program's traffic of a session: probe twice, reset, select a device
    // with 3-byte commands, relay one, short-circuit reset.
    const QByteArray wire = H("0D0A0700" "0D0A0700" "0D0AFFF8" "0D0A0403" "0303" "0D0A0106" "A501A4" "0D0A0502");
    const QList<QByteArray> expected = {"07", "07", "ff", "040303", "01a501a4", "05"};
    for (int chunk : {1, 2, 3, 5, 64}) {
        CommandParser p;
        QList<QByteArray> chunks;
        for (int i = 0; i < wire.size(); i += chunk)
            chunks.append(wire.mid(i, chunk));
        const Seen s = FeedAll(p, chunks);
        EXPECT_EQ(s.commands, expected) << "chunk " << chunk;
        EXPECT_TRUE(s.junk.isEmpty());
        EXPECT_FALSE(p.Pending());
    }
}

TEST(EmulatorCommandParser, RelayLengthFollowsTheSelectedDevice)
{
    struct Case { const char* name; QByteArray wire; QList<QByteArray> commands; int bad; };
    const Case cases[] = {
        {"default 3 before any select", H("0D0A0106" "102030"), {"01102030"}, 0},
        {"4-byte device", H("0D0A0403" "0404" "0D0A0106" "AA0501AE"), {"040404", "01aa0501ae"}, 0},
        {"5-byte device", H("0D0A0403" "0505" "0D0A0106" "0102030404"), {"040505", "010102030404"}, 0},
        // 0D 0A in a payload is data, not a header
        {"header bytes inside a payload", H("0D0A0106" "0D0A07"), {"010d0a07"}, 0},
        {"wrong trailer kept, flagged", H("0D0A0106" "A501FF"), {"01a501ff"}, 1},
        {"one-byte device sends no payload", H("0D0A0403" "0101" "0D0A0106" "0D0A0700"), {"040101", "01", "07"}, 0},
        {"a reset keeps the learned length", H("0D0A0403" "0404" "0D0AFFF8" "0D0A0106" "01020300"), {"040404", "ff", "0101020300"}, 0},
    };
    for (const auto& c : cases) {
        CommandParser p;
        const Seen s = FeedAll(p, {c.wire});
        EXPECT_EQ(s.commands, c.commands) << c.name;
        EXPECT_EQ(s.badTrailers, c.bad) << c.name;
    }
}

TEST(EmulatorCommandParser, FixedRelayLengthIgnoresTheSelect)
{
    CommandParser p;
    p.SetRelayLengthFromSelect(false);
    p.SetDefaultRelayLength(4);
    const Seen s = FeedAll(p, {H("0D0A0403" "0303" "0D0A0106" "AA0501AE")});
    EXPECT_EQ(s.commands, (QList<QByteArray>{"040303", "01aa0501ae"}));
}

TEST(EmulatorCommandParser, ResynchronisesAfterJunk)
{
    CommandParser p;
    // stray bytes, a lone CR, a header with a wrong check, then a probe
    const Seen s = FeedAll(p, {H("00FF0D"), H("0D0A0701"), H("0D0A0700")});
    EXPECT_EQ(s.commands, (QList<QByteArray>{"07"}));
    EXPECT_EQ(s.junk, (QList<QByteArray>{"00ff0d0d0a0701"}));
    // a partial header is held back, not reported as junk
    const Seen t = FeedAll(p, {H("0D0A")});
    EXPECT_TRUE(t.junk.isEmpty());
    EXPECT_TRUE(p.Pending());
}

namespace {

// What the device's library checks its packets by: the XOR of the bytes
// after the header, or for KARN-7E the XOR of their nibbles; 0 passes.
uint8_t PacketCheck(std::string_view Library, const QByteArray& P)
{
    if (Library != "PIP_KARN7E")
        return XorOf(P, 1);
    uint8_t X = 0;
    for (int i = 1; i < P.size(); ++i)
        X ^= (static_cast<uint8_t>(P[i]) & 0x0F) ^ (static_cast<uint8_t>(P[i]) >> 4);
    return X;
}

} // namespace

TEST(EmulatedDevices, EveryDeviceStreamsPacketsThatPassTheirCheck)
{
    ASSERT_FALSE(Devices().empty());
    EXPECT_EQ(FindDevice(QStringLiteral("molt2")), FindDevice(QStringLiteral("MOLT2")));
    EXPECT_EQ(FindDevice(QStringLiteral("NoSuchDevice")), nullptr);
    for (const EmulatedDevice* D : Devices()) {
        SCOPED_TRACE(D->Library);
        EXPECT_EQ(FindDevice(QLatin1String(D->Library)), D);
        QSet<QByteArray> Distinct;
        for (int Step = 0; Step < 400; ++Step) {
            const QByteArray P = D->Packet(Step);
            ASSERT_GE(P.size(), 2);
            EXPECT_EQ(static_cast<uint8_t>(P[0]), DataHeader);
            EXPECT_EQ(PacketCheck(D->Library, P), 0) << Step << " " << P.toHex(' ').toStdString();
            Distinct.insert(P);
        }
        // Readings that move.
        EXPECT_GT(Distinct.size(), 10);
    }
}

TEST(EmulatedDevices, RelayedCommandsAreDecodedByTheDevicesTable)
{
    struct Case {
        const char* Device;
        const char* Payload;
        const char* Line;
    };
    const Case Cases[] = {
        {"MOLT2", "04C8CC", "cmd 01 payload 04 C8 CC  C п.г.с. 2.50"},
        {"MOLT2", "08FAF2", "cmd 01 payload 08 FA F2  C откл. 5.00"},
        {"MOLT2", "106474", "cmd 01 payload 10 64 74  C сигн. 1.00"},
        {"MOLT2", "010001", "cmd 01 payload 01 00 01  U возд."},
        {"MOLT2", "200828", "cmd 01 payload 20 08 28  Сброс"},
        {"MOLT2", "200222", "cmd 01 payload 20 02 22  Тест нас/сен."},
        {"MOLT2", "7F007F", "cmd 01 payload 7F 00 7F"},
        {"MOLT2old", "049692", "cmd 01 payload 04 96 92  C п.г.с. 2.50"},
        {"MOLT2old", "04FFFB", "cmd 01 payload 04 FF FB  C п.г.с. 3.55"},
        {"MOLT2old", "200424", "cmd 01 payload 20 04 24  Тест сенс."},
        {"MOLT2old", "200222", "cmd 01 payload 20 02 22  Тест насоса"},
        {"PIP_KARN7", "04C8CC", "cmd 01 payload 04 C8 CC"},
        {"BRUN3vm", "044044", "cmd 01 payload 04 40 44  Чувств. 64.00"},
        {"BRUN3vm", "04FFFB", "cmd 01 payload 04 FF FB  Чувств. 255.00"},
        {"BRUN3vm", "020002", "cmd 01 payload 02 00 02  U п.г.с."},
        {"BRUN3vm", "200121", "cmd 01 payload 20 01 21  Тест звука"},
        {"BRUN3vm", "200222", "cmd 01 payload 20 02 22  Тест насоса"},
        {"BRUN3vm", "200424", "cmd 01 payload 20 04 24  Тест датчика"},
        {"BRUN3vm", "200828", "cmd 01 payload 20 08 28  Перезапуск"},
        {"BRUN3vm", "081018", "cmd 01 payload 08 10 18"},
        {"PIP_KARN7E_8", "0400000004", "cmd 01 payload 04 00 00 00 04"},
        {"TIRA4", "AA20B43E", "cmd 01 payload AA 20 B4 3E  Порог 1 18.00"},
        {"TIRA4", "AA1063D9", "cmd 01 payload AA 10 63 D9  Порог 2 9.90"},
        {"TIRA4", "AA4000EA", "cmd 01 payload AA 40 00 EA  Азот: текущ."},
        {"TIRA4", "AA0100AB", "cmd 01 payload AA 01 00 AB  Выкл."},
        {"TIRA4", "200828", "cmd 01 payload 20 08 28"},
        {"TIRA6", "040004", "cmd 01 payload 04 00 04  Установить / Снять"},
        {"TIRA6", "200828", "cmd 01 payload 20 08 28  Выкл."},
        {"TIRA6", "200424", "cmd 01 payload 20 04 24  Тест сенс."},
        {"TIRA5", "04C8CC", "cmd 01 payload 04 C8 CC  C п.г.с. 2.50"},
        {"TIRA5", "08020A", "cmd 01 payload 08 02 0A  C откл. 0.04"},
        {"TIRA5", "200828", "cmd 01 payload 20 08 28  Выкл"},
        {"TIRA5", "200222", "cmd 01 payload 20 02 22  Тест насоса"},
        {"SEVO1", "10FFEF", "cmd 01 payload 10 FF EF  C сигн. 2.55"},
        {"SEVO1", "200424", "cmd 01 payload 20 04 24  Включ. сенс."},
        {"PIP_KARN7E", "04C8CC", "cmd 01 payload 04 C8 CC"},
        {"PIP_DELM", "0102030400", "cmd 01 payload 01 02 03 04 00"},
    };
    for (const Case& C : Cases) {
        ReceivedCommand Cmd;
        Cmd.Code = CmdRelay;
        Cmd.Payload = QByteArray::fromHex(C.Payload);
        EXPECT_EQ(EmulatorConsole::CommandLine(Cmd, FindDevice(QLatin1String(C.Device))).toStdString(), C.Line);
    }
    ReceivedCommand Select;
    Select.Code = CmdSelect;
    Select.Payload = QByteArray::fromHex("0303");
    EXPECT_EQ(EmulatorConsole::CommandLine(Select, FindDevice(QStringLiteral("MOLT2"))).toStdString(),
              "cmd 04 payload 03 03");
}
