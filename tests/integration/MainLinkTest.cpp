// The main window's adapter operations against the emulator on a
// pseudo-terminal, in one process and on one thread, as in the program.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "PortMapping.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "MessageBox.h"
#include "Options.h"
#include "MainFormParts.h"
#include "PortScanning.h"
#include "Registry.h"
#include "Startup.h"
#include "TempStore.h"
#include "Ticks.h"
#include "VaComm.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QLabel>
#include <csignal>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace ostan;
using adapteremu::AdapterEmulator;
using adapteremu::EmulatorConfig;

namespace {

QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }

// For its lifetime the process is held to the files' permission bits also
// when it runs as root (the file-permission capabilities are out of its
// effective set), so that a device node of mode 0 refuses it as it would
// refuse a user outside the device's group.
class TPermissionBitsHold {
public:
    TPermissionBitsHold()
    {
        if (::geteuid() != 0) {
            Holds = true;
            return;
        }
        Header.version = _LINUX_CAPABILITY_VERSION_3;
        Header.pid = 0;
        if (::syscall(SYS_capget, &Header, Saved) != 0)
            return;
        __user_cap_data_struct held[2] = {Saved[0], Saved[1]};
        held[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        Dropped = Holds = ::syscall(SYS_capset, &Header, held) == 0;
    }
    ~TPermissionBitsHold()
    {
        if (Dropped)
            ::syscall(SYS_capset, &Header, Saved);
    }
    TPermissionBitsHold(const TPermissionBitsHold&) = delete;
    TPermissionBitsHold& operator=(const TPermissionBitsHold&) = delete;
    bool Holds = false;

private:
    bool Dropped = false;
    __user_cap_header_struct Header{};
    __user_cap_data_struct Saved[2]{};
};

class MainLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        // An answer ends its wait at once, so the waits are long enough for a
        // starved sanitizer build to answer; tests with a silent port shorten
        // the waits it pays in full.
        Waits.ProbeMs = 1000;
        Waits.ResetMs = 5000;
        Waits.SupervisionMs = 5000;
        SavedClose = TPortScanningForm::CloseIntervalMs;
        TPortScanningForm::CloseIntervalMs = 10;
        TPortScanningForm::OnTextForTest = [this](const QString& t, const QColor& c) { Texts.push_back({t, c}); };
    }
    void TearDown() override
    {
        Form.reset();
        Emulators.clear();
        TPortScanningForm::CloseIntervalMs = SavedClose;
        TPortScanningForm::OnTextForTest = {};
        SetSystemSerialDevicesForTest({});
    }

    AdapterEmulator& AddEmulator(int Port, int Baud, uint8_t Firmware = 27)
    {
        EmulatorConfig c;
        c.PortNum = Port;
        c.Baud = Baud;
        c.Firmware = Firmware;
        Emulators.push_back(std::make_unique<AdapterEmulator>(c));
        QString err;
        EXPECT_TRUE(Emulators.back()->Start(&err)) << err.toStdString();
        return *Emulators.back();
    }

    void StoreSettings(int Port, int Speed)
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey(TOptionsDlg::SettingsKey, true));
        r.WriteInteger("Port", Port);
        r.WriteInteger("PortSpeed", Speed);
        r.WriteInteger("Sound", 0);
        r.WriteInteger("AutoSelectPlugin", 0);
        r.WriteInteger("BLSPinCount", 4);
    }

    // Start-up steps 4, 5 and 8 of the program.
    TMainForm& StartUp()
    {
        Form = std::make_unique<TMainForm>(Waits);
        Form->DebugForm = std::make_unique<TDebugForm>();
        Form->DeviceChooseDialog = new TDeviceChooseDialog(Form.get());
        Form->OptionsDlg = new TOptionsDlg(Form.get());
        Form->ApplyOptions();
        Form->show();
        // The first paint (fonts, caches) happens here rather than inside the
        // probe's wait, where a starved machine spends it as silence.
        PumpUntil([this] { return Form->windowHandle() && Form->windowHandle()->isExposed(); }, 10000);
        ProcessMessages();
        Form->ConnectOnStart();
        Form->setEnabled(true);
        return *Form;
    }

    test::TTempStore Store;
    MessageBoxRecorder Boxes;
    TAdapterWaits Waits;
    int SavedClose = 0;
    std::vector<std::pair<QString, QColor>> Texts;
    std::vector<std::unique_ptr<AdapterEmulator>> Emulators;
    std::unique_ptr<TMainForm> Form;
};

} // namespace

TEST_F(MainLinkTest, StoredPortAnsweringConnectsAndResets)
{
    AdapterEmulator& emu = AddEmulator(7, 115200);
    StoreSettings(7, 13);
    TMainForm& f = StartUp();
    EXPECT_EQ(emu.RawReceived(), Hex("0D0A0700 0D0A0700 0D0AFFF8"));
    EXPECT_TRUE(Parts(f).Link.Supervisor().LinkUp());
    EXPECT_EQ(Parts(f).Link.Receiver().AdapterFirmwareVersion(), 27);
    EXPECT_EQ(Parts(f).StatusPanels[2]->text(), "COM7");
    EXPECT_TRUE(Parts(f).AdpReset->isEnabled());
    EXPECT_FALSE(Parts(f).AdpReset->isChecked());
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
    ASSERT_FALSE(Texts.empty());
    EXPECT_EQ(Texts.front().first, "Подключение...   COM7");
    // The traffic log shows the answers byte by byte with their labels.
    const QString log = f.DebugForm->Log().Text();
    EXPECT_TRUE(log.contains("74.1B.6F.(Echo)")) << log.toStdString();
    EXPECT_TRUE(log.contains("73.1B.68.(Init)")) << log.toStdString();
}

TEST_F(MainLinkTest, SilentStoredPortFallsBackToTheSearch)
{
    Waits.SupervisionMs = 1000; // the silent port's probes at 115200
    AdapterEmulator& silent = AddEmulator(5, 115200);
    silent.SetSilent(true);
    AdapterEmulator& slow = AddEmulator(6, 57600, 30);
    StoreSettings(5, 13);
    TMainForm& f = StartUp();

    // The silent port: the stored probe, then both speeds of the search.
    EXPECT_EQ(silent.RawReceived(), Hex("0D0A0700 0D0A0700").repeated(3));
    EXPECT_EQ(slow.RawReceived(), Hex("0D0A0700 0D0A0700 0D0AFFF8"));
    EXPECT_TRUE(Parts(f).Link.Supervisor().LinkUp());
    EXPECT_EQ(Parts(f).VaComm1->PortNum(), 6);
    EXPECT_EQ(Parts(f).VaComm1->Baudrate(), 12);
    EXPECT_EQ(Parts(f).Link.Receiver().AdapterFirmwareVersion(), 30);
    std::vector<QString> shown;
    for (const auto& t : Texts)
        shown.push_back(t.first);
    const std::vector<QString> expected = {"Подключение...   COM5", "Поиск ...   COM5", "Поиск ...   COM6",
                                           "Найден на COM6 (57.6)", "Сброс адаптера..."};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Texts[3].second, QColor(0, 128, 0));
    EXPECT_EQ(Texts[4].second, QColor(0, 0, 255));
    EXPECT_FALSE(Parts(f).AutoDetectDevice->isChecked());
}

TEST_F(MainLinkTest, NoAdapterAnywhereIsReportedInRed)
{
    Waits.ProbeMs = 300;
    Waits.SupervisionMs = 1000;
    AdapterEmulator& silent = AddEmulator(4, 115200);
    silent.SetSilent(true);
    StoreSettings(0, 13);
    TMainForm& f = StartUp();
    EXPECT_FALSE(Parts(f).Link.Supervisor().LinkUp());
    EXPECT_EQ(Parts(f).VaComm1->PortNum(), 0);
    EXPECT_FALSE(Parts(f).VaComm1->Active());
    ASSERT_FALSE(Texts.empty());
    EXPECT_EQ(Texts.back().first, "Адаптер не найден");
    EXPECT_EQ(Texts.back().second, QColor(255, 0, 0));
    EXPECT_EQ(Parts(f).StatusPanels[2]->text(), "Нет связи");
}

TEST_F(MainLinkTest, PortsThatRefuseToOpenAreNamedUnderTheResultAndTheSearchGoesOn)
{
    Waits.ProbeMs = 300;
    Waits.SupervisionMs = 1000;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // COM3 may not be opened (a node of mode 0, in the group dialout where
    // the system has one); COM5 is held by another program; the silent
    // adapter on COM6 comes after both.
    const QString locked = dir.filePath("ttyLocked");
    {
        QFile f(locked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    if (const group* g = ::getgrnam("dialout")) {
        EXPECT_EQ(::chown(QFile::encodeName(locked).constData(), uid_t(-1), g->gr_gid), 0);
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(locked).constData(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    ASSERT_NE(owner, nullptr);
    const QString groupName = QString::fromLocal8Bit(owner->gr_name);
    QString err;
    ASSERT_TRUE(adapteremu::MapPort(locked, 3, &err)) << err.toStdString();
    AddEmulator(5, 115200);
    AdapterEmulator& silent = AddEmulator(6, 115200);
    silent.SetSilent(true);
    TVaComm other;
    other.SetPortNum(5);
    ASSERT_NO_THROW(other.Open());
    StoreSettings(0, 13);

    // The details as the window shows them, and whether they fit it.
    QStringList details;
    bool fits = false;
    TPortScanningForm::OnDetailsForTest = [&](const TPortScanningForm& w) {
        details.push_back(w.Details->text());
        fits = !w.Details->isHidden() && w.Details->height() >= w.Details->heightForWidth(w.Details->width()) &&
               w.Details->geometry().bottom() == w.rect().bottom();
    };
    const auto forget = qScopeGuard([] { TPortScanningForm::OnDetailsForTest = {}; });

    TPermissionBitsHold hold;
    if (!hold.Holds)
        GTEST_SKIP() << "the process cannot give up its file-permission capabilities";
    TMainForm& f = StartUp();
    EXPECT_FALSE(Parts(f).Link.Supervisor().LinkUp());
    EXPECT_FALSE(silent.RawReceived().isEmpty()); // the search went past both
    ASSERT_FALSE(Texts.empty());
    EXPECT_EQ(Texts.back().first, "Адаптер не найден");

    ASSERT_FALSE(details.isEmpty());
    const QStringList lines = details.back().split('\n');
    ASSERT_EQ(lines.size(), 3) << details.back().toStdString();
    EXPECT_EQ(lines[0], "Не удалось открыть:");
    EXPECT_TRUE(lines[1].startsWith("COM3 (" + locked + "): нет прав на открытие порта, он доступен группе " + groupName))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains("sudo adduser ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(" " + groupName + ")")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("Порт COM5 (")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith("занят другой программой")) << lines[2].toStdString();
    EXPECT_TRUE(fits); // shown whole
    // The window keeps its own life: it is gone once the search is over.
    for (auto* w : f.findChildren<TPortScanningForm*>())
        EXPECT_FALSE(w->isVisible());

    // Finding the adapter adds nothing.
    details.clear();
    other.Close();
    Parts(f).AutoDetectDevice->trigger();
    EXPECT_TRUE(Parts(f).Link.Supervisor().LinkUp());
    for (const QString& d : details)
        EXPECT_TRUE(d.isEmpty());
}

TEST_F(MainLinkTest, ResetWithoutAnswerAndFirmwareTexts)
{
    Waits.ResetMs = 2000;        // the unanswered reset
    Waits.SupervisionMs = 2000; // the unanswered firmware query
    AdapterEmulator& emu = AddEmulator(7, 115200, 27);
    StoreSettings(7, 13);
    TMainForm& f = StartUp();
    ASSERT_TRUE(Parts(f).Link.Supervisor().LinkUp());

    Parts(f).FirmwareVersion->trigger();
    EXPECT_EQ(Boxes.Texts(), QStringList{"Версия прошивки адаптера: 27"});

    Boxes.Clear();
    emu.SetSilent(true);
    Parts(f).AdpReset->trigger();
    EXPECT_EQ(Boxes.Texts(), QStringList{"Ошибка инициализации адаптера."});
    EXPECT_FALSE(Parts(f).AdpReset->isChecked());
    EXPECT_EQ(Parts(f).Link.Receiver().AdapterFirmwareVersion(), 0);

    // The link is still shown up until supervision notices; the query finds no version.
    // A status frame (it carries no version) shows it up in any case.
    Boxes.Clear();
    emu.SetSilent(false);
    emu.SendStatusFrame();
    ASSERT_TRUE(PumpUntil([&] { return Parts(f).FirmwareVersion->isEnabled(); }, 5000));
    emu.SetSilent(true);
    Parts(f).FirmwareVersion->trigger();
    EXPECT_EQ(Boxes.Texts(), QStringList{"Версия прошивки адаптера: не определена"});
}

TEST_F(MainLinkTest, RestartAndAutoSwitchFollowTheFirmwareThresholds)
{
    AdapterEmulator& emu = AddEmulator(7, 115200, 27);
    StoreSettings(7, 13);
    TMainForm& f = StartUp();
    ASSERT_TRUE(Parts(f).Link.Supervisor().LinkUp());

    struct Case { int version; QByteArray restart; QByteArray autoSwitch; };
    const Case cases[] = {
        {8, "", ""},
        {9, Hex("0D0A0601"), ""},
        {25, Hex("0D0A0601"), ""},
        {26, Hex("0D0A0601 0D0A0304"), Hex("0D0A080F")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        emu.SetFirmware(static_cast<uint8_t>(c.version));
        emu.SendEchoFrame();
        ASSERT_TRUE(PumpUntil([&] { return Parts(f).Link.Receiver().AdapterFirmwareVersion() == c.version; }, 5000));
        emu.ClearRecords();
        f.RestartDevice();
        PumpUntil([&] { return emu.RawReceived().size() >= c.restart.size(); }, 1000);
        EXPECT_EQ(emu.RawReceived(), c.restart);
        emu.ClearRecords();
        f.DisableAutoSwitch();
        PumpUntil([&] { return emu.RawReceived().size() >= c.autoSwitch.size(); }, 1000);
        EXPECT_EQ(emu.RawReceived(), c.autoSwitch);
    }
    // Nothing goes out while the link is down.
    Parts(f).Link.ForgetAdapter();
    emu.ClearRecords();
    f.RestartDevice();
    EXPECT_FALSE(f.DisableAutoSwitch());
    ProcessMessages();
    EXPECT_TRUE(emu.RawReceived().isEmpty());
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(MainLinkTest, HangUpTakesTheLinkDownAtOnceAndTheSearchFindsTheAdapterAgain)
{
    AdapterEmulator& emu = AddEmulator(7, 115200);
    StoreSettings(7, 13);
    Waits.SupervisionMs = 10000; // only the hang-up can take the link down here
    TMainForm& f = StartUp();
    ASSERT_TRUE(Parts(f).Link.Supervisor().LinkUp());
    // A panel's timer asks the adapter to keep its automatic switching off.
    QTimer panelTimer;
    QObject::connect(&panelTimer, &QTimer::timeout, [] { OstanBackSink()->DisableAutoSwitch(); });
    panelTimer.start(20);

    emu.Hangup(); // the USB adapter pulled out
    EXPECT_TRUE(PumpUntil([&] { return !Parts(f).Link.Supervisor().LinkUp(); }, 5000));
    PumpUntil([] { return false; }, 200); // the panel's timer goes on meanwhile
    EXPECT_EQ(Parts(f).StatusPanels[2]->text(), "Нет связи");
    EXPECT_FALSE(Parts(f).AdpReset->isEnabled());
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
    panelTimer.stop();

    QString why;
    ASSERT_TRUE(emu.Resume(&why)) << why.toStdString(); // plugged in again
    Parts(f).AutoDetectDevice->trigger();
    EXPECT_TRUE(Parts(f).Link.Supervisor().LinkUp());
    EXPECT_EQ(Parts(f).VaComm1->PortNum(), 7);
}

TEST_F(MainLinkTest, TerminationSignalDuringTheStartUpClosesItsDialogAndEnds)
{
    AddEmulator(7, 115200); // maps itself into the empty store: the settings dialog opens at the end
    WatchEndRequests();
    bool dialogSeen = false;
    auto check = std::make_shared<std::function<void()>>();
    // The copies the timers hold reach the check only while the test runs.
    *check = [&, weak = std::weak_ptr(check)] {
        if (qobject_cast<TOptionsDlg*>(QApplication::activeModalWidget())) {
            dialogSeen = true;
            std::raise(SIGTERM);
            return;
        }
        if (auto again = weak.lock())
            QTimer::singleShot(20, *again);
    };
    QTimer::singleShot(0, *check);
    QTimer watchdog; // the dialog stayed: no one would close it
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->reject();
    });
    watchdog.start(60000);
    Form.reset(ostan::StartUp());
    const bool closedByTheRequest = watchdog.isActive();
    SetEndRequested(false);
    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(closedByTheRequest);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainLinkTest, TerminationSignalDuringTheStartUpSearchKeepsTheStoredPort)
{
    AdapterEmulator& stored = AddEmulator(7, 115200);
    stored.SetSilent(true);
    AdapterEmulator& later = AddEmulator(9, 115200); // the search would reach it next
    StoreSettings(7, 13);
    WatchEndRequests();
    TPortScanningForm::OnTextForTest = [&](const QString& t, const QColor& c) {
        Texts.push_back({t, c});
        if (t == "Поиск ...   COM7")
            std::raise(SIGTERM);
    };
    Form.reset(ostan::StartUp());
    Form->close(); // as the program does once the start-up has ended at the request
    const bool requested = EndRequested();
    SetEndRequested(false);
    EXPECT_TRUE(requested);
    EXPECT_TRUE(later.RawReceived().isEmpty()); // the search stopped there
    for (const auto& t : Texts)
        EXPECT_NE(t.first, "Адаптер не найден");
    TRegistry r(RegAccess::Read);
    ASSERT_TRUE(r.OpenKeyReadOnly(TOptionsDlg::SettingsKey));
    EXPECT_EQ(r.ReadInteger("Port"), 7);
    EXPECT_EQ(r.ReadInteger("PortSpeed"), 13);
}

TEST_F(MainLinkTest, AFinishedSearchStoresItsPortUnlessThePortWasNeverHeld)
{
    Waits.ProbeMs = 300;
    Waits.SupervisionMs = 1000;
    struct Case {
        const char* Name;
        bool Busy;  // another program holds the stored port
        int Stored; // what the store holds after the close
    };
    const Case Cases[] = {{"silent adapter", false, 0}, {"port held by another copy", true, 7}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Emulators.clear();
        AddEmulator(7, 115200).SetSilent(!C.Busy);
        StoreSettings(7, 13);
        TVaComm other;
        if (C.Busy) {
            other.SetPortNum(7);
            ASSERT_NO_THROW(other.Open());
        }
        Texts.clear();
        TMainForm& f = StartUp();
        EXPECT_FALSE(Parts(f).Link.Supervisor().LinkUp());
        ASSERT_FALSE(Texts.empty());
        EXPECT_EQ(Texts.back().first, "Адаптер не найден"); // the search went through its list
        f.close();
        other.Close();
        Form.reset();
        TRegistry r(RegAccess::Read);
        ASSERT_TRUE(r.OpenKeyReadOnly(TOptionsDlg::SettingsKey));
        EXPECT_EQ(r.ReadInteger("Port"), C.Stored);
        EXPECT_EQ(r.ReadInteger("BLSPinCount"), 4); // the other settings are written as ever
    }
}

TEST_F(MainLinkTest, FirstStartShowsTheReadErrorThenSearchesThenOpensTheSettings)
{
    AddEmulator(7, 115200); // maps itself into the empty store
    bool dialogSeen = false;
    QTimer::singleShot(0, [] {}); // keep the loop primed
    Boxes.OnShow = [](const MessageBoxRequest&) {};
    auto check = std::make_shared<std::function<void()>>();
    // The copies the timers hold reach the check only while the test runs.
    *check = [&, weak = std::weak_ptr(check)] {
        if (auto* d = qobject_cast<TOptionsDlg*>(QApplication::activeModalWidget())) {
            dialogSeen = true;
            // The search and the reset have run by now.
            EXPECT_TRUE(Parts(*static_cast<TMainForm*>(d->parentWidget())).Link.Supervisor().LinkUp());
            EXPECT_TRUE(d->ImageBLS4->isHidden() && d->ImageBLS5->isHidden());
            d->reject();
            return;
        }
        if (auto again = weak.lock())
            QTimer::singleShot(20, *again);
    };
    QTimer::singleShot(0, *check);
    Form.reset(ostan::StartUp());
    EXPECT_TRUE(dialogSeen);
    ASSERT_FALSE(Boxes.Boxes.empty());
    EXPECT_EQ(Boxes.Boxes[0].Text, "Ошибка чтения реестра.\rПроверьте настройки программы и перезапустите ее.");
    EXPECT_EQ(Parts(*Form).VaComm1->PortNum(), 7);
    EXPECT_TRUE(Form->isEnabled());
}
