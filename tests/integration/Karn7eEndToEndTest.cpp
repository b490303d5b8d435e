// The whole road with the real KARN-7E library and the emulator playing the
// block at firmware 26: choosing it restarts the block before selecting it,
// its stream reaches the panel, and the panel keeps the adapter's automatic
// switching off.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

class Karn7eEndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("PIP_KARN7E");
        Cfg.StreamOnSelectMs = 10;
        return Cfg;
    }
};

} // namespace

TEST_F(Karn7eEndToEnd, ChoosingTheBlockRestartsItThenSelectsIt)
{
    Choose(QStringLiteral("Блок датчкика KARN-7E"));
    // Restart (0x06), its second step (0x03), then the select with code 3.
    const QByteArray Expected = Hex("0D0A0601 0D0A0304 0D0A0403 0303");
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= Expected.size(); }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(Expected.size()).toHex(' '), Expected.toHex(' '));

    // The stream: the calibration voltages, then measurements.
    auto* Air = OnPanel<QLineEdit>("LUvozd");
    auto* Good = OnPanel<QLineEdit>("LConcentrGood");
    ASSERT_NE(Air, nullptr);
    ASSERT_NE(Good, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !Air->text().isEmpty() && !Good->text().isEmpty(); }, 20000));
    EXPECT_TRUE(Air->text().startsWith("123.")) << Air->text().toStdString();

    // The timer: 0x08 every 500 ms, and no restart of its own.
    Emu->ClearRecords();
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().count(Hex("0D0A080F")) >= 3; }, 20000));
    std::vector<uint32_t> Ticks;
    for (const auto& C : Emu->Commands())
        if (C.Code == 0x08)
            Ticks.push_back(C.Tick);
    ASSERT_GE(Ticks.size(), 3u);
    for (size_t i = 1; i < Ticks.size(); ++i)
        EXPECT_GE(Ticks[i] - Ticks[i - 1], 400u);
    EXPECT_EQ(Emu->RawReceived().count(Hex("0D0A0601")), 0);

    // "Перезапуск" restarts the block again.
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BReset"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().contains(Hex("0D0A0601 0D0A0304")); }, 20000));
}
