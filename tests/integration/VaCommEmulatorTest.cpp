// The serial component against the emulator: the probe out byte-exact, the
// answer back through the receive event, and a hang-up that does not spin.
#include "AdapterEmulator.h"
#include "Registry.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace ostan;

namespace {
double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

TEST(VaCommEmulator, ProbeAnswerAndHangUp)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("OSTAN_REGISTRY", dir.filePath("registry.reg").toUtf8());
    adapteremu::EmulatorConfig cfg;
    cfg.PortNum = 9;
    cfg.Firmware = 27;
    adapteremu::AdapterEmulator emu(cfg);
    QString err;
    ASSERT_TRUE(emu.Start(&err)) << err.toStdString();

    TVaComm port;
    port.SetPortNum(9);
    port.SetBaudrate(br115200);
    port.Open();
    QByteArray got;
    int events = 0, hangups = 0;
    QObject::connect(&port, &TVaComm::OnRxChar, [&](int) { ++events; got += port.ReadText(); });
    QObject::connect(&port, &TVaComm::OnHangUp, [&] { ++hangups; });

    const unsigned char probe[] = {0x0D, 0x0A, 0x07, 0x00};
    ASSERT_EQ(port.WriteBuf(probe, 4), 4);
    ASSERT_TRUE(PumpUntil([&] { return got.size() >= 3; }, 20000));
    EXPECT_EQ(got, QByteArray::fromHex("741B6F"));
    EXPECT_EQ(emu.RawReceived(), QByteArray::fromHex("0D0A0700"));

    events = 0;
    emu.Hangup();
    ASSERT_TRUE(PumpUntil([&] { return hangups > 0; }, 20000));
    EXPECT_FALSE(port.Active());
    // Pumping after the hang-up: no events and next to no processor time.
    const double before = CpuSeconds();
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(hangups, 1);
    EXPECT_LT(CpuSeconds() - before, 0.25); // a spinning notifier would burn the whole 300 ms
}
