// The whole road with the real KARN-7E and DELM libraries and the emulator
// playing each block at firmware 26: choosing a block restarts it before its
// select, byte for byte, its stream reaches the panel, and KARN-7E's panel
// keeps the adapter's automatic switching off.
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
#include "Registry.h"
#include "Ticks.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace ostan;
using adapteremu::AdapterEmulator;

namespace {

QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }

// Starts the program against the emulator playing Device, chooses Caption
// in the device dialog, checks the bytes that go out up to the select, then
// runs Then with the main window.
void ChooseBlock(const QString& Device, const QString& Caption, const QByteArray& Expected,
                 const std::function<void(TMainForm&, AdapterEmulator&)>& Then)
{
    ostan::test::TTempStore store;
    struct Restore {
        TMainForm::Timings Wait = TMainForm::Wait;
        int Close = TPortScanningForm::CloseIntervalMs;
        ~Restore()
        {
            StopOstanBackServer();
            TMainForm::Wait = Wait;
            TPortScanningForm::CloseIntervalMs = Close;
            SetSystemSerialDevicesForTest({});
            ResetSeparatorsForTest();
        }
    } restore;
    SetSeparatorsForTest(QLatin1Char('.'), QLatin1Char(','));
    SetSystemSerialDevicesForTest([] { return QStringList(); });
    TMainForm::Wait.ProbeMs = 60;
    TMainForm::Wait.ResetMs = 400;
    TMainForm::Wait.SupervisionMs = 10000;
    TPortScanningForm::CloseIntervalMs = 10;
    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    MessageBoxRecorder boxes;

    adapteremu::EmulatorConfig cfg;
    cfg.PortNum = 7;
    cfg.Firmware = 26;
    cfg.Device = Device;
    cfg.StreamOnSelectMs = 10;
    AdapterEmulator emu(cfg);
    QString err;
    ASSERT_TRUE(emu.Start(&err)) << err.toStdString();
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey(TOptionsDlg::SettingsKey, true));
        r.WriteInteger("Port", 7);
        r.WriteInteger("PortSpeed", 13);
        r.WriteInteger("Sound", 0);
        r.WriteInteger("AutoSelectPlugin", 0);
        r.WriteInteger("BLSPinCount", 4);
    }
    TMainForm f;
    f.DebugForm = new TDebugForm;
    f.DeviceChooseDialog = new TDeviceChooseDialog(&f, QStringLiteral(PROGRAM_DIR));
    f.OptionsDlg = new TOptionsDlg(&f);
    f.ApplyOptions();
    f.show();
    f.ConnectOnStart();
    f.setEnabled(true);
    ASSERT_TRUE(f.Link.LinkUp);
    emu.ClearRecords();

    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TDeviceChooseDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        const auto items = d->DeviceListBox->findItems(Caption, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        QListWidget* list = d->DeviceListBox;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
        QTest::mouseClick(d->OKBtn, Qt::LeftButton);
        chosen = true;
    });
    f.SelectPlugin->trigger();
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Texts().join("|").toStdString();
    ASSERT_TRUE(PumpUntil([&] { return emu.RawReceived().size() >= Expected.size(); }, 2000));
    EXPECT_EQ(emu.RawReceived().left(Expected.size()).toHex(' '), Expected.toHex(' '));
    Then(f, emu);
    f.close();
}

template <class W>
W* OnPanel(TMainForm& f, const char* Name)
{
    return f.PlugInPlaceholder->findChild<W*>(QLatin1String(Name));
}

} // namespace

TEST(SensorBlockEndToEnd, Karn7eRestartsThenSelectsAndKeepsTheAutoSwitchOff)
{
    // Restart (0x06), its second step (0x03), then the select with code 3.
    ChooseBlock("PIP_KARN7E", QStringLiteral("Блок датчкика KARN-7E"), Hex("0D0A0601 0D0A0304 0D0A0403 0303"),
                [](TMainForm& f, AdapterEmulator& emu) {
                    auto* air = OnPanel<QLineEdit>(f, "LUvozd");
                    auto* good = OnPanel<QLineEdit>(f, "LConcentrGood");
                    ASSERT_NE(air, nullptr);
                    ASSERT_NE(good, nullptr);
                    ASSERT_TRUE(PumpUntil([&] { return !air->text().isEmpty() && !good->text().isEmpty(); }, 5000));
                    EXPECT_TRUE(air->text().startsWith("123.")) << air->text().toStdString();

                    // The timer: 0x08 every 500 ms.
                    emu.ClearRecords();
                    ASSERT_TRUE(PumpUntil([&] { return emu.RawReceived().count(Hex("0D0A080F")) >= 3; }, 4000));
                    std::vector<uint32_t> ticks;
                    for (const auto& c : emu.Commands())
                        if (c.Code == 0x08)
                            ticks.push_back(c.Tick);
                    ASSERT_GE(ticks.size(), 3u);
                    for (size_t i = 1; i < ticks.size(); ++i)
                        EXPECT_GE(ticks[i] - ticks[i - 1], 400u);
                    EXPECT_EQ(emu.RawReceived().count(Hex("0D0A0601")), 0);

                    // "Перезапуск" restarts the block again.
                    emu.ClearRecords();
                    QTest::mouseClick(OnPanel<QPushButton>(f, "BReset"), Qt::LeftButton);
                    ASSERT_TRUE(PumpUntil([&] { return emu.RawReceived().contains(Hex("0D0A0601 0D0A0304")); }, 2000));
                });
}

TEST(SensorBlockEndToEnd, DelmRestartsThenSelects)
{
    // Restart (0x06), its second step (0x03), then the select with code 5.
    ChooseBlock("PIP_DELM", QStringLiteral("Блок датчкика DELM"), Hex("0D0A0601 0D0A0304 0D0A0403 0505"),
                [](TMainForm& f, AdapterEmulator& emu) {
                    auto* type = OnPanel<QLineEdit>(f, "LType");
                    auto* value = OnPanel<QLineEdit>(f, "LConcentr");
                    ASSERT_NE(type, nullptr);
                    ASSERT_NE(value, nullptr);
                    ASSERT_TRUE(PumpUntil([&] { return !type->text().isEmpty() && !value->text().isEmpty(); }, 5000));
                    EXPECT_EQ(type->text(), "Метан");
                    // No timer on this panel: nothing but the stream's traffic.
                    emu.ClearRecords();
                    PumpUntil([] { return false; }, 700);
                    EXPECT_EQ(emu.RawReceived().count(Hex("0D0A080F")), 0);
                });
}
