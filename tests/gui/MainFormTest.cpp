// The main window without an adapter: initial state, the sound action, the
// settings dialog's paths and the shutdown order.
#include "Debug.h"
#include "EventCounter.h"
#include "ManualPacing.h"
#include "DeviceChooseDlg.h"
#include "Guard.h"
#include "VaComm.h"
#include "Help.h"
#include "MainImages.h"
#include "NumControlsSupport.h"
#include "NumEdit.h"
#include "NumSpin.h"
#include "MessageBox.h"
#include "Options.h"
#include "OstanApplication.h"
#include "MainFormParts.h"
#include "Registry.h"
#include "TempStore.h"
#include "Startup.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QLibraryInfo>
#include <QTranslator>
#include <QApplication>
#include <QKeyEvent>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <gtest/gtest.h>
#include <set>

using namespace ostan;

namespace {

// A private settings store for each test.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
    }
    void TearDown() override { SetSystemSerialDevicesForTest({}); }

    void StoreSettings(int Port, int Speed, int Sound, int Auto, int Pins)
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey(TOptionsDlg::SettingsKey, true));
        r.WriteInteger("Port", Port);
        r.WriteInteger("PortSpeed", Speed);
        r.WriteInteger("Sound", Sound);
        r.WriteInteger("AutoSelectPlugin", Auto);
        r.WriteInteger("BLSPinCount", Pins);
    }
    // The windows the start-up creates after the main window, settings applied.
    static void Equip(TMainForm& F)
    {
        F.DeviceChooseDialog = new TDeviceChooseDialog(&F);
        F.OptionsDlg = new TOptionsDlg(&F);
        F.ApplyOptions();
        F.setEnabled(true);
    }
    int Stored(const char* Name)
    {
        TRegistry r(RegAccess::Read);
        if (!r.OpenKeyReadOnly(TOptionsDlg::SettingsKey) || !r.ValueExists(Name))
            return -1;
        return r.ReadInteger(Name);
    }

    test::TTempStore Store;
    MessageBoxRecorder Boxes;
};

// Runs Action once the next modal dialog is open.
void WhenModal(std::function<void(QDialog*)> Action)
{
    QTimer::singleShot(0, [Action] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        Action(d);
    });
}

} // namespace

using MainFormTest = StoreFixture;

TEST_F(MainFormTest, InitialStateMatchesTheActionTable)
{
    TMainForm f;
    EXPECT_EQ(f.windowTitle(), "Ostan");
    EXPECT_EQ(f.size(), QSize(630, 420));
    EXPECT_EQ(f.minimumSize(), QSize(630, 420));
    EXPECT_FALSE(f.isEnabled());
    EXPECT_EQ(Parts(f).StatusPanels[2]->text(), "Нет связи");
    for (QLabel* l : Parts(f).IndicatorLabels)
        EXPECT_FALSE(l->isEnabled()) << l->objectName().toStdString();

    struct Row { QAction* a; const char* caption; const char* shortcut; int image; int help; bool check; bool enabled; };
    const Row rows[] = {
        {Parts(f).FileSave1, "&Сохранить", "Ctrl+S", 8, 30, false, false},
        {Parts(f).FileExit1, "В&ыход", "", -1, 0, false, true},
        {Parts(f).EditCut1, "&Вырезать", "Ctrl+X", 0, 17, false, false}, // no edit has the focus
        {Parts(f).AutoDetectDevice, "&Поиск адаптера", "", 12, 15, true, true},
        {Parts(f).AdpReset, "&Сброс адаптера", "", 18, 11, true, false},
        {Parts(f).KZReset, "Сброс &КЗ", "", -1, 19, false, false},
        {Parts(f).DebugMode, "Режим отладки", "", 20, 45, false, true},
        {Parts(f).SoundOnOff, "&Звук", "Ctrl+P", 15, 12, true, true},
        {Parts(f).SelectPlugin, "&Выбор прибора", "Ctrl+D", 21, 24, false, true},
        {Parts(f).AutoSelectPlugin, "&Автовыбор прибора", "", -1, 26, true, true},
        {Parts(f).Options, "&Настройка", "", -1, 0, false, true},
        {Parts(f).FirmwareVersion, "Версия прошивки", "", -1, 0, false, false},
        {Parts(f).AboutBox1, "&О программе", "", 11, 0, false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        EXPECT_EQ(r.a->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(r.a->shortcut(), QKeySequence(QString::fromLatin1(r.shortcut)));
        EXPECT_EQ(r.a->property("imageIndex").toInt(), r.image);
        EXPECT_EQ(r.a->property("helpContext").toInt(), r.help);
        EXPECT_EQ(r.a->isCheckable(), r.check);
        EXPECT_FALSE(r.a->isChecked());
        EXPECT_EQ(r.a->isEnabled(), r.enabled);
    }
    EXPECT_EQ(Parts(f).AdpReset->toolTip(), "Аппаратный сброс адаптера");
    EXPECT_EQ(Parts(f).AdpReset->statusTip(), "Повторная инициализация адаптера");
    EXPECT_NE(f.findChild<QToolButton*>("ToolButton11"), nullptr);
    EXPECT_NE(f.findChild<QToolButton*>("ToolButton8"), nullptr);
}

TEST_F(MainFormTest, EnterPressesTheDeviceChoiceButton)
{
    TMainForm f;
    f.setEnabled(true);
    int selected = 0;
    QObject::connect(Parts(f).SelectPlugin, &QAction::triggered, [&] { ++selected; });
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&f, &enter);
    EXPECT_EQ(selected, 1);
}

TEST_F(MainFormTest, EnterOnAFocusedButtonPressesThatButton)
{
    TMainForm f;
    f.setEnabled(true);
    auto* restart = new QPushButton(QStringLiteral("Перезапуск"), Parts(f).PlugInPlaceholder);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    int selected = 0;
    int restarted = 0;
    QObject::connect(Parts(f).SelectPlugin, &QAction::triggered, [&] { ++selected; });
    QObject::connect(restart, &QPushButton::clicked, [&] { ++restarted; });
    restart->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(restart, key);
    EXPECT_EQ(restarted, 2);
    EXPECT_EQ(selected, 0);
}

TEST_F(MainFormTest, FramesReachTheScreenAtAHumanPace)
{
    test::TManualPacing Pacing;
    TMainForm f;
    f.setEnabled(true);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    Parts(f).Link.MarkLinkActive();
    Pacing.Advance(2 * PaintIntervalMs);
    QLabel* dataError = Parts(f).IndicatorLabels[Label2];
    TEventCounter screen({Parts(f).ProgressBar2, dataError, Parts(f).StatusPanels[2]},
                         {QEvent::Paint, QEvent::PaletteChange, QEvent::EnabledChange});
    // A burst of data frames, every other one refused by the panel: no frame
    // paints or restyles anything by itself.
    auto Burst = [&](int Last) {
        for (int i = 1; i <= 101; ++i) {
            Parts(f).Link.SetIndicator(0, (i + Last) % 2, Label2, IndicatorColor::Yellow);
            Parts(f).Link.MarkLinkActive();
        }
    };
    Burst(1); // the last one refused
    EXPECT_EQ(screen.Count, 0);
    // After a quiet interval the screen catches up with the last state at
    // once, with a few paints and restyles.
    Pacing.Advance(1);
    EXPECT_GT(screen.Count, 0);
    EXPECT_LE(screen.Count, 6);
    EXPECT_EQ(Parts(f).ProgressBar2->value(), Parts(f).Link.Supervisor().ProgressPosition());
    EXPECT_TRUE(dataError->isEnabled());
    EXPECT_EQ(dataError->palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_EQ(Parts(f).StatusPanels[2]->text(), "COM0");
    // A burst right after waits for the interval's end, and no longer.
    Burst(0); // the last one accepted
    Pacing.Advance(PaintIntervalMs - 1);
    EXPECT_TRUE(dataError->isEnabled());
    Pacing.Advance(1);
    EXPECT_FALSE(dataError->isEnabled());
    EXPECT_EQ(Parts(f).ProgressBar2->value(), Parts(f).Link.Supervisor().ProgressPosition());
}

// The clipboard actions work on the focused edit by its own rules and follow
// its state; Ctrl+X and Ctrl+V reach them where the edit leaves the keys.
TEST_F(MainFormTest, EditActionsFollowTheFocusedEdit)
{
    test::FixedSeparators separators;
    TMainForm f;
    f.setEnabled(true);
    auto* plain = new QLineEdit(QStringLiteral("1.25"), Parts(f).PlugInPlaceholder);
    plain->setReadOnly(true);
    auto* number = new TNumEdit(Parts(f).PlugInPlaceholder);
    number->SetDecimals(-1);
    number->SetValue(12);
    auto* spin = new TNumSpin(Parts(f).PlugInPlaceholder);
    spin->SetValue(34);
    spin->SetEditorEnabled(false);
    auto* twin = new TNumEdit(Parts(f).PlugInPlaceholder); // the control's own paste, for comparison
    twin->SetDecimals(-1);
    twin->SetValue(12);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QClipboard* clipboard = QGuiApplication::clipboard();

    struct Case { QLineEdit* edit; const char* name; bool cut; bool copy; bool paste; };
    const Case cases[] = {
        {plain, "read-only field", false, true, false},
        {number, "numeric edit", true, true, true},
        {spin, "spin without editor", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clipboard->setText(QStringLiteral("5x6"));
        c.edit->setFocus();
        c.edit->selectAll();
        QApplication::processEvents();
        EXPECT_EQ(Parts(f).EditCut1->isEnabled(), c.cut);
        EXPECT_EQ(Parts(f).EditCopy1->isEnabled(), c.copy);
        EXPECT_EQ(Parts(f).EditPaste1->isEnabled(), c.paste);
        const QString before = c.edit->text();
        if (!c.paste) {
            // Cut and Paste leave a field that may not change as it is,
            // from the menu and from the keys alike.
            Parts(f).EditCut1->trigger();
            Parts(f).EditPaste1->trigger();
            QTest::keyClick(c.edit, Qt::Key_X, Qt::ControlModifier);
            QTest::keyClick(c.edit, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(c.edit->text(), before);
        }
        Parts(f).EditCopy1->trigger();
        EXPECT_EQ(clipboard->text(), before);
    }

    // "5x6" pasted into the numeric edit passes its key rules, as its own
    // paste does: the letter is refused.
    clipboard->setText(QStringLiteral("5x6"));
    number->setFocus();
    number->selectAll();
    QApplication::processEvents();
    Parts(f).EditPaste1->trigger();
    twin->selectAll();
    twin->PasteFromClipboard();
    EXPECT_EQ(number->text(), twin->text());
    EXPECT_FALSE(number->text().contains(u'x'));

    // Nothing selected: nothing to cut or copy.
    number->deselect();
    QApplication::processEvents();
    EXPECT_FALSE(Parts(f).EditCut1->isEnabled());
    EXPECT_FALSE(Parts(f).EditCopy1->isEnabled());
    clipboard->clear();
    QApplication::processEvents();
    EXPECT_FALSE(Parts(f).EditPaste1->isEnabled());
}

namespace {

// A panel that hands its field the latest text only as the window is about to
// paint (as a device panel does).
class TLatePanel : public QWidget, public TPaintClient {
public:
    explicit TLatePanel(QWidget* Parent) : QWidget(Parent), Field(new QLineEdit(QStringLiteral("1.25"), this))
    {
        Field->setReadOnly(true);
    }
    QLineEdit* Field;
    QString Latest = QStringLiteral("1.30");
    int Asked = 0;

protected:
    void AboutToPaint() override
    {
        ++Asked;
        Field->setText(Latest);
        Field->selectAll();
    }
};

} // namespace

// Copy takes what the last packet brought, not what the field showed before.
TEST_F(MainFormTest, CopyTakesTheLatestTextOfAValueField)
{
    TMainForm f;
    f.setEnabled(true);
    auto* Panel = new TLatePanel(Parts(f).PlugInPlaceholder);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    Panel->Field->setFocus();
    Panel->Field->selectAll();
    QApplication::processEvents();
    ASSERT_TRUE(Parts(f).EditCopy1->isEnabled());
    Panel->AskToPaint(); // a packet came
    Parts(f).EditCopy1->trigger();
    EXPECT_EQ(Panel->Asked, 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1.30"));
    QGuiApplication::clipboard()->clear();
}

TEST_F(MainFormTest, SoundActionSwitchesItsImage)
{
    TMainForm f;
    f.setEnabled(true);
    Parts(f).SoundOnOff->trigger();
    EXPECT_TRUE(Parts(f).SoundOnOff->isChecked());
    EXPECT_EQ(Parts(f).SoundOnOff->property("imageIndex").toInt(), 16);
    Parts(f).SoundOnOff->trigger();
    EXPECT_EQ(Parts(f).SoundOnOff->property("imageIndex").toInt(), 15);
}

TEST_F(MainFormTest, EmptyStoreShowsTheReadErrorAndLeavesDefaults)
{
    TOptionsDlg d;
    EXPECT_EQ(Boxes.Texts(), QStringList{"Ошибка чтения реестра.\rПроверьте настройки программы и перезапустите ее."});
    EXPECT_EQ(d.Port, 0);
    EXPECT_EQ(d.PortSpeed, 0);
    EXPECT_FALSE(d.Sound);
    EXPECT_EQ(d.BLSPinCount, 0);
}

TEST_F(MainFormTest, LoadSettingsReadsPortMapAndValues)
{
    StoreSettings(7, 12, 2, 1, 5);
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", true));
        r.WriteString("/dev/ttyS0", "COM1");
        r.WriteString("/dev/pts/9", "com7");
        r.WriteString("/dev/lp0", "LPT1");
    }
    TOptionsDlg d;
    EXPECT_TRUE(Boxes.Boxes.empty());
    EXPECT_EQ(d.ComPorts, (QStringList{"COM1", "com7"}));
    EXPECT_EQ(d.Port, 7);
    EXPECT_EQ(d.PortSpeed, 12);
    EXPECT_TRUE(d.Sound); // 2 reads as on
    EXPECT_TRUE(d.AutoSelectPlugin);
    EXPECT_EQ(d.BLSPinCount, 5);
    d.SaveSettings();
    EXPECT_EQ(Stored("Sound"), 1); // written back as 1
}

TEST_F(MainFormTest, AReadOnlyStoreStillGivesPortsAndSettings)
{
    StoreSettings(7, 12, 1, 0, 4);
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\HARDWARE\\DEVICEMAP\\SERIALCOMM", true));
        r.WriteString("/dev/pts/9", "COM7");
    }
    qputenv("OSTAN_REGISTRY_READONLY", "1");
    TOptionsDlg d;
    qunsetenv("OSTAN_REGISTRY_READONLY");
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join("|").toStdString();
    EXPECT_EQ(d.ComPorts, QStringList{"COM7"});
    EXPECT_EQ(d.Port, 7);
    EXPECT_EQ(d.BLSPinCount, 4);
}

TEST_F(MainFormTest, SettingsDialogOkWritesBeforeApplyCancelWritesNothing)
{
    StoreSettings(0, 13, 0, 0, 4);
    TMainForm f;
    Equip(f);
    ASSERT_EQ(f.DeviceChooseDialog->BLSPinCount, 4);

    // Cancel: choosing DAR-5 changes nothing stored or applied.
    WhenModal([](QDialog* d) {
        auto* o = static_cast<TOptionsDlg*>(d);
        EXPECT_TRUE(o->ImageBLS4->isVisible());
        o->BLSItem5->click();
        EXPECT_TRUE(o->ImageBLS5->isVisible());
        o->CancelBtn->click();
    });
    Parts(f).Options->trigger();
    EXPECT_EQ(Stored("BLSPinCount"), 4);
    EXPECT_EQ(f.DeviceChooseDialog->BLSPinCount, 4);

    // OK: the five values are in the store when ApplyOptions runs.
    int storedAtApply = -1;
    WhenModal([&](QDialog* d) {
        auto* o = static_cast<TOptionsDlg*>(d);
        EXPECT_TRUE(o->BLSItem4->isChecked()); // reopened on the live value
        o->BLSItem5->click();
        o->SoundCheckBox->click();
        QObject::connect(o, &QDialog::finished, [&] { storedAtApply = Stored("BLSPinCount"); });
        o->OKBtn->click();
    });
    Parts(f).Options->trigger();
    EXPECT_EQ(storedAtApply, 5);
    EXPECT_EQ(Stored("Sound"), 1);
    EXPECT_EQ(Stored("PortSpeed"), 13);
    EXPECT_EQ(f.DeviceChooseDialog->BLSPinCount, 5);
    EXPECT_TRUE(Parts(f).SoundOnOff->isChecked());
}

TEST_F(MainFormTest, SettingsDialogOpensCentredOnTheScreenWhereverTheMainWindowIs)
{
    StoreSettings(0, 13, 0, 0, 4);
    TMainForm f;
    Equip(f);
    f.show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint at : {screen.topLeft(), screen.bottomRight() - QPoint(f.width(), f.height())}) {
        f.move(at);
        QPoint centre;
        WhenModal([&](QDialog* d) {
            centre = d->geometry().center();
            d->reject();
        });
        Parts(f).Options->trigger();
        EXPECT_LE((centre - screen.center()).manhattanLength(), 8) // within the frame's width
            << "main window at " << at.x() << "," << at.y() << ": dialog centre " << centre.x() << "," << centre.y();
    }
}

TEST_F(MainFormTest, NoCableTypeHidesBothPictures)
{
    TOptionsDlg d;
    d.BLSPinCount = 0;
    d.FormShow();
    EXPECT_FALSE(d.BLSItem4->isChecked());
    EXPECT_FALSE(d.BLSItem5->isChecked());
    EXPECT_TRUE(d.ImageBLS4->isHidden());
    EXPECT_TRUE(d.ImageBLS5->isHidden());
    // Both cable pictures decode from their JPEG resources.
    EXPECT_EQ(d.ImageBLS4->pixmap().size(), QSize(129, 65));
    EXPECT_EQ(d.ImageBLS5->pixmap().size(), QSize(129, 65));
}

TEST_F(MainFormTest, ClosingWritesTheLiveSettings)
{
    StoreSettings(3, 12, 0, 1, 5);
    TMainForm f;
    Equip(f);
    Parts(f).SoundOnOff->trigger(); // on
    f.close();
    EXPECT_EQ(Stored("Port"), 3);
    EXPECT_EQ(Stored("PortSpeed"), 12);
    EXPECT_EQ(Stored("Sound"), 1);
    EXPECT_EQ(Stored("AutoSelectPlugin"), 1);
    EXPECT_EQ(Stored("BLSPinCount"), 5);
}

TEST_F(MainFormTest, ClosingIsRefusedWhileTheWindowIsDisabled)
{
    StoreSettings(3, 12, 0, 1, 5);
    TMainForm f; // disabled, as the start-up creates it
    f.DeviceChooseDialog = new TDeviceChooseDialog(&f);
    f.OptionsDlg = new TOptionsDlg(&f);
    f.ApplyOptions();
    f.show();
    Parts(f).SoundOnOff->trigger();
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(Stored("Sound"), 0);
    f.setEnabled(true); // the start-up has finished
    EXPECT_TRUE(f.close());
    EXPECT_EQ(Stored("Sound"), 1);
}

TEST_F(MainFormTest, TerminationSignalEndsTheProgramFromAModalBox)
{
    StoreSettings(3, 12, 0, 1, 5);
    TMainForm f;
    Equip(f);
    f.DebugForm = std::make_unique<TDebugForm>();
    f.show();
    f.DebugForm->show(); // a window that only hides when closed
    Parts(f).SoundOnOff->trigger(); // on: written when the program ends
    WatchEndRequests();
    MessageBoxHandler recorder = SetMessageBoxHandler({}); // real modal boxes
    bool boxOpen = false;
    bool boxReturned = false;
    QTimer::singleShot(0, [&] {
        // An operation's box: the window is disabled meanwhile.
        f.setEnabled(false);
        ShowMessageBox(MsgType::Plain, QStringLiteral("Версия прошивки адаптера: 27"));
        boxReturned = true;
    });
    QTimer::singleShot(200, [&] {
        boxOpen = QApplication::activeModalWidget() != nullptr;
        std::raise(SIGTERM);
    });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(99); }); // the program ran on
    const int rc = QApplication::exec();
    SetMessageBoxHandler(std::move(recorder));
    SetEndRequested(false);
    EXPECT_TRUE(boxOpen);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(boxReturned);
    EXPECT_EQ(Stored("Sound"), 1);
}

TEST(MainFormHelp, F1OpensTheFocusedItemsContext)
{
    std::vector<std::pair<unsigned, unsigned>> calls;
    auto old = SetHelpHandler([&](const QString&, unsigned c, unsigned d) { calls.push_back({c, d}); return true; });
    TMainForm f;
    f.setEnabled(true);
    f.show();
    Parts(f).PlugInPlaceholder->setFocusPolicy(Qt::StrongFocus);
    Parts(f).PlugInPlaceholder->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(Parts(f).PlugInPlaceholder, &press);
    Parts(f).Help->trigger();
    SetHelpHandler(std::move(old));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(HELP_CONTEXT, 10u));
    EXPECT_EQ(calls[1], std::make_pair(HELP_FINDER, 0u));
}

namespace {

QWidget* HelpWindow()
{
    for (QWidget* W : QApplication::topLevelWidgets())
        if (W->windowTitle() == "Ostan - справка")
            return W;
    return nullptr;
}

// A help file long enough to scroll, with the settings dialog's section first.
struct TLongHelpFile {
    QTemporaryDir Dir;
    QString Path = Dir.path() + "/Ostan.hlp";
    TLongHelpFile()
    {
        QFile F(Path);
        EXPECT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("<html><body><a name=\"contents\"></a><h1>Ostan</h1><a name=\"ctx110\"></a><h2>Настройка</h2>");
        for (int I = 0; I < 300; ++I)
            F.write("<p>Строка справки.</p>");
        F.write("</body></html>");
    }
};

} // namespace

TEST_F(MainFormTest, HelpFromTheSettingsDialogIsUsableWhileTheDialogStaysOpen)
{
    TLongHelpFile File;
    TMainForm f;
    Equip(f);
    SetApplicationHelpFile(File.Path);
    f.show();
    const std::pair<const char*, std::function<void(TOptionsDlg*)>> Ways[] = {
        {"F1", [](TOptionsDlg* o) { QTest::keyClick(o, Qt::Key_F1); }},
        {"Помощь", [](TOptionsDlg* o) { o->HelpBtn->click(); }},
    };
    for (const auto& [Way, Open] : Ways) {
        SCOPED_TRACE(Way);
        bool checked = false;
        WhenModal([&, Open = Open](QDialog* d) {
            auto* o = static_cast<TOptionsDlg*>(d);
            Open(o);
            QWidget* Help = HelpWindow();
            ASSERT_NE(Help, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(Help));
            auto* Browser = Help->findChild<QTextBrowser*>();
            ASSERT_NE(Browser, nullptr);
            // Keys through the window system, where a modal dialog blocks the windows not its own.
            const int Top = Browser->verticalScrollBar()->value();
            QTest::keyClick(Help->windowHandle(), Qt::Key_PageDown);
            EXPECT_GT(Browser->verticalScrollBar()->value(), Top);
            QTest::keyClick(Help->windowHandle(), Qt::Key_Escape);
            EXPECT_FALSE(Help->isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), d); // the dialog stays open
            checked = true;
            o->CancelBtn->click();
        });
        Parts(f).Options->trigger();
        EXPECT_TRUE(checked);
    }
    SetApplicationHelpFile(QString());
}

TEST(MainFormHelp, TheSearchRowShowsWholeOrNotAtAll)
{
    TLongHelpFile File;
    const std::pair<unsigned, bool> Commands[] = {{HELP_FINDER, true}, {HELP_CONTEXT, false}, {HELP_FINDER, true}};
    for (const auto& [Command, Shown] : Commands) {
        SCOPED_TRACE(Command);
        ASSERT_TRUE(WinHelp(File.Path, Command, 110));
        QWidget* Help = HelpWindow();
        ASSERT_NE(Help, nullptr);
        auto* Field = Help->findChild<QLineEdit*>();
        ASSERT_NE(Field, nullptr);
        EXPECT_EQ(Field->isVisible(), Shown);
        for (QLabel* L : Help->findChildren<QLabel*>())
            EXPECT_EQ(L->isVisible(), Shown) << L->text().toStdString();
        for (QPushButton* B : Help->findChildren<QPushButton*>())
            EXPECT_EQ(B->isVisible(), Shown) << B->text().toStdString();
    }
    HelpWindow()->close();
}

TEST(MainImages, EveryPictureIsDrawnAndNoFontsEmptyBox)
{
    const QFont Saved = QApplication::font();
    const auto DrawnWith = [](const char* Family, int Pixels) {
        QFont F(QString::fromLatin1(Family));
        F.setPixelSize(Pixels);
        QApplication::setFont(F);
        std::vector<QImage> Images;
        for (const QIcon& I : DrawImageList1())
            Images.push_back(I.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32));
        return Images;
    };
    const std::vector<QImage> Sans = DrawnWith("DejaVu Sans Mono", 8);
    const std::vector<QImage> Serif = DrawnWith("DejaVu Serif", 20);
    QApplication::setFont(Saved);
    ASSERT_EQ(Sans.size(), 22u);
    // The images that the actions and the tool bar show.
    for (const int Index : {0, 1, 2, 7, 8, 11, 12, 15, 16, 18, 19, 20, 21}) {
        SCOPED_TRACE(Index);
        const QImage& Image = Sans[size_t(Index)];
        EXPECT_EQ(Image, Serif[size_t(Index)]); // no font shows through
        std::set<QRgb> Colours;
        std::set<std::pair<int, int>> Edges; // leftmost and rightmost opaque column of each row
        for (int Y = 0; Y < Image.height(); ++Y) {
            int Left = -1, Right = -1;
            for (int X = 0; X < Image.width(); ++X) {
                const QRgb P = Image.pixel(X, Y);
                if (qAlpha(P) < 128)
                    continue;
                Colours.insert(P);
                Right = X;
                if (Left < 0)
                    Left = X;
            }
            if (Left >= 0)
                Edges.insert({Left, Right});
        }
        EXPECT_GT(Colours.size(), 1u);
        EXPECT_GT(Edges.size(), 1u); // rows of different extent: no box
    }
}

TEST_F(MainFormTest, AppExceptionShowsSerialErrorsByTheirTextAloneAndEnds)
{
    struct Case { std::function<void()> raise; MsgType type; const char* text; };
    const Case cases[] = {
        {[] { throw EVaCommError("Порт COM3 недоступен"); }, MsgType::Plain, "Порт COM3 недоступен"},
        {[] { throw std::runtime_error("boom"); }, MsgType::Error, "boom"},
    };
    for (const Case& c : cases) {
        Boxes.Clear();
        SetApplicationTerminated(false);
        TMainForm f;
        Guarded(c.raise);
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Type, c.type);
        EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8(c.text));
        EXPECT_TRUE(ApplicationTerminated());
        // A dialog opened after that closes at once as cancelled.
        f.OptionsDlg = new TOptionsDlg(&f);
        EXPECT_EQ(f.OptionsDlg->exec(), int(QDialog::Rejected));
    }
    SetApplicationTerminated(false);
}

// Qt's own dialogs speak the program's language where Qt's Russian
// translation is installed (scripts/bootstrap.sh installs it).
TEST(QtTranslation, StandardButtonsAndFileDialogsAreRussian)
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm")))
        GTEST_SKIP() << "Qt's Russian translation is not installed";
    QTranslator* Translator = InstallQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(Translator, nullptr);
    QDialogButtonBox Box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(Box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    QFileDialog Files;
    Files.setOption(QFileDialog::DontUseNativeDialog);
    QStringList Labels;
    for (const QLabel* L : Files.findChildren<QLabel*>())
        Labels << L->text();
    EXPECT_TRUE(Labels.contains(QStringLiteral("&Имя файла:"))) << Labels.join(QStringLiteral(" | ")).toStdString();
    QCoreApplication::removeTranslator(Translator);
    delete Translator;
}
