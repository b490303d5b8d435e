// The settings store and the workbook where their names hold no ordinary
// file: nothing blocks, nothing is read without bound, a link stays a link,
// a lock held by another process is waited for a bounded time and named.
#include "EndSignal.h"
#include "LockHolder.h"
#include "OoxmlApplication.h"
#include "QStringPrinting.h"
#include "Registry.h"
#include "RegularFile.h"
#include "TempStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostan;

namespace {

const QByteArray StoreText = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n"
                             "\"V\"=dword:00000001\n\n";

QByteArray Native(const QString& Path) { return QFile::encodeName(Path); }

void WriteBytes(const QString& Path, const QByteArray& Bytes)
{
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Path.toStdString();
    F.write(Bytes);
}

QByteArray Bytes(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

mode_t TypeOf(const QString& Path)
{
    struct stat St {};
    return ::lstat(Native(Path).constData(), &St) == 0 ? St.st_mode & S_IFMT : 0;
}

void WriteV(int Value)
{
    TRegistry R;
    if (!R.OpenKey(QStringLiteral("\\SOFTWARE\\A"), true))
        throw ERegistryException("not writable");
    R.WriteInteger(QStringLiteral("V"), Value);
}

// Kinds of name that hold no regular file, made at Path (Other: a spare
// name beside it).
struct TOddFile {
    const char* What;
    const char* Says;
    void (*Make)(const QString& Path, const QString& Other);
};
const TOddFile OddFiles[] = {
    {"a FIFO", "канал (FIFO)", [](const QString& P, const QString&) { ASSERT_EQ(::mkfifo(Native(P).constData(), 0600), 0); }},
    {"a link to a FIFO", "канал (FIFO)",
     [](const QString& P, const QString& O) {
         ASSERT_EQ(::mkfifo(Native(O).constData(), 0600), 0);
         ASSERT_EQ(::symlink(Native(O).constData(), Native(P).constData()), 0);
     }},
    {"a link to /dev/zero", "устройство", [](const QString& P, const QString&) { ASSERT_EQ(::symlink("/dev/zero", Native(P).constData()), 0); }},
    {"a folder", "папка", [](const QString& P, const QString&) { ASSERT_TRUE(QDir().mkpath(P)); }},
};

class SpecialFiles : public ::testing::Test {
protected:
    void TearDown() override { SetStoreLockWaitForTest(3000); }
    QString InStore(const char* Name) const { return Store.DirPath() + u'/' + QLatin1String(Name); }
    test::TTempStore Store;
};

} // namespace

TEST_F(SpecialFiles, AStoreThatHoldsNoRegularFileIsReportedAsUnreadableAndLeftAsItIs)
{
    for (const TOddFile& Odd : OddFiles) {
        SCOPED_TRACE(Odd.What);
        QDir(Store.DirPath()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(Store.DirPath()));
        Odd.Make(Store.FilePath(), InStore("other"));
        const mode_t Type = TypeOf(Store.FilePath());

        const QString Failure = StoreReadFailure();
        EXPECT_TRUE(Failure.startsWith("Не удалось прочитать файл настроек " + Store.FilePath())) << Failure.toStdString();
        EXPECT_TRUE(Failure.contains(Odd.Says)) << Failure.toStdString();
        EXPECT_THROW(TRegistry(RegAccess::Read).KeyExists(QStringLiteral("\\SOFTWARE")), ERegistryException);
        EXPECT_FALSE(RegistryWritable());
        EXPECT_ANY_THROW(WriteV(2));
        EXPECT_EQ(TypeOf(Store.FilePath()), Type);
        EXPECT_FALSE(QFile::exists(Store.FilePath() + ".corrupt"));
    }
}

TEST_F(SpecialFiles, AStoreThatIsALinkIsWrittenThroughItAndStaysALink)
{
    struct Case {
        const char* What;
        bool Chain;   // a link to a link to the file
        bool Missing; // the file is not made yet
    };
    for (const Case& C : {Case{"a link", false, false}, Case{"a chain of links", true, false},
                          Case{"a link to a file not made yet", false, true}}) {
        SCOPED_TRACE(C.What);
        QTemporaryDir Elsewhere;
        const QString Target = Elsewhere.filePath("settings/store.reg");
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Target).path()));
        if (!C.Missing)
            WriteBytes(Target, StoreText);
        QFile::remove(Store.FilePath());
        QString First = Target;
        if (C.Chain) {
            First = Elsewhere.filePath("middle.reg");
            ASSERT_EQ(::symlink("settings/store.reg", Native(First).constData()), 0); // relative to its folder
        }
        ASSERT_EQ(::symlink(Native(First).constData(), Native(Store.FilePath()).constData()), 0);

        WriteV(2);
        EXPECT_EQ(TypeOf(Store.FilePath()), mode_t(S_IFLNK));
        EXPECT_EQ(QFile::symLinkTarget(Store.FilePath()), First);
        TRegistry R(RegAccess::Read);
        ASSERT_TRUE(R.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\A")));
        EXPECT_EQ(R.ReadInteger(QStringLiteral("V")), 2);
        EXPECT_TRUE(Bytes(Target).contains("\"V\"=dword:00000002"));
        // The lock and the temporary file belong beside the file itself.
        EXPECT_EQ(QDir(QFileInfo(Target).path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{"store.reg", "store.reg.lock"}));
        EXPECT_EQ(QDir(Store.DirPath()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList{"registry.reg"});
    }
}

TEST_F(SpecialFiles, ALockHeldByAnotherProcessIsWaitedForABoundedTimeAndItsHolderNamed)
{
    WriteBytes(Store.FilePath(), StoreText);
    const QString LockFile = Store.FilePath() + ".lock";
    {
        test::TLockHolder Holder(LockFile);
        SetStoreLockWaitForTest(100);
        try {
            WriteV(2);
            ADD_FAILURE() << "the write went through a held lock";
        } catch (const ERegistryException& E) {
            const QString Text = QString::fromUtf8(E.what());
            EXPECT_TRUE(Text.contains(Store.FilePath())) << Text.toStdString();
            EXPECT_TRUE(Text.contains(LockFile)) << Text.toStdString();
            EXPECT_TRUE(Text.contains(QStringLiteral("процесс %1 (").arg(Holder.Pid))) << Text.toStdString();
        }
        EXPECT_EQ(Bytes(Store.FilePath()), StoreText);

        // A request to end the program cuts even a long wait short.
        SetStoreLockWaitForTest(24 * 3600 * 1000);
        struct sigaction Note {}, Old {};
        Note.sa_handler = [](int) { NoteEndSignal(); };
        sigemptyset(&Note.sa_mask);
        ASSERT_EQ(::sigaction(SIGUSR1, &Note, &Old), 0);
        const pid_t Self = ::getpid();
        const pid_t Asker = ::fork();
        if (Asker == 0) {
            for (;;) {
                ::kill(Self, SIGUSR1);
                ::usleep(20000);
            }
        }
        try {
            WriteV(3);
            ADD_FAILURE() << "the write went through a held lock";
        } catch (const ERegistryException& E) {
            EXPECT_TRUE(QString::fromUtf8(E.what()).contains("прервано")) << E.what();
        }
        ::kill(Asker, SIGKILL);
        ::waitpid(Asker, nullptr, 0);
        ::sigaction(SIGUSR1, &Old, nullptr);
        EXPECT_EQ(Bytes(Store.FilePath()), StoreText);
    }
    WriteV(4); // the holder is gone
    EXPECT_TRUE(Bytes(Store.FilePath()).contains("\"V\"=dword:00000004"));
}

TEST_F(SpecialFiles, AStoreAndAWorkbookWithoutWritePermissionAreBothLeftAloneAlsoForRoot)
{
    WriteBytes(Store.FilePath(), StoreText);
    ASSERT_EQ(::chmod(Native(Store.FilePath()).constData(), 0444), 0);
    EXPECT_FALSE(RegistryWritable());
    EXPECT_ANY_THROW(WriteV(2));
    EXPECT_EQ(Bytes(Store.FilePath()), StoreText);

    TOoxmlApplication App;
    App.WorkbooksAdd(xlWBATWorksheet);
    App.WorkbookActivate(1);
    const QString Book = InStore("book.xlsx");
    App.ActiveWorkbookSaveAs(Book);
    const QByteArray Saved = Bytes(Book);
    ASSERT_EQ(::chmod(Native(Book).constData(), 0444), 0);
    App.SetCellValue(1, 1, QStringLiteral("x"));
    EXPECT_THROW(App.ActiveWorkbookSave(), EWorkbookError);
    EXPECT_EQ(Bytes(Book), Saved);
}

TEST_F(SpecialFiles, AWorkbookNameThatHoldsNoRegularFileIsRefusedWithoutWaiting)
{
    for (const TOddFile& Odd : OddFiles) {
        SCOPED_TRACE(Odd.What);
        QTemporaryDir Dir;
        const QString Book = Dir.filePath("book.xlsx");
        Odd.Make(Book, Dir.filePath("other"));
        const mode_t Type = TypeOf(Book);
        TOoxmlApplication App;
        try {
            App.WorkbooksOpen(Book);
            ADD_FAILURE() << "opened";
        } catch (const EWorkbookError& E) {
            EXPECT_TRUE(QString::fromUtf8(E.what()).contains(Odd.Says)) << E.what();
        }
        // Saved onto as a new workbook: nothing is put in place of it.
        App.WorkbooksAdd(xlWBATWorksheet);
        App.WorkbookActivate(1);
        EXPECT_THROW(App.ActiveWorkbookSaveAs(Book), EWorkbookError);
        EXPECT_EQ(TypeOf(Book), Type);
        if (std::string(Odd.What) == "a link to /dev/zero") {
            EXPECT_EQ(TypeOf("/dev/zero"), mode_t(S_IFCHR));
        }
    }

    // A lock file beside the workbook that is a FIFO still tells that the
    // workbook is open elsewhere; its owner is not read from it.
    QTemporaryDir Dir;
    const QString Book = Dir.filePath("book.xlsx");
    {
        TOoxmlApplication App;
        App.WorkbooksAdd(xlWBATWorksheet);
        App.WorkbookActivate(1);
        App.ActiveWorkbookSaveAs(Book);
    }
    ASSERT_EQ(::mkfifo(Native(Dir.filePath(".~lock.book.xlsx#")).constData(), 0600), 0);
    TOoxmlApplication App;
    try {
        App.WorkbooksOpen(Book);
        ADD_FAILURE() << "opened";
    } catch (const EWorkbookError& E) {
        EXPECT_TRUE(QString::fromUtf8(E.what()).contains("владелец в нем не записан")) << E.what();
    }
}

TEST_F(SpecialFiles, ANewWorkbooksTemplateIsWrittenOverWhatAKilledWriterLeft)
{
    // The template is written through "<name>.tmp.<pid>"; a FIFO left under
    // that name (a dead process of the same pid) would block its open.
    QTemporaryDir Cache;
    const QByteArray OldCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", Native(Cache.path()));
    const QString Template =
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath("Новая книга.xltx");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(Template).path()));
    ASSERT_EQ(::mkfifo(Native(Template + ".tmp." + QString::number(::getpid())).constData(), 0600), 0);
    SetWorkbookViewerForTest([](const QString&) { return true; });
    TOoxmlApplication App;
    App.SetVisible(true);
    EXPECT_NO_THROW(App.WorkbooksAdd(xlWBATWorksheet));
    EXPECT_EQ(TypeOf(Template), mode_t(S_IFREG));
    EXPECT_EQ(QDir(QFileInfo(Template).path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QFileInfo(Template).fileName()});
    SetWorkbookViewerForTest({});
    qputenv("XDG_CACHE_HOME", OldCache);
}

TEST(RegularFile, OnlyARegularFileWithinTheCapIsRead)
{
    QTemporaryDir Dir;
    const QString Small = Dir.filePath("small"), Large = Dir.filePath("large"), Fifo = Dir.filePath("fifo");
    WriteBytes(Small, "12345");
    WriteBytes(Large, QByteArray(6000, 'x'));
    ASSERT_EQ(::mkfifo(Native(Fifo).constData(), 0600), 0);
    struct Case {
        QString Path;
        qint64 Limit;
        const char* Says; // nullptr: read
    };
    const Case Cases[] = {
        {Small, 5, nullptr},
        {Large, 5999, "слишком велик"},
        {Fifo, 100, "канал (FIFO)"},
        {Dir.path(), 100, "папка"},
        {"/dev/zero", 100, "устройство"},
        {"/proc/self/cmdline", 1 << 20, nullptr}, // its size says 0
        {Dir.filePath("missing"), 100, "нет такого файла"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Path.toStdString());
        QString Reason;
        const std::optional<QByteArray> Read = ReadRegularFile(C.Path, C.Limit, &Reason);
        if (!C.Says) {
            ASSERT_TRUE(Read.has_value()) << Reason.toStdString();
            EXPECT_EQ(*Read, Bytes(C.Path));
            EXPECT_FALSE(Read->isEmpty());
        } else {
            EXPECT_FALSE(Read.has_value());
            EXPECT_TRUE(Reason.contains(C.Says)) << Reason.toStdString();
        }
    }
}
