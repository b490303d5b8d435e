// The whole road of the workbook export with the real KARN-7 library: the
// device chosen, the adapter's packets on the panel, File > Save with a name
// typed into the save dialog, the rows in the file; File > Open handing the
// workbook on and reporting a damaged one.
#include "AdapterEmulator.h"
#include "BackInterface.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "MessageBox.h"
#include "NumberSeparators.h"
#include "OoxmlApplication.h"
#include "Options.h"
#include "MainFormParts.h"
#include "PortScanning.h"
#include "ProgramStart.h"
#include "Registry.h"
#include "Ticks.h"
#include "WorkbookSupport.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>
#include <zip.h>

using namespace ostan;
using namespace ostan::test;
using adapteremu::AdapterEmulator;
using ::testing::ElementsAre;

namespace {

// The unpacked content of a package's part ("" when it has none).
QByteArray PartOf(const QByteArray& Package, const char* Name)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* s = zip_source_buffer_create(Package.constData(), zip_uint64_t(Package.size()), 0, &e);
    zip_t* z = s ? zip_open_from_source(s, ZIP_RDONLY, &e) : nullptr;
    QByteArray out;
    if (zip_file_t* f = z ? zip_fopen(z, Name, 0) : nullptr) {
        char buffer[4096];
        for (zip_int64_t n; (n = zip_fread(f, buffer, sizeof buffer)) > 0;)
            out.append(buffer, qsizetype(n));
        zip_fclose(f);
    }
    if (z)
        zip_discard(z);
    else
        zip_source_free(s);
    zip_error_fini(&e);
    return out;
}

// Answers the file dialog the next action opens: Name typed into its name
// field (none: the name the dialog kept), then Enter. Returns whether a
// dialog came.
bool AnswerFileDialog(QAction* Action, const QString& Folder, const QString& Name)
{
    bool Seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        Seen = true;
        d->setDirectory(Folder);
        auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        if (!Name.isEmpty()) {
            // Typing happens in the focused field of the active dialog.
            QApplication::setActiveWindow(d);
            edit->setFocus();
            edit->clear();
            QTest::keyClicks(edit, Name);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Action->trigger();
    return Seen;
}

TEST(WorkbookEndToEnd, SaveAppendsThePanelsValuesOpenHandsTheWorkbookOn)
{
    TTempStore store;
    TQuickStart quick;
    struct Restore {
        ~Restore() { SetWorkbookViewerForTest({}); }
    } restore;
    MessageBoxRecorder boxes;
    QTemporaryDir dir;

    {
        // Without the class neither file action can be used.
        TMainForm f(quick.Wait);
        EXPECT_FALSE(Parts(f).FileOpen1->isEnabled());
        EXPECT_FALSE(Parts(f).FileSave1->isEnabled());
    }

    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    RegisterWorkbookClass(ProgramFileName());
    adapteremu::EmulatorConfig cfg;
    cfg.PortNum = 7;
    AdapterEmulator emu(cfg);
    QString err;
    ASSERT_TRUE(emu.Start(&err)) << err.toStdString();
    StoreLinkSettings(7);

    TMainForm f(quick.Wait);
    StartMainForm(f, QStringLiteral(PROGRAM_DIR));
    EXPECT_TRUE(Parts(f).FileOpen1->isEnabled());
    EXPECT_FALSE(Parts(f).FileSave1->isEnabled()); // no device yet

    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TDeviceChooseDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        const auto items = d->DeviceListBox->findItems(QStringLiteral("Блок датчкика KARN-7"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        d->DeviceListBox->setCurrentItem(items[0]);
        QTest::mouseClick(d->OKBtn, Qt::LeftButton);
    });
    Parts(f).SelectPlugin->trigger();
    ASSERT_TRUE(Parts(f).CurrentPlugin);
    EXPECT_TRUE(Parts(f).FileSave1->isEnabled());

    auto* value = Parts(f).PlugInPlaceholder->findChild<QLineEdit*>(QStringLiteral("LConcentr"));
    ASSERT_NE(value, nullptr);
    auto send = [&](double Concentration) {
        adapteremu::Karn7Reading reading;
        reading.GasCode = adapteremu::Karn7Reading::Methane;
        reading.Concentration = Concentration;
        value->clear();
        emu.SendKarn7(reading);
        ASSERT_TRUE(PumpUntil([&] { return !value->text().isEmpty(); }, 20000));
    };

    // A bare name gets "xlsx"; the second save, to the name the dialog kept,
    // appends.
    send(1.25);
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileSave1, dir.path(), QStringLiteral("road")));
    send(2.5);
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileSave1, dir.path(), QString()));
    EXPECT_THAT(boxes.Texts(), ElementsAre("Файл сохранен успешно.", "Файл сохранен успешно."));
    const QString file = dir.filePath(QStringLiteral("road.xlsx"));
    const auto book = TOoxmlWorkbook::FromBytes(ReadAll(file));
    EXPECT_EQ(book->SheetName(), QStringLiteral("Блок датчкика KARN-7"));
    EXPECT_EQ(book->CellText(1, 3), QStringLiteral(" Текущая конц., % об.д. "));
    EXPECT_EQ(book->CellText(2, 2), QStringLiteral("Метан"));
    EXPECT_EQ(book->CellText(2, 3), QStringLiteral("1.25"));
    EXPECT_EQ(book->CellText(3, 3), QStringLiteral("2.50"));
    EXPECT_FALSE(book->CellText(3, 1).isEmpty());
    EXPECT_TRUE(book->CellText(4, 1).isEmpty());

    // A file a spreadsheet holds open: the error box, the file as it was.
    const QByteArray saved = ReadAll(file);
    // The box names the lock and who holds it, below its fixed text.
    WriteAll(dir.filePath(QStringLiteral(".~lock.road.xlsx#")), ",ivan,bench-pc,11.12.2026 03:40,file:///home/ivan;");
    boxes.Clear();
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileSave1, dir.path(), QString()));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Type, MsgType::Error);
    EXPECT_EQ(boxes.Texts()[0].section(u'\r', 0, 0), QStringLiteral("Ошибка сохранения файла."));
    EXPECT_TRUE(boxes.Texts()[0].section(u'\r', 1).contains(
        QStringLiteral(".~lock.road.xlsx# (пользователь ivan, компьютер bench-pc, с 11.12.2026 03:40)")))
        << boxes.Texts()[0].toStdString();
    EXPECT_EQ(ReadAll(file), saved);
    QFile::remove(dir.filePath(QStringLiteral(".~lock.road.xlsx#")));

    // A new file named as the older binary format is refused, and nothing is
    // written.
    boxes.Clear();
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileSave1, dir.path(), QStringLiteral("old.xls")));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_TRUE(boxes.Texts()[0].startsWith(QStringLiteral("Ошибка сохранения файла.\r")));
    EXPECT_TRUE(boxes.Texts()[0].endsWith(QStringLiteral("Выберите имя с расширением .xlsx."))) << boxes.Texts()[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("old.xls"))));

    // File > Open hands a good workbook on, reports a damaged one and goes
    // on; a new name opens the desktop program's new document and writes
    // nothing where the name points.
    QTemporaryDir cache;
    struct RestoreCache {
        bool Was = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        QByteArray Old = qgetenv("XDG_CACHE_HOME");
        ~RestoreCache() { Was ? qputenv("XDG_CACHE_HOME", Old) : qunsetenv("XDG_CACHE_HOME"); }
    } restoreCache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QStringList shown;
    bool canShow = true;
    SetWorkbookViewerForTest([&](const QString& Name) {
        shown << QFileInfo(Name).fileName();
        return canShow;
    });
    WriteAll(dir.filePath(QStringLiteral("damaged.xlsx")), saved.left(saved.size() / 2));
    boxes.Clear();
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileOpen1, dir.path(), QStringLiteral("damaged.xlsx")));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Type, MsgType::Error);
    EXPECT_TRUE(boxes.Boxes[0].Text.contains(QStringLiteral("поврежден"))) << boxes.Boxes[0].Text.toStdString();
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileOpen1, dir.path(), QStringLiteral("road.xlsx")));
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileOpen1, dir.path(), QStringLiteral("none")));
    EXPECT_THAT(shown, ElementsAre("road.xlsx", "Новая книга.xltx")) << boxes.Texts().join("|").toStdString();
    EXPECT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("none.xlsx"))));
    EXPECT_TRUE(Parts(f).ExcelWork);
    // What the desktop program opened is a template: a new, unnamed document.
    const QString made = QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                             .filePath(QStringLiteral("Новая книга.xltx"));
    EXPECT_TRUE(PartOf(ReadAll(made), "[Content_Types].xml").contains("spreadsheetml.template.main+xml"));
    // Without a program for it, a box says so.
    canShow = false;
    boxes.Clear();
    ASSERT_TRUE(AnswerFileDialog(Parts(f).FileOpen1, dir.path(), QStringLiteral("none")));
    EXPECT_THAT(boxes.Texts(), ElementsAre("Не удалось открыть новую книгу: для книг Office Open XML (.xlsx) в системе "
                                           "не задана программа электронных таблиц."));

    f.UnloadPlugin();
    EXPECT_FALSE(Parts(f).FileSave1->isEnabled());
    f.close();
    EXPECT_FALSE(Parts(f).ExcelWork);
}

} // namespace
