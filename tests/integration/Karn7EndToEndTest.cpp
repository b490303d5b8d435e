// The whole road with the real KARN-7 library: the user picks the device in
// the dialog, the adapter is told its code, the emulator's packets reach the
// panel, and the panel keeps the adapter's automatic switching off.
#include "EndToEndSupport.h"

#include <QElapsedTimer>
#include <QLineEdit>

using namespace ostan;
using namespace ostan::test;

using Karn7EndToEnd = TEndToEndFixture;

TEST_F(Karn7EndToEnd, ChosenInTheDialogShowsTheAdaptersPackets)
{
    Choose(QStringLiteral("Блок датчкика KARN-7"));
    ASSERT_TRUE(PumpUntil([&] { return Emu->RawReceived().size() >= 6; }, 20000));
    EXPECT_EQ(Emu->RawReceived().left(6), Hex("0D0A0403 0303"));

    // A packet from the adapter changes the panel's texts.
    auto* type = OnPanel<QLineEdit>("LType");
    auto* value = OnPanel<QLineEdit>("LConcentr");
    ASSERT_NE(type, nullptr);
    ASSERT_NE(value, nullptr);
    adapteremu::Karn7Reading reading;
    reading.GasCode = adapteremu::Karn7Reading::Methane;
    reading.Concentration = 1.25;
    QElapsedTimer latency;
    latency.start();
    Emu->SendKarn7(reading);
    ASSERT_TRUE(PumpUntil([&] { return !value->text().isEmpty(); }, 20000));
    ::testing::Test::RecordProperty("packet_to_panel_us", int(latency.nsecsElapsed() / 1000));
    EXPECT_EQ(type->text(), "Метан");
    EXPECT_EQ(value->text(), "1.25");

    // Firmware 26: the panel's timer sends 0x08 every 500 ms.
    Emu->ClearRecords();
    PumpUntil([&] { return Emu->RawReceived().count(Hex("0D0A080F")) >= 2; }, 3000);
    EXPECT_GE(Emu->RawReceived().count(Hex("0D0A080F")), 2);
}
