#pragma once
// The whole road with a real device library: the main window connected to
// the adapter emulator on a pseudo-terminal, the library chosen in the device
// dialog as a user chooses it. Everything changed for the test is put back
// however it ends.
#include "AdapterEmulator.h"
#include "MessageBox.h"
#include "ProgramStart.h"
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
    // Whether the stored settings let the device's ID frames choose the library.
    virtual bool AutoSelectPlugin() const { return false; }

    void SetUp() override
    {
        ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
        adapteremu::EmulatorConfig Cfg = Emulator();
        Cfg.PortNum = 7;
        Emu = std::make_unique<adapteremu::AdapterEmulator>(Cfg);
        QString Err;
        ASSERT_TRUE(Emu->Start(&Err)) << Err.toStdString();
        StoreLinkSettings(7, AutoSelectPlugin());
        Main = std::make_unique<TMainForm>(Quick.Wait);
        StartMainForm(*Main, QStringLiteral(PROGRAM_DIR));
        Emu->ClearRecords();
    }

    void TearDown() override
    {
        if (Main)
            Main->close();
        Main.reset();
        Emu.reset();
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
        Parts(*Main).SelectPlugin->trigger();
        ASSERT_TRUE(Chosen);
        EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
    }

    template <class W>
    W* OnPanel(const char* Name) const
    {
        W* Child = Parts(*Main).PlugInPlaceholder->findChild<W*>(QLatin1String(Name));
        EXPECT_NE(Child, nullptr) << Name;
        return Child;
    }

    TTempStore Store;
    TQuickStart Quick;
    MessageBoxRecorder Boxes;
    std::unique_ptr<adapteremu::AdapterEmulator> Emu;
    std::unique_ptr<TMainForm> Main;
};

} // namespace ostan::test
