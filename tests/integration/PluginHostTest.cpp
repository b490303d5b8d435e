// Activation, routing and automatic selection: the main window in process
// with fake device libraries in a temporary Plugins folder and the adapter
// emulator on a pseudo-terminal. The fakes write every call to a journal;
// object #1 of each library is the scan's, so activations start at #2.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "ComTestSupport.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "FakeDeviceKnobs.h"
#include "Guard.h"
#include "LogLines.h"
#include "MessageBox.h"
#include "Options.h"
#include "MainFormParts.h"
#include "PluginHostSupport.h"
#include "PortScanning.h"
#include "Registry.h"
#include "Ticks.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace ostan;
using namespace ostan::test;
using adapteremu::AdapterEmulator;
using adapteremu::EmulatorConfig;

namespace {

QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text).replace(' ', "")); }

// Adapter command 0x04 with a device code.
QByteArray SelectCommand(uint8_t Code) { return Hex("0D0A0403") + char(Code) + char(Code); }

struct TDevice {
    const char* Module;
    const char* Fixture;
    int Length;
    uint8_t Code;
};
const TDevice TIRA5{"TIRA5", "FakeDevice1", 14, 0x35};
const TDevice TIRA6{"TIRA6", "FakeDevice2", 20, 0x36};
const TDevice TIRA4{"TIRA4", "FakeDevice3", 9, 0x34};

class PluginHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Root.isValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        ResetFakes();
        SetApplicationTerminated(false);
        Waits.ProbeMs = 60;
        Waits.ResetMs = 3000; // ends at the answer
        Waits.SupervisionMs = 10000; // the link stays up however slow the machine
        SavedClose = TPortScanningForm::CloseIntervalMs;
        TPortScanningForm::CloseIntervalMs = 10;
        ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    }
    void TearDown() override
    {
        Form.reset();
        Emulator.reset();
        StopOstanBackServer();
        TPortScanningForm::CloseIntervalMs = SavedClose;
        SetSystemSerialDevicesForTest({});
        SetApplicationTerminated(false);
        ResetFakes();
    }

    void Install(std::initializer_list<TDevice> Devices)
    {
        for (const TDevice& D : Devices)
            PlaceLibrary(D.Fixture, Root.path() + "/Plugins", QString::fromLatin1(D.Module) + ".so");
    }

    // The program's start-up with the link up and nothing recorded yet.
    TMainForm& StartUp(bool AutoSelect)
    {
        EmulatorConfig C;
        C.PortNum = 7;
        Emulator = std::make_unique<AdapterEmulator>(C);
        QString Error;
        EXPECT_TRUE(Emulator->Start(&Error)) << Error.toStdString();
        {
            TRegistry R;
            EXPECT_TRUE(R.OpenKey(TOptionsDlg::SettingsKey, true));
            R.WriteInteger("Port", 7);
            R.WriteInteger("PortSpeed", 13);
            R.WriteInteger("Sound", 0);
            R.WriteInteger("AutoSelectPlugin", AutoSelect ? 1 : 0);
            R.WriteInteger("BLSPinCount", 4);
        }
        Form = std::make_unique<TMainForm>(Waits);
        Form->DebugForm = std::make_unique<TDebugForm>();
        Form->DeviceChooseDialog = new TDeviceChooseDialog(Form.get(), Root.path());
        Form->OptionsDlg = new TOptionsDlg(Form.get());
        Form->ApplyOptions();
        Form->show();
        Form->ConnectOnStart();
        Form->setEnabled(true);
        EXPECT_TRUE(Parts(*Form).Link.Supervisor().LinkUp());
        Emulator->ClearRecords();
        // The scan made and released object #1 of each library.
        QCoreApplication::instance()->setProperty(FakeJournalProperty, QVariant());
        return *Form;
    }

    int DeviceIdsSeen() const { return int(Form->DebugForm->Log().Text().count("(Device ID)")); }

    // A "7" frame, handled to its end (an activation included).
    void SendDeviceId(uint8_t Id)
    {
        const int Before = DeviceIdsSeen();
        Emulator->SendDeviceId(Id);
        EXPECT_TRUE(PumpUntil([&] { return DeviceIdsSeen() > Before; }, 20000)) << int(Id);
    }

    // Waits for Size bytes the program sent, then forgets them.
    void Drain(int Size)
    {
        Sent(Size);
        Emulator->ClearRecords();
    }

    // Everything the program sent, once at least Size bytes are in.
    QByteArray Sent(int Size)
    {
        PumpUntil([&] { return Emulator->RawReceived().size() >= Size; }, 3000);
        ProcessMessages();
        return Emulator->RawReceived();
    }

    // The device dialog opened by the next SelectPlugin: select Module (none:
    // keep the selection) and close with OK or Cancel.
    void ChooseInDialog(const QString& Module, bool Ok)
    {
        QTimer::singleShot(0, [this, Module, Ok] {
            auto* D = qobject_cast<TDeviceChooseDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(D, nullptr);
            if (!Module.isEmpty()) {
                for (int I = 0; I < D->DeviceListBox->count(); ++I)
                    if (TDeviceChooseDialog::EntryOf(D->DeviceListBox->item(I))->ModuleName == Module)
                        D->DeviceListBox->setCurrentRow(I); // as a click or a key would
            }
            (Ok ? D->OKBtn : D->CancelBtn)->click();
        });
        Parts(*Form).SelectPlugin->trigger();
    }

    // The journal entries written since From.
    static QStringList JournalFrom(int From) { return FakeJournal().mid(From); }

    QString SetBoundsEntry(const QString& Object) const
    {
        return QStringLiteral("%1 SetBounds 1 1 %2 %3")
            .arg(Object)
            .arg(Parts(*Form).PlugInPlaceholder->width() - 2)
            .arg(Parts(*Form).PlugInPlaceholder->height() - 2);
    }

    TTempStore Store;
    QTemporaryDir Root; // the program's folder
    MessageBoxRecorder Boxes;
    TAdapterWaits Waits;
    int SavedClose = 0;
    std::unique_ptr<AdapterEmulator> Emulator;
    std::unique_ptr<TMainForm> Form;
};

} // namespace

TEST_F(PluginHostTest, DeviceIdFramesSelectTheirLibrariesWhileAutoSelectionIsOn)
{
    Install({TIRA5, TIRA6, TIRA4});
    TMainForm& F = StartUp(true);
    Parts(F).ExcelAvailable = true;

    struct Step {
        uint8_t Id;
        const TDevice* Activated; // null: nothing happens
        QStringList Journal;
    };
    const Step Steps[] = {
        {1, &TIRA5, {"TIRA5#2 Create", "TIRA5#2 Init", "<bounds>", "TIRA5#2 ShowPanel"}},
        {1, nullptr, {}}, // already the active one
        // The new object is made before the old one goes, which is gone before Init.
        {2, &TIRA6, {"TIRA6#2 Create", "TIRA5#2 Destroy", "TIRA6#2 Init", "<bounds>", "TIRA6#2 ShowPanel"}},
        {3, &TIRA4, {"TIRA4#2 Create", "TIRA6#2 Destroy", "TIRA4#2 Init", "<bounds>", "TIRA4#2 ShowPanel"}},
        {4, nullptr, {}},
        {0, nullptr, {}},
        {3, nullptr, {}},
        {1, &TIRA5, {"TIRA5#3 Create", "TIRA4#2 Destroy", "TIRA5#3 Init", "<bounds>", "TIRA5#3 ShowPanel"}},
    };
    for (const Step& S : Steps) {
        SCOPED_TRACE(testing::Message() << "device id " << int(S.Id));
        const int From = int(FakeJournal().size());
        const QString ModuleBefore = F.DeviceChooseDialog->SelectedModule;
        Emulator->ClearRecords();
        SendDeviceId(S.Id);
        QStringList Expected = S.Journal;
        if (!Expected.isEmpty())
            Expected.replace(Expected.indexOf("<bounds>"), SetBoundsEntry(Expected.back().section(' ', 0, 0)));
        EXPECT_EQ(JournalFrom(From), Expected);
        if (S.Activated) {
            EXPECT_EQ(Sent(6), SelectCommand(S.Activated->Code));
            EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, S.Activated->Module);
            EXPECT_EQ(TDeviceChooseDialog::EntryOf(F.DeviceChooseDialog->SelectedItem())->ModuleName,
                      S.Activated->Module);
            EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), S.Activated->Length);
        } else {
            EXPECT_TRUE(Sent(0).isEmpty());
            EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, ModuleBefore);
        }
        EXPECT_TRUE(bool(Parts(F).CurrentPlugin));
        EXPECT_TRUE(Parts(F).FileSave1->isEnabled());
    }
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();

    // The program's end releases the active plug-in.
    const int From = int(FakeJournal().size());
    Form.reset();
    EXPECT_EQ(JournalFrom(From), QStringList{"TIRA5#3 Destroy"});
}

TEST_F(PluginHostTest, DeviceIdFramesChangeNothingWhileAutoSelectionIsOff)
{
    Install({TIRA5, TIRA6}); // no TIRA4
    TMainForm& F = StartUp(false);
    for (uint8_t Id : {1, 2, 3})
        SendDeviceId(Id);
    EXPECT_TRUE(FakeJournal().isEmpty());
    EXPECT_FALSE(bool(Parts(F).CurrentPlugin));
    EXPECT_TRUE(Sent(0).isEmpty());

    // The check is read at every frame; a library that is not installed is ignored.
    Parts(F).AutoSelectPlugin->setChecked(true);
    SendDeviceId(3);
    EXPECT_FALSE(bool(Parts(F).CurrentPlugin));
    EXPECT_TRUE(F.DeviceChooseDialog->SelectedModule.isEmpty());
    SendDeviceId(2);
    EXPECT_TRUE(bool(Parts(F).CurrentPlugin));
    EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, "TIRA6");
    EXPECT_EQ(Sent(6), SelectCommand(TIRA6.Code));
}

TEST_F(PluginHostTest, ChoosingInTheDialogActivatesAndChoosingAgainRecreates)
{
    Install({TIRA5, TIRA6});
    SetFakeKnob("TIRA5", KnobCallback, true); // its panel asks for a restart when shown
    TMainForm& F = StartUp(false);

    SetTickSourceForTest([] { return 123456u; });
    ChooseInDialog("TIRA5", true);
    SetTickSourceForTest({});
    EXPECT_EQ(Parts(F).Link.Supervisor().PluginSelectTime(), 123456u);
    // The restart from the panel's show leaves before the device selection.
    const QByteArray First = Hex("0D0A0601 0D0A0304") + SelectCommand(TIRA5.Code);
    EXPECT_EQ(Sent(First.size()), First);
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), TIRA5.Length);
    EXPECT_FALSE(Parts(F).FileSave1->isEnabled()); // no workbook export here
    auto* Panel = Parts(F).PlugInPlaceholder->findChild<QWidget*>("FakePanel");
    ASSERT_NE(Panel, nullptr);
    EXPECT_TRUE(Panel->isVisible());
    EXPECT_EQ(Panel->geometry(), QRect(1, 1, Parts(F).PlugInPlaceholder->width() - 2, Parts(F).PlugInPlaceholder->height() - 2));
    EXPECT_EQ(F.focusWidget(), Parts(F).PlugInPlaceholder);

    // The same entry again: a new object, a new Init, a new selection command.
    Emulator->ClearRecords();
    const int From = int(FakeJournal().size());
    ChooseInDialog(QString(), true);
    const QStringList Journal = JournalFrom(From);
    ASSERT_GE(Journal.size(), 3);
    EXPECT_EQ(Journal.mid(0, 3), (QStringList{"TIRA5#3 Create", "TIRA5#2 Destroy", "TIRA5#3 Init"}));
    EXPECT_EQ(Sent(First.size()), First);
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
}

TEST_F(PluginHostTest, CancelAfterChoosingAnotherEntryChangesOnlySelectedModule)
{
    Install({TIRA5, TIRA6});
    TMainForm& F = StartUp(true);
    ChooseInDialog("TIRA5", true);
    IOstanPlugin* Active = Parts(F).CurrentPlugin.Get();
    Drain(6);
    const int From = int(FakeJournal().size());

    Parts(F).DevChooseBut->setFocus();
    ChooseInDialog("TIRA6", false);
    EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, "TIRA6");
    EXPECT_EQ(Parts(F).CurrentPlugin.Get(), Active);
    EXPECT_TRUE(JournalFrom(From).isEmpty());
    EXPECT_TRUE(Sent(0).isEmpty());
    EXPECT_EQ(F.focusWidget(), Parts(F).PlugInPlaceholder);

    // The automatic selection compares with SelectedModule: the active
    // library's own identifier now activates it anew.
    SendDeviceId(1);
    EXPECT_EQ(JournalFrom(From).value(0), "TIRA5#3 Create");
    EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, "TIRA5");
    EXPECT_EQ(Sent(6), SelectCommand(TIRA5.Code));
}

TEST_F(PluginHostTest, EveryResizeOfThePlaceholderRefitsThePanel)
{
    Install({TIRA5});
    TMainForm& F = StartUp(false);
    F.ActivatePlugin("TIRA5");
    for (QSize Size : {QSize(800, 600), QSize(700, 500), QSize(630, 420)}) {
        const int From = int(FakeJournal().size());
        F.resize(Size);
        PumpUntil([&] { return JournalFrom(From).size() > 0; }, 1000);
        EXPECT_EQ(JournalFrom(From).value(0), SetBoundsEntry("TIRA5#2"));
        EXPECT_EQ(Parts(F).PlugInPlaceholder->findChild<QWidget*>("FakePanel")->size(),
                  Parts(F).PlugInPlaceholder->size() - QSize(2, 2));
    }
    F.UnloadPlugin();
    const int From = int(FakeJournal().size());
    F.resize(800, 600);
    ProcessMessages();
    EXPECT_TRUE(JournalFrom(From).isEmpty());
}

// A panel whose minimum is larger than the place the window gives it: the
// window grows, so no button of it hides under the status bar or the edge.
TEST_F(PluginHostTest, APanelLargerThanItsPlaceIsShownWhole)
{
    Install({TIRA5, TIRA6});
    SetFakeKnob("TIRA5", KnobMinimumSize, QSize(531, 480));
    TMainForm& F = StartUp(false);
    F.ActivatePlugin("TIRA5");
    auto* Panel = Parts(F).PlugInPlaceholder->findChild<QWidget*>("FakePanel");
    ASSERT_NE(Panel, nullptr);
    // The window system takes the new size in its own time.
    PumpUntil([&] { return F.statusBar()->geometry().top() > Panel->mapTo(&F, QPoint(0, Panel->height())).y(); }, 3000);
    const QList<QPushButton*> Buttons = Panel->findChildren<QPushButton*>();
    ASSERT_EQ(Buttons.size(), 2);
    const QRect Visible = Parts(F).PlugInPlaceholder->contentsRect();
    for (const QPushButton* B : Buttons) {
        const QRect R(B->mapTo(Parts(F).PlugInPlaceholder, QPoint()), B->size());
        EXPECT_TRUE(Visible.contains(R)) << R.x() << "," << R.y() << " " << R.width() << "x" << R.height();
        // and the placeholder lies within the window, above the status bar
        const QRect InWindow(B->mapTo(&F, QPoint()), B->size());
        EXPECT_LE(InWindow.bottom(), F.statusBar()->geometry().top());
    }
    // Nor can the user make the window too small for it.
    F.resize(TMainForm::DesignSize);
    PumpUntil([] { return false; }, 200);
    for (const QPushButton* B : Buttons)
        EXPECT_TRUE(Parts(F).PlugInPlaceholder->contentsRect().contains(QRect(B->mapTo(Parts(F).PlugInPlaceholder, QPoint()), B->size())));
    // A panel that fits leaves the window's own minimum.
    F.ActivatePlugin("TIRA6");
    EXPECT_EQ(F.minimumSize(), TMainForm::DesignSize);
}

TEST_F(PluginHostTest, DataFramesReachThePluginAtItsLengthUntilUnloaded)
{
    Install({TIRA4});
    TMainForm& F = StartUp(false);
    Parts(F).ExcelAvailable = true;
    F.ActivatePlugin("TIRA4");
    ASSERT_EQ(Parts(F).Link.Receiver().PacketLength(), 9);
    EXPECT_TRUE(Parts(F).FileSave1->isEnabled());

    int From = int(FakeJournal().size());
    Emulator->SendRaw(Hex("5F 01 02 03 04 05 06 07 08"));
    PumpUntil([&] { return !JournalFrom(From).isEmpty(); }, 3000);
    EXPECT_EQ(JournalFrom(From), QStringList{"TIRA4#2 Receive 5f0102030405060708"});
    EXPECT_TRUE(Parts(F).Link.Receiver().Synced()); // accepted

    // The adapter reset unloads the plug-in; frames of the old length are
    // still collected and refused without a call.
    Parts(F).AdpReset->trigger();
    EXPECT_FALSE(bool(Parts(F).CurrentPlugin));
    EXPECT_FALSE(Parts(F).FileSave1->isEnabled());
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), 9);
    EXPECT_EQ(FakeJournal().back(), "TIRA4#2 Destroy");
    From = int(FakeJournal().size());
    const int IdsBefore = DeviceIdsSeen();
    Emulator->SendRaw(Hex("5F 01 02 03 04 05 06 07 08"));
    Emulator->SendStatusFrame();
    Emulator->SendDeviceId(9); // a frame after the refused one, to know it is through
    PumpUntil([&] { return DeviceIdsSeen() > IdsBefore; }, 3000);
    EXPECT_TRUE(JournalFrom(From).isEmpty());

    // The port search collects at length 3 again.
    Parts(F).AutoDetectDevice->trigger();
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), 3);
    EXPECT_FALSE(bool(Parts(F).CurrentPlugin));
}

TEST_F(PluginHostTest, ActivationFailuresEndInTheExceptionHandler)
{
    Install({TIRA5});
    TMainForm& F = StartUp(false);
    struct Case {
        const char* Knob;
        QVariant Value;
        const char* Text;
        bool Created;
    };
    const Case Cases[] = {
        {KnobThrowIn, "Create", "fake Create failed", false},
        {KnobThrowIn, "Init", "fake Init failed", true},
        {KnobThrowIn, "SetBounds", "fake SetBounds failed", true},
        {KnobThrowIn, "ShowPanel", "fake ShowPanel failed", true},
        // Frame lengths the receiver cannot collect are refused before the panel shows.
        {KnobPacketLength, 1, "Модуль TIRA5 сообщил недопустимую длину пакета данных: 1.", true},
        {KnobPacketLength, 251, "Модуль TIRA5 сообщил недопустимую длину пакета данных: 251.", true},
        {KnobPacketLength, -7, "Модуль TIRA5 сообщил недопустимую длину пакета данных: -7.", true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        ResetFakes();
        SetFakeKnob("TIRA5", C.Knob, C.Value);
        Boxes.Clear();
        Emulator->ClearRecords();
        SetApplicationTerminated(false);
        Guarded([&] { F.ActivatePlugin("TIRA5"); }); // as the handlers that call it run
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
        EXPECT_TRUE(Boxes.Boxes[0].Text.contains(QString::fromUtf8(C.Text))) << Boxes.Boxes[0].Text.toStdString();
        EXPECT_TRUE(ApplicationTerminated());
        EXPECT_FALSE(bool(Parts(F).CurrentPlugin)); // unloaded by the handler
        EXPECT_EQ(FakeJournal().filter(" Destroy").size(), C.Created ? 1 : 0);
        EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), 3);
        EXPECT_TRUE(Sent(0).isEmpty());
    }
    // The bounds themselves are accepted.
    for (int Length : {2, 250}) {
        ResetFakes();
        SetFakeKnob("TIRA5", KnobPacketLength, Length);
        Boxes.Clear();
        SetApplicationTerminated(false);
        Guarded([&] { F.ActivatePlugin("TIRA5"); });
        EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
        EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), Length);
    }
}

TEST_F(PluginHostTest, LinkDownShowsTheBoxOnceAndTheActivationGoesOn)
{
    Install({TIRA5});
    TMainForm& F = StartUp(false);
    Parts(F).ExcelAvailable = true;
    Parts(F).Link.ForgetAdapter();
    F.ActivatePlugin("TIRA5");
    EXPECT_EQ(Boxes.Texts(), QStringList{"Адаптер не активен.\rДля отображеня данных необходимо подключить и\r"
                                         "инициализировать адаптер, а затем выбрать прибор."});
    EXPECT_TRUE(bool(Parts(F).CurrentPlugin));
    EXPECT_TRUE(Parts(F).PlugInPlaceholder->findChild<QWidget*>("FakePanel")->isVisible());
    EXPECT_TRUE(Parts(F).FileSave1->isEnabled());
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), TIRA5.Length);
    EXPECT_TRUE(Sent(0).isEmpty());
}

// The activation holds a reference of its own: an unload from inside Init
// (a power-loss status handled while the plug-in pumps) stops it safely.
TEST_F(PluginHostTest, UnloadInsideInitStopsTheActivation)
{
    Install({TIRA6});
    TMainForm& F = StartUp(false);
    TJournal Watch([&](const QString& Entry) {
        if (Entry == "TIRA6#2 Init")
            F.UnloadPlugin();
    });
    F.ActivatePlugin("TIRA6");
    EXPECT_EQ(FakeJournal(), (QStringList{"TIRA6#2 Create", "TIRA6#2 Init", "TIRA6#2 Destroy"}));
    EXPECT_FALSE(bool(Parts(F).CurrentPlugin));
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), 3);
    EXPECT_TRUE(Sent(0).isEmpty());
}

// A device identifier that arrives while the old plug-in is being destroyed
// (its destruction pumps messages) is taken up once the activation is done.
TEST_F(PluginHostTest, DeviceIdDuringAnActivationWaitsForItsEnd)
{
    Install({TIRA5, TIRA6, TIRA4});
    TMainForm& F = StartUp(true);
    SendDeviceId(1);
    ASSERT_EQ(F.DeviceChooseDialog->SelectedModule, "TIRA5");
    Drain(6);
    const int From = int(FakeJournal().size());

    bool Nested = false;
    TJournal Watch([&](const QString& Entry) {
        if (Entry != "TIRA5#2 Destroy" || Nested)
            return;
        Nested = true;
        SendDeviceId(3); // handled right here, inside the destruction
    });
    SendDeviceId(2);
    EXPECT_TRUE(Nested);
    const QStringList Expected = {
        "TIRA6#2 Create", "TIRA5#2 Destroy", "TIRA6#2 Init", SetBoundsEntry("TIRA6#2"), "TIRA6#2 ShowPanel",
        "TIRA4#2 Create", "TIRA6#2 Destroy", "TIRA4#2 Init", SetBoundsEntry("TIRA4#2"), "TIRA4#2 ShowPanel"};
    EXPECT_EQ(JournalFrom(From), Expected);
    const QByteArray Both = SelectCommand(TIRA6.Code) + SelectCommand(TIRA4.Code);
    EXPECT_EQ(Sent(Both.size()), Both);
    EXPECT_EQ(F.DeviceChooseDialog->SelectedModule, "TIRA4");
    EXPECT_EQ(Parts(F).Link.Receiver().PacketLength(), TIRA4.Length);
}
