// The whole road with the real KARN-7E/8 library and the emulator playing
// the block: choosing it restarts the block before selecting it, and the
// block's stream reaches the panel.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class Karn7e8EndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("PIP_KARN7E_8");
        Cfg.StreamOnSelectMs = 10;
        return Cfg;
    }
};

} // namespace

TEST_F(Karn7e8EndToEnd, ChoosingTheBlockRestartsItThenSelectsIt)
{
    Choose(QStringLiteral("Блок датчкика KARN-7E/8"));
    // Firmware 26: restart (0x06), its second step (0x03), then the select
    // with device code 5.
    const QByteArray Expected = Hex("0D0A0601 0D0A0304 0D0A0403 0505");
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= Expected.size(); }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(Expected.size()).toHex(' '), Expected.toHex(' '));

    // The block's stream: warm-up, then a calibrated methane block.
    auto* type = OnPanel<QLineEdit>("LType");
    auto* gas = OnPanel<QLineEdit>("LGasType");
    auto* zero = OnPanel<QLineEdit>("LUvozd");
    ASSERT_NE(type, nullptr);
    ASSERT_NE(gas, nullptr);
    ASSERT_NE(zero, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !zero->text().isEmpty(); }, 20000)) << type->text().toStdString();
    EXPECT_EQ(gas->text(), "Метан");
    EXPECT_TRUE(zero->text().startsWith("1.00")) << zero->text().toStdString();
    EXPECT_EQ(OnPanel<QLineEdit>("SpinConc")->text(), "2.50");

    // "Перезапуск" restarts the block again; the panel fills up again.
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BReset"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 8; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(8).toHex(' '), Hex("0D0A0601 0D0A0304").toHex(' '));
    ASSERT_TRUE(PumpUntil([&] { return !gas->text().isEmpty(); }, 20000));
    EXPECT_EQ(gas->text(), "Метан");
}
