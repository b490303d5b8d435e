// The plug-in scan over temporary folder trees of fake libraries, and the
// device choice dialog that shows its result. A loaded library stays loaded,
// so every test scans copies with paths of its own.
#include "BackInterface.h"
#include "ComTestSupport.h"
#include "DeviceChooseDlg.h"
#include "FakeDeviceKnobs.h"
#include "Guard.h"
#include "Image.h"
#include "MessageBox.h"
#include "OstanMain.h"
#include "PluginHostSupport.h"
#include "Registry.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <link.h>
#include <sys/stat.h>

using namespace ostan;
using namespace ostan::test;

namespace {

const QString Unknown = QStringLiteral("Неизвестный модуль");
const QString CannotStart = QStringLiteral("Невозможно запустить модуль");
const QString NoInformation = QStringLiteral("Информация о модуле не найдена");

class PluginScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Root.isValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        ResetFakes();
    }
    void TearDown() override
    {
        ResetFakes();
        SetSystemSerialDevicesForTest({});
    }

    QString Plugins() const { return Root.path() + QLatin1String("/Plugins"); }
    // A fake device under a module name of its own, with an optional caption.
    QString Place(const QString& Dir, const QString& Module, const QString& Caption = QString())
    {
        if (!Caption.isNull())
            SetFakeKnob(Module, KnobCaption, Caption);
        return PlaceLibrary(QStringLiteral("FakeDevice1"), Dir, Module + QLatin1String(".so"));
    }
    std::map<QString, const TDLLInfo*> ByModule(const TPluginScan& Scan) const
    {
        std::map<QString, const TDLLInfo*> M;
        for (const auto& Info : Scan.Modules)
            M[Info->ModuleName] = Info.get();
        return M;
    }

    TTempStore Store;
    QTemporaryDir Root; // the program's folder
    MessageBoxRecorder Boxes;
};

QStringList ListTexts(const QListWidget* List)
{
    QStringList T;
    for (int I = 0; I < List->count(); ++I)
        T << List->item(I)->text();
    return T;
}

QListWidgetItem* ItemOf(const TDeviceChooseDialog& D, const QString& Module)
{
    for (int I = 0; I < D.DeviceListBox->count(); ++I)
        if (TDeviceChooseDialog::EntryOf(D.DeviceListBox->item(I))->ModuleName == Module)
            return D.DeviceListBox->item(I);
    return nullptr;
}

void ClickItem(TDeviceChooseDialog& D, const QString& Module)
{
    QListWidgetItem* Item = ItemOf(D, Module);
    ASSERT_NE(Item, nullptr) << Module.toStdString();
    QTest::mouseClick(D.DeviceListBox->viewport(), Qt::LeftButton, {}, D.DeviceListBox->visualItemRect(Item).center());
}

} // namespace

TEST_F(PluginScanTest, FindsLibrariesInPluginsAndItsDirectSubfoldersOnly)
{
    const QString Top = Place(Plugins(), "Top");
    const QString Hidden = Place(Plugins(), ".Secret"); // a hidden file is a library like any other
    const QString Points = Place(Plugins(), "Two.Points");
    const QString Sub = Place(Plugins() + "/sub", "Sub");
    const QString Locked = Place(Plugins() + "/locked", "Locked");
    QFile::setPermissions(Plugins() + "/locked", QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    Place(Plugins() + "/sub/deeper", "Deep");
    Place(Plugins() + "/.hidden", "InHidden");
    PlaceFile(Plugins(), "notes.txt", "not a library");
    PlaceFile(Plugins(), "Upper.SO", "not matched: names are case-sensitive here");

    TPluginScan Scan(QStringLiteral("Plugins"), Root.path());
    EXPECT_EQ(Scan.Folder, Plugins());
    Scan.Scan();
    QFile::setPermissions(Plugins() + "/locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const auto Found = ByModule(Scan);
    ASSERT_EQ(Scan.Modules.size(), 5u);
    const std::map<QString, QString> Expected = {
        {"Top", Top}, {".Secret", Hidden}, {"Two.Points", Points}, {"Sub", Sub}, {"Locked", Locked}};
    for (const auto& [Module, Path] : Expected) {
        SCOPED_TRACE(Module.toStdString());
        ASSERT_TRUE(Found.count(Module));
        const TDLLInfo& Info = *Found.at(Module);
        EXPECT_EQ(Info.Caption, "Fake TIRA5");
        EXPECT_EQ(Info.Description, Path); // the object came from this very file
        ASSERT_TRUE(Info.DevicePicture && Info.ConnectionPictureBLS4);
        EXPECT_EQ(Info.DevicePicture->Graphic().size(), QSize(30, 40));
        EXPECT_EQ(Info.DevicePicture->Graphic().pixelColor(0, 0), QColor(Qt::red)); // a copy that outlived the object
        EXPECT_EQ(Info.ConnectionPictureBLS5, nullptr);
        EXPECT_EQ(ProgIDToClassID(Module + ".OstanPlugin"), ProgIDToClassID("Top.OstanPlugin"));
    }

    // Each object: pictures loaded, queried in order, released; never initialised.
    const QStringList Journal = FakeJournal();
    for (const auto& [Module, Path] : Expected) {
        QStringList Calls;
        for (const QString& E : Journal)
            if (E.startsWith(Module + "#"))
                Calls << E.section(' ', 1);
        EXPECT_EQ(Calls, (QStringList{"Create", "LoadPictures", "GetCaption", "GetDescription", "GetDevicePicture",
                                      "GetConnectionPictureBLS4", "GetConnectionPictureBLS5", "Destroy"}))
            << Module.toStdString();
    }
}

TEST_F(PluginScanTest, MissingFolderGivesAnEmptyListAndNoMessage)
{
    TDeviceChooseDialog D(nullptr, Root.path());
    EXPECT_TRUE(D.PluginScan->Modules.empty());
    EXPECT_EQ(D.DeviceListBox->count(), 0);
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(PluginScanTest, AFailingLibraryKeepsDefaultsForWhatFailed)
{
    PlaceLibrary("FakePluginNoInterface", Plugins(), "NoClass.so");
    struct Case {
        const char* Module;
        const char* Knob;
        QVariant Value;
        QString Caption;
        QString Description; // empty: the library's own
        bool Device, DeviceEmpty, BLS4;
        QString Reason; // empty: the library started
    };
    const Case Cases[] = {
        {"NoClass", nullptr, {}, Unknown, CannotStart, false, false, false, "Интерфейс не поддерживается"},
        {"NoObject", KnobThrowIn, "Create", Unknown, CannotStart, false, false, false, "fake Create failed"},
        {"NoPictures", KnobThrowIn, "LoadPictures", Unknown, CannotStart, false, false, false,
         "fake LoadPictures failed"},
        {"NoCaption", KnobThrowIn, "GetCaption", Unknown, {}, true, false, true, {}},
        {"NoDescription", KnobThrowIn, "GetDescription", "Fake TIRA5", NoInformation, true, false, true, {}},
        {"NoDevicePicture", KnobThrowIn, "GetDevicePicture", "Fake TIRA5", {}, false, false, true, {}},
        {"EmptyPicture", KnobPictures, PictureDeviceEmpty, "Fake TIRA5", {}, true, true, false, {}},
    };
    std::map<QString, QString> Paths;
    for (const Case& C : Cases) {
        if (C.Knob) {
            SetFakeKnob(C.Module, C.Knob, C.Value);
            Paths[C.Module] = Place(Plugins(), C.Module);
        }
    }
    TPluginScan Scan(QStringLiteral("Plugins"), Root.path());
    Scan.Scan();
    const auto Found = ByModule(Scan);
    ASSERT_EQ(Found.size(), std::size(Cases));
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Module);
        const TDLLInfo& Info = *Found.at(C.Module);
        EXPECT_EQ(Info.Caption, C.Caption);
        EXPECT_EQ(Info.Description, C.Description.isEmpty() ? Paths[C.Module] : C.Description);
        EXPECT_EQ(Info.DevicePicture != nullptr, C.Device);
        if (Info.DevicePicture) {
            EXPECT_EQ(Info.DevicePicture->Empty(), C.DeviceEmpty);
        }
        EXPECT_EQ(Info.ConnectionPictureBLS4 != nullptr, C.BLS4);
        // The reason a library could not start stays with its entry.
        EXPECT_EQ(Info.HasError, !C.Reason.isEmpty());
        EXPECT_TRUE(C.Reason.isEmpty() ? Info.ErrorString.isEmpty() : Info.ErrorString.contains(C.Reason))
            << Info.ErrorString.toStdString();
    }
    // Every object made was released again (the one whose creation failed never was).
    const QStringList Journal = FakeJournal();
    EXPECT_EQ(Journal.filter(" Create").size() - 1, Journal.filter(" Destroy").size());

    // The dialog's description of such an entry: the usual text, then the reason.
    TDeviceChooseDialog D(nullptr, Root.path());
    D.show();
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Module);
        D.SelectByModuleName(C.Module);
        D.ShowSelected();
        const QString Shown = D.FullDescriptionMemo->toPlainText();
        if (C.Reason.isEmpty()) {
            EXPECT_EQ(Shown, C.Description.isEmpty() ? Paths[C.Module] : C.Description);
        } else {
            EXPECT_TRUE(Shown.startsWith(CannotStart + "\n")) << Shown.toStdString();
            EXPECT_TRUE(Shown.contains(C.Reason)) << Shown.toStdString();
        }
    }
    D.hide();
}

TEST_F(PluginScanTest, AFileThatIsNoLibraryEndsTheScanThroughTheExceptionHandler)
{
    const QString Broken = PlaceFile(Plugins(), "Broken.so", "not a library");
    Place(Plugins(), "Good");
    SetApplicationTerminated(false);
    {
        TMainForm Main; // installs the application's exception handler
        auto* D = new TDeviceChooseDialog(&Main, Root.path());
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
        EXPECT_TRUE(Boxes.Boxes[0].Text.contains(Broken)) << Boxes.Boxes[0].Text.toStdString();
        EXPECT_TRUE(ApplicationTerminated());
        // The entries made so far stay; the list is filled only after the scan.
        ASSERT_FALSE(D->PluginScan->Modules.empty());
        const TDLLInfo& Last = *D->PluginScan->Modules.back();
        EXPECT_EQ(Last.ModuleName, "Broken");
        EXPECT_EQ(Last.Caption, Unknown);
        EXPECT_EQ(Last.Description, NoInformation);
        EXPECT_EQ(D->DeviceListBox->count(), 0);
        EXPECT_FALSE(D->SelectByModuleName("Broken"));
        EXPECT_EQ(D->exec(), int(QDialog::Rejected)); // the program is ending
    }
    SetApplicationTerminated(false);
}

TEST_F(PluginScanTest, WhatIsNoRegularFileIsPassedOver)
{
    Place(Plugins(), "Good", "Good");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Plugins() + "/Pipe.so").constData(), 0600), 0); // opened, it would block
    ASSERT_TRUE(QFile::link("/dev/null", Plugins() + "/Device.so"));
    ASSERT_TRUE(QDir().mkpath(Plugins() + "/Folder.so"));
    ASSERT_TRUE(QFile::link(Plugins() + "/Missing", Plugins() + "/Dangling.so"));
    TDeviceChooseDialog D(nullptr, Root.path());
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join(" | ").toStdString();
    EXPECT_EQ(ListTexts(D.DeviceListBox), QStringList{"Good"});
}

TEST_F(PluginScanTest, ALibraryCutShortGetsTheLoadFailureBoxNamingIt)
{
    QFile Whole(FixtureLibrary("FakeDevice1"));
    ASSERT_TRUE(Whole.open(QIODevice::ReadOnly));
    const QByteArray Bytes = Whole.readAll();
    // Where the mapped part of the file ends; what follows (symbols, debug
    // information) the loader never reads.
    const auto* Header = reinterpret_cast<const ElfW(Ehdr)*>(Bytes.constData());
    qsizetype MappedEnd = 0;
    for (int I = 0; I < Header->e_phnum; ++I) {
        const auto* S = reinterpret_cast<const ElfW(Phdr)*>(Bytes.constData() + Header->e_phoff) + I;
        if (S->p_type == PT_LOAD)
            MappedEnd = std::max(MappedEnd, qsizetype(S->p_offset + S->p_filesz));
    }
    ASSERT_GT(MappedEnd, 8000);
    // An interrupted copy: the header alone, a page, half of it, all but its last byte.
    for (const qsizetype Length : {qsizetype(64), qsizetype(4000), MappedEnd / 2, MappedEnd - 1}) {
        SCOPED_TRACE(Length);
        QTemporaryDir Program;
        const QString Cut = PlaceFile(Program.path() + "/Plugins", "Cut.so", Bytes.left(Length));
        Boxes.Clear();
        SetApplicationTerminated(false);
        {
            TMainForm Main; // installs the application's exception handler
            TDeviceChooseDialog D(&Main, Program.path());
            ASSERT_EQ(Boxes.Boxes.size(), 1u);
            EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
            EXPECT_TRUE(Boxes.Boxes[0].Text.startsWith("Не удалось загрузить \"" + Cut + "\": "))
                << Boxes.Boxes[0].Text.toStdString();
            EXPECT_TRUE(ApplicationTerminated());
        }
        SetApplicationTerminated(false);
    }
}

TEST_F(PluginScanTest, ListIsSortedByCaptionIgnoringCase)
{
    const char* Captions[][2] = {{"M1", "beta"}, {"M2", "Alpha"}, {"M3", "альфа"},
                                 {"M4", "Бета"}, {"M5", "gamma"}, {"M6", "Delta"}};
    for (const auto& C : Captions)
        Place(Plugins(), C[0], QString::fromUtf8(C[1]));
    TDeviceChooseDialog D(nullptr, Root.path());
    EXPECT_EQ(ListTexts(D.DeviceListBox), (QStringList{"Alpha", "beta", "Delta", "gamma", "альфа", "Бета"}));
    EXPECT_EQ(D.SelectedItem(), nullptr);
}

TEST_F(PluginScanTest, SelectByModuleNameSelectsTheEntryItFound)
{
    Place(Plugins(), "First", "Twin");
    Place(Plugins(), "Second", "twin");
    Place(Plugins(), "Other", "Another");
    TDeviceChooseDialog D(nullptr, Root.path());
    ASSERT_EQ(D.DeviceListBox->count(), 3);
    for (const char* Module : {"Second", "First", "Second", "Other"}) {
        SCOPED_TRACE(Module);
        EXPECT_TRUE(D.SelectByModuleName(Module));
        EXPECT_EQ(D.SelectedModule, Module);
        ASSERT_NE(D.SelectedItem(), nullptr);
        EXPECT_EQ(TDeviceChooseDialog::EntryOf(D.SelectedItem())->ModuleName, Module);
    }
    // Exact case only; nothing changes for a module that was not found.
    EXPECT_FALSE(D.SelectByModuleName("other"));
    EXPECT_FALSE(D.SelectByModuleName("TIRA5"));
    EXPECT_EQ(D.SelectedModule, "Other");
    EXPECT_EQ(TDeviceChooseDialog::EntryOf(D.SelectedItem())->ModuleName, "Other");
    // The description follows at the next show, not before.
    EXPECT_TRUE(D.FullDescriptionMemo->toPlainText().isEmpty());
    D.show();
    EXPECT_EQ(D.FullDescriptionMemo->toPlainText(), Plugins() + "/Other.so");
    D.hide();
}

TEST_F(PluginScanTest, ConnectionPictureFollowsTheCableType)
{
    SetFakeKnob("Both", KnobPictures, PictureDevice | PictureBLS4 | PictureBLS5);
    Place(Plugins(), "Both", "Both");
    SetFakeKnob("RodOnly", KnobPictures, PictureDevice | PictureBLS4);
    Place(Plugins(), "RodOnly", "RodOnly");
    SetFakeKnob("Bare", KnobPictures, 0);
    Place(Plugins(), "Bare", "Bare");
    TDeviceChooseDialog D(nullptr, Root.path());
    D.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&D));

    const QSize Device(30, 40), Rod(40, 30), Dar(50, 30), Hidden;
    struct Case { int Pins; const char* Module; QSize DeviceShown, ConnectionShown; };
    const Case Cases[] = {
        {0, "Both", Device, Rod}, {4, "Both", Device, Rod},   {5, "Both", Device, Dar},
        {5, "RodOnly", Device, Hidden}, {0, "RodOnly", Device, Rod}, {4, "Bare", Hidden, Hidden},
        {5, "Both", Device, Dar},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Pins << " " << C.Module);
        D.BLSPinCount = C.Pins;
        ClickItem(D, C.Module);
        EXPECT_EQ(D.SelectedModule, C.Module);
        EXPECT_EQ(D.FullDescriptionMemo->toPlainText(), Plugins() + "/" + C.Module + ".so");
        EXPECT_EQ(D.DeviceImage->isVisible(), C.DeviceShown.isValid());
        if (C.DeviceShown.isValid()) {
            EXPECT_EQ(D.DeviceImage->Picture().Graphic().size(), C.DeviceShown);
        }
        EXPECT_EQ(D.ConnectionImage1->isVisible(), C.ConnectionShown.isValid());
        if (C.ConnectionShown.isValid()) {
            EXPECT_EQ(D.ConnectionImage1->Picture().Graphic().size(), C.ConnectionShown);
        }
    }
    D.hide();
}

TEST_F(PluginScanTest, OkNeedsASelection)
{
    Place(Plugins(), "Only", "Only");
    TDeviceChooseDialog D(nullptr, Root.path());
    D.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&D));
    const QStringList Refusal{"Необходимо выбрать прибор."};

    D.OKBtn->click();
    EXPECT_EQ(Boxes.Texts(), Refusal);
    EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
    EXPECT_TRUE(D.isVisible());

    // A double click on the list's empty part counts as OK.
    Boxes.Clear();
    QTest::mouseDClick(D.DeviceListBox->viewport(), Qt::LeftButton, {}, QPoint(10, D.DeviceListBox->viewport()->height() - 5));
    EXPECT_EQ(Boxes.Texts(), Refusal);
    EXPECT_TRUE(D.isVisible());

    Boxes.Clear();
    ClickItem(D, "Only");
    D.OKBtn->click();
    EXPECT_TRUE(Boxes.Boxes.empty());
    EXPECT_FALSE(D.isVisible());
    EXPECT_EQ(D.result(), int(QDialog::Accepted));
    EXPECT_EQ(D.SelectedModule, "Only");

    // Cancel is always allowed.
    TDeviceChooseDialog Empty(nullptr, Root.path() + "/none");
    Empty.show();
    Empty.CancelBtn->click();
    EXPECT_FALSE(Empty.isVisible());
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(PluginScanTest, TheKeyboardSelectsAsAListBoxDoes)
{
    // One entry: the list shows it as current before anything is selected.
    Place(Plugins(), "Only", "Only");
    TDeviceChooseDialog D(nullptr, Root.path());
    D.show();
    D.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&D));
    D.DeviceListBox->setFocus();
    QTest::keyClick(D.DeviceListBox, Qt::Key_Down);
    QTest::keyClick(D.DeviceListBox, Qt::Key_Return);
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join(" | ").toStdString();
    EXPECT_FALSE(D.isVisible());
    EXPECT_EQ(D.result(), int(QDialog::Accepted));
    EXPECT_EQ(D.SelectedModule, "Only");

    // Several entries: each key moves the selection, and the description follows.
    for (const char* Module : {"A", "B", "C"})
        Place(Plugins() + "/more", Module, Module);
    TDeviceChooseDialog More(nullptr, Root.path());
    More.show();
    More.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&More));
    More.DeviceListBox->setFocus();
    struct Step { Qt::Key Key; const char* Selected; };
    const Step Steps[] = {{Qt::Key_Up, "A"}, {Qt::Key_Down, "B"}, {Qt::Key_End, "Only"},
                          {Qt::Key_Down, "Only"}, {Qt::Key_Home, "A"}, {Qt::Key_Up, "A"}, {Qt::Key_Down, "B"}};
    for (const Step& S : Steps) {
        SCOPED_TRACE(testing::Message() << S.Key << " " << S.Selected);
        QTest::keyClick(More.DeviceListBox, S.Key);
        ASSERT_NE(More.SelectedItem(), nullptr);
        EXPECT_EQ(TDeviceChooseDialog::EntryOf(More.SelectedItem())->ModuleName, S.Selected);
        EXPECT_EQ(More.SelectedModule, S.Selected);
        EXPECT_EQ(More.FullDescriptionMemo->toPlainText(), Plugins() + (S.Selected == std::string("Only") ? "/" : "/more/") + S.Selected + ".so");
    }
    More.hide();

    // The focus frame on the first entry with nothing selected, as at the
    // first opening: the first key selects that entry, not the one below it.
    for (const Qt::Key Key : {Qt::Key_Down, Qt::Key_Up}) {
        SCOPED_TRACE(testing::Message() << Key);
        TDeviceChooseDialog Fresh(nullptr, Root.path());
        Fresh.show();
        Fresh.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Fresh));
        Fresh.DeviceListBox->setFocus();
        Fresh.DeviceListBox->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        ASSERT_EQ(Fresh.SelectedItem(), nullptr);
        QTest::keyClick(Fresh.DeviceListBox, Key);
        ASSERT_NE(Fresh.SelectedItem(), nullptr);
        EXPECT_EQ(TDeviceChooseDialog::EntryOf(Fresh.SelectedItem())->ModuleName, "A");
        Fresh.hide();
    }
}

TEST_F(PluginScanTest, AReadOnlyStoreServesTheLibrariesRegisteredBefore)
{
    Place(Plugins(), "Dev", "Прибор");
    StartOstanBackServer({}); // the program's own class, registered at every start
    { TDeviceChooseDialog First(nullptr, Root.path()); }
    QFile File(RegistryFilePath());
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray Before = File.readAll();
    File.close();

    qputenv("OSTAN_REGISTRY_READONLY", "1");
    EXPECT_NO_THROW(OstanBackFactory().UpdateRegistry(true));
    TDeviceChooseDialog Again(nullptr, Root.path());
    qunsetenv("OSTAN_REGISTRY_READONLY");
    StopOstanBackServer();
    EXPECT_TRUE(Boxes.Boxes.empty()) << Boxes.Texts().join(" | ").toStdString();
    ASSERT_EQ(Again.DeviceListBox->count(), 1);
    EXPECT_EQ(Again.DeviceListBox->item(0)->text(), "Прибор");
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    EXPECT_EQ(File.readAll(), Before);
}

TEST_F(PluginScanTest, RegisteringEveryLibraryWritesTheStoreOnce)
{
    for (const char* Module : {"One", "Two", "Three"})
        Place(Plugins(), Module);
    TStoreWrites Writes(RegistryFilePath());
    TPluginScan Scan(QStringLiteral("Plugins"), Root.path());
    Scan.Scan();
    EXPECT_EQ(Writes.Count(), 1);
    ASSERT_EQ(Scan.Modules.size(), 3u);
    for (const auto& Info : Scan.Modules) // created through the registrations not yet written
        EXPECT_EQ(Info->Caption, "Fake TIRA5") << Info->ModuleName.toStdString();

    // Libraries registered as they are write nothing.
    TPluginScan Again(QStringLiteral("Plugins"), Root.path());
    Again.Scan();
    EXPECT_EQ(Writes.Count(), 1);
    for (const char* Module : {"One", "Two", "Three"})
        EXPECT_NO_THROW(ProgIDToClassID(QLatin1String(Module) + ".OstanPlugin")) << Module;
}
