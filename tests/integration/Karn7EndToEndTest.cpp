// The whole road with the real KARN-7 library: the user picks the device in
// the dialog, the adapter is told its code, the emulator's packets reach the
// panel, and the panel keeps the adapter's automatic switching off.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "ComTestSupport.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "MessageBox.h"
#include "NumberSeparators.h"
#include "Options.h"
#include "OstanMain.h"
#include "PortScanning.h"
#include "ProgramStart.h"
#include "Registry.h"
#include "Ticks.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostan;
using adapteremu::AdapterEmulator;

namespace {
QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }
} // namespace

TEST(Karn7EndToEnd, ChosenInTheDialogShowsTheAdaptersPackets)
{
    ostan::test::TTempStore store;
    ostan::test::TQuickStart quick;
    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    MessageBoxRecorder boxes;

    adapteremu::EmulatorConfig cfg;
    cfg.PortNum = 7;
    cfg.Firmware = 26;
    AdapterEmulator emu(cfg);
    QString err;
    ASSERT_TRUE(emu.Start(&err)) << err.toStdString();
    ostan::test::StoreLinkSettings(7);
    {
        TMainForm f;
        ostan::test::StartMainForm(f, QStringLiteral(PROGRAM_DIR));
        emu.ClearRecords();

        // The user clicks the entry and OK.
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TDeviceChooseDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            const auto items = d->DeviceListBox->findItems(QStringLiteral("Блок датчкика KARN-7"), Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1);
            QListWidget* list = d->DeviceListBox;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
            QTest::mouseClick(d->OKBtn, Qt::LeftButton);
            chosen = true;
        });
        f.SelectPlugin->trigger();
        ASSERT_TRUE(chosen);
        EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Texts().join("|").toStdString();
        ASSERT_TRUE(PumpUntil([&] { return emu.RawReceived().size() >= 6; }, 2000));
        EXPECT_EQ(emu.RawReceived().left(6), Hex("0D0A0403 0303"));

        // A packet from the adapter changes the panel's texts.
        auto* type = f.PlugInPlaceholder->findChild<QLineEdit*>(QStringLiteral("LType"));
        auto* value = f.PlugInPlaceholder->findChild<QLineEdit*>(QStringLiteral("LConcentr"));
        ASSERT_NE(type, nullptr);
        ASSERT_NE(value, nullptr);
        adapteremu::Karn7Reading reading;
        reading.GasCode = adapteremu::Karn7Reading::Methane;
        reading.Concentration = 1.25;
        QElapsedTimer latency;
        latency.start();
        emu.SendKarn7(reading);
        ASSERT_TRUE(PumpUntil([&] { return !value->text().isEmpty(); }, 2000));
        ::testing::Test::RecordProperty("packet_to_panel_us", int(latency.nsecsElapsed() / 1000));
        EXPECT_EQ(type->text(), "Метан");
        EXPECT_EQ(value->text(), "1.25");

        // Firmware 26: the panel's timer sends 0x08 every 500 ms.
        emu.ClearRecords();
        PumpUntil([&] { return emu.RawReceived().count(Hex("0D0A080F")) >= 2; }, 3000);
        EXPECT_GE(emu.RawReceived().count(Hex("0D0A080F")), 2);
        f.close();
    }
}
