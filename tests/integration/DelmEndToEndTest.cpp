// The whole road with the real DELM library and the emulator playing the
// block at firmware 26: choosing it restarts the block before selecting it,
// and its stream reaches the panel.
#include "EndToEndSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ostan;
using namespace ostan::test;

namespace {

class DelmEndToEnd : public TEndToEndFixture {
protected:
    adapteremu::EmulatorConfig Emulator() const override
    {
        adapteremu::EmulatorConfig Cfg = TEndToEndFixture::Emulator();
        Cfg.Device = QStringLiteral("PIP_DELM");
        Cfg.StreamOnSelectMs = 10;
        return Cfg;
    }
};

} // namespace

TEST_F(DelmEndToEnd, ChoosingTheBlockRestartsItThenSelectsIt)
{
    Choose(QStringLiteral("Блок датчкика DELM"));
    // Restart (0x06), its second step (0x03), then the select with code 5.
    const QByteArray Expected = Hex("0D0A0601 0D0A0304 0D0A0403 0505");
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= Expected.size(); }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(Expected.size()).toHex(' '), Expected.toHex(' '));

    auto* Type = OnPanel<QLineEdit>("LType");
    auto* Value = OnPanel<QLineEdit>("LConcentr");
    ASSERT_NE(Type, nullptr);
    ASSERT_NE(Value, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !Type->text().isEmpty() && !Value->text().isEmpty(); }, 20000));
    EXPECT_EQ(Type->text(), "Метан");

    // No timer on this panel; "Перезапуск" restarts the block again.
    Emu->ClearRecords();
    QTest::mouseClick(OnPanel<QPushButton>("BReset"), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().contains(Hex("0D0A0601 0D0A0304")); }, 20000));
    PumpUntil([] { return false; }, 600);
    EXPECT_EQ(Emu->RawReceived().count(Hex("0D0A080F")), 0);
}
