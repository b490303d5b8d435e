#pragma once
// The whole road with a real device library: the main window connected to
// the adapter emulator on a pseudo-terminal, the library chosen in the device
// dialog as a user chooses it. Everything changed for the test is put back
// however it ends.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "MessageBox.h"
#include "NumberSeparators.h"
#include "Options.h"
#include "OstanMain.h"
#include "PortScanning.h"
#include "Registry.h"
#include "TempStore.h"
#include "Ticks.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace ostan::test {

inline QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }

class TEndToEndFixture : public ::testing::Test {
protected:
    // The emulator as the test wants it (port 7 is set here).
    virtual adapteremu::EmulatorConfig Emulator() const
    {
        adapteremu::EmulatorConfig Cfg;
        Cfg.Firmware = 26;
        return Cfg;
    }

    void SetUp() override
    {
        SetSeparatorsForTest(QLatin1Char('.'), QLatin1Char(','));
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        TMainForm::Wait.ProbeMs = 60;
        TMainForm::Wait.ResetMs = 400;
        TMainForm::Wait.SupervisionMs = 10000; // the link stays up however slow the machine
        TPortScanningForm::CloseIntervalMs = 10;
        ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));

        adapteremu::EmulatorConfig Cfg = Emulator();
        Cfg.PortNum = 7;
        Emu = std::make_unique<adapteremu::AdapterEmulator>(Cfg);
        QString Err;
        ASSERT_TRUE(Emu->Start(&Err)) << Err.toStdString();
        {
            TRegistry R;
            ASSERT_TRUE(R.OpenKey(TOptionsDlg::SettingsKey, true));
            R.WriteInteger("Port", 7);
            R.WriteInteger("PortSpeed", 13);
            R.WriteInteger("Sound", 0);
            R.WriteInteger("AutoSelectPlugin", 0);
            R.WriteInteger("BLSPinCount", 4);
        }
        Main = std::make_unique<TMainForm>();
        Main->DebugForm = new TDebugForm;
        Main->DeviceChooseDialog = new TDeviceChooseDialog(Main.get(), QStringLiteral(PROGRAM_DIR));
        Main->OptionsDlg = new TOptionsDlg(Main.get());
        Main->ApplyOptions();
        Main->show();
        Main->ConnectOnStart();
        Main->setEnabled(true);
        ASSERT_TRUE(Main->Link.LinkUp);
        Emu->ClearRecords();
    }

    void TearDown() override
    {
        if (Main)
            Main->close();
        Main.reset();
        Emu.reset();
        StopOstanBackServer();
        TMainForm::Wait = SavedWait;
        TPortScanningForm::CloseIntervalMs = SavedClose;
        SetSystemSerialDevicesForTest({});
        ResetSeparatorsForTest();
    }

    // The user opens the device dialog, clicks the entry Caption and OK.
    void Choose(const QString& Caption)
    {
        bool Chosen = false;
        QTimer::singleShot(0, [&] {
            auto* D = qobject_cast<TDeviceChooseDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(D, nullptr);
            const auto Items = D->DeviceListBox->findItems(Caption, Qt::MatchExactly);
            ASSERT_EQ(Items.size(), 1);
            QListWidget* List = D->DeviceListBox;
            QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, List->visualItemRect(Items[0]).center());
            QTest::mouseClick(D->OKBtn, Qt::LeftButton);
            Chosen = true;
        });
        Main->SelectPlugin->trigger();
        ASSERT_TRUE(Chosen);
        EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
    }

    template <class W>
    W* OnPanel(const char* Name) const
    {
        W* Child = Main->PlugInPlaceholder->findChild<W*>(QLatin1String(Name));
        EXPECT_NE(Child, nullptr) << Name;
        return Child;
    }

    const TMainForm::Timings SavedWait = TMainForm::Wait;
    const int SavedClose = TPortScanningForm::CloseIntervalMs;
    TTempStore Store;
    MessageBoxRecorder Boxes;
    std::unique_ptr<adapteremu::AdapterEmulator> Emu;
    std::unique_ptr<TMainForm> Main;
};

} // namespace ostan::test
