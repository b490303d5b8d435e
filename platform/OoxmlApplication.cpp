#include "OoxmlApplication.h"

#include "AtomicFile.h"
#include "ErrorReasons.h"
#include "RegularFile.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

namespace ostan {

namespace {

TWorkbookViewer& Viewer()
{
    static TWorkbookViewer v;
    return v;
}

long long& WriteFailAfter()
{
    static long long bytes = -1;
    return bytes;
}

[[noreturn]] void Raise(const QString& Message) { throw EWorkbookError(Message); }

void CheckNotLocked(const QString& FileName)
{
    const QString lock = TOoxmlApplication::LockFileOf(FileName);
    if (lock.isEmpty())
        return;
    const QString owner = TOoxmlApplication::LockOwnerOf(lock);
    Raise(QStringLiteral("Файл %1 открыт в другой программе: рядом с ним лежит файл блокировки %2 (%3). "
                         "Закройте книгу в той программе; если она уже закрыта, удалите этот файл блокировки.")
              .arg(QDir::toNativeSeparators(FileName), QFileInfo(lock).fileName(),
                   owner.isEmpty() ? QStringLiteral("владелец в нем не записан") : owner));
}

// Reads the file whole, with the system's reason when it cannot. A name
// that holds no regular file (a FIFO would block the open for good) is
// refused before anything is read.
QByteArray ReadWhole(const QString& FileName)
{
    const QString shown = QDir::toNativeSeparators(FileName);
    TRegularFile file;
    if (!file.Open(FileName))
        Raise(QStringLiteral("Не удалось открыть файл %1: %2.").arg(shown, file.Reason()));
    TOoxmlWorkbook::CheckPackageSize(file.Status().st_size);
    QByteArray bytes;
    if (!file.ReadAll(file.Status().st_size, bytes))
        Raise(QStringLiteral("Не удалось прочитать файл %1: %2.").arg(shown, file.Reason()));
    return bytes;
}

// The content a new workbook opens with in the desktop's program: a
// template, which a spreadsheet program opens as a new, unnamed document.
QString NewWorkbookTemplate()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString path = QDir(folder).filePath(QStringLiteral("Новая книга.xltx"));
    QDir().mkpath(folder);
    try {
        WriteFileAtomically(path, TOoxmlWorkbook::NewTemplateBytes());
    } catch (const EAtomicWriteError& E) {
        Raise(QStringLiteral("Не удалось создать новую книгу %1: %2.").arg(QDir::toNativeSeparators(path), E.Reason()));
    }
    return path;
}

bool Show(const QString& FileName)
{
    return Viewer() ? Viewer()(FileName) : QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
}

} // namespace

TOoxmlApplication::TOoxmlApplication() = default;

TOoxmlApplication::~TOoxmlApplication() = default;

QString TOoxmlApplication::LockOwnerOf(const QString& LockFile)
{
    // Its first bytes: a lock file records its owner at the start.
    TRegularFile file;
    QByteArray bytes;
    if (!file.Open(LockFile))
        return {};
    bytes.resize(4096);
    const ssize_t got = ::pread(file.Fd(), bytes.data(), size_t(bytes.size()), 0);
    bytes.truncate(got > 0 ? qsizetype(got) : 0);
    QString user, login, host, since;
    if (QFileInfo(LockFile).fileName().startsWith(QLatin1String(".~lock."))) {
        // "Full name,login,machine,dd.mm.yyyy hh:mm,profile;"
        QByteArray text = bytes;
        if (const qsizetype end = text.indexOf(';'); end >= 0)
            text.truncate(end);
        const QList<QByteArray> fields = text.split(',');
        auto field = [&fields](int I) { return I < fields.size() ? QString::fromUtf8(fields[I]).trimmed() : QString(); };
        user = field(0);
        login = field(1);
        host = field(2);
        since = field(3);
    } else if (!bytes.isEmpty()) {
        // "~$": the user's name, its length in the first byte, padded to 54
        // bytes; then the same name in UTF-16 after a 16-bit length.
        if (bytes.size() >= 56) {
            const int n = uchar(bytes[54]) | uchar(bytes[55]) << 8;
            if (n > 0 && 56 + 2 * n <= bytes.size())
                user = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 56), n);
        }
        const int n = uchar(bytes[0]);
        if (user.isEmpty() && n > 0 && n < 54 && 1 + n <= bytes.size())
            user = QString::fromLocal8Bit(bytes.mid(1, n));
        user = user.trimmed();
        since = QFileInfo(LockFile).lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    }
    QStringList parts;
    if (!user.isEmpty() && !login.isEmpty() && user != login)
        parts << QStringLiteral("пользователь %1 (%2)").arg(user, login);
    else if (!user.isEmpty() || !login.isEmpty())
        parts << QStringLiteral("пользователь %1").arg(user.isEmpty() ? login : user);
    if (!host.isEmpty())
        parts << QStringLiteral("компьютер %1").arg(host);
    if (!since.isEmpty() && !parts.isEmpty())
        parts << QStringLiteral("с %1").arg(since);
    return parts.join(QStringLiteral(", "));
}

QString TOoxmlApplication::LockFileOf(const QString& FileName)
{
    const QFileInfo info(FileName);
    const QDir folder = info.absoluteDir();
    const QString name = info.fileName();
    QStringList candidates = {QStringLiteral(".~lock.") + name + QLatin1Char('#'), QStringLiteral("~$") + name};
    // Long names lose their first two characters to the "~$".
    if (name.size() > 2)
        candidates << QStringLiteral("~$") + name.mid(2);
    for (const QString& c : candidates)
        if (QFileInfo::exists(folder.filePath(c)))
            return folder.filePath(c);
    return {};
}

void TOoxmlApplication::Quit()
{
    Books.clear();
    ActiveIndex = -1;
}

void TOoxmlApplication::WorkbooksOpen(const QString& FileName)
{
    CheckNotLocked(FileName);
    TBook book{QFileInfo(FileName).absoluteFilePath(), TOoxmlWorkbook::FromBytes(ReadWhole(FileName))};
    if (FVisible && !Show(book.FileName))
        Raise(QStringLiteral("Не удалось показать книгу %1: для файлов этого типа не задана программа.")
                  .arg(QDir::toNativeSeparators(book.FileName)));
    Books.push_back(std::move(book));
}

void TOoxmlApplication::WorkbooksAdd(int Template)
{
    if (Template != xlWBATWorksheet)
        Raise(QStringLiteral("Неизвестный шаблон книги %1.").arg(Template));
    // Shown, the new workbook is the desktop program's own new document.
    if (FVisible && !Show(NewWorkbookTemplate()))
        Raise(QStringLiteral("Не удалось открыть новую книгу: для книг Office Open XML (.xlsx) в системе не задана "
                             "программа электронных таблиц."));
    Books.push_back({QString(), TOoxmlWorkbook::NewWorkbook()});
}

void TOoxmlApplication::WorkbookActivate(int Index)
{
    if (Index < 1 || Index > int(Books.size()))
        Raise(QStringLiteral("Нет книги с номером %1.").arg(Index));
    ActiveIndex = Index - 1;
}

TOoxmlWorkbook& TOoxmlApplication::Active()
{
    if (ActiveIndex < 0 || ActiveIndex >= int(Books.size()))
        Raise(QStringLiteral("Нет активной книги."));
    return *Books[size_t(ActiveIndex)].Book;
}

QString TOoxmlApplication::ActiveSheetName() { return Active().SheetName(); }

void TOoxmlApplication::SetActiveSheetName(const QString& Name) { Active().SetSheetName(Name); }

void TOoxmlApplication::SetCellValue(int Row, int Column, const QString& Value)
{
    Active().SetCellValue(Row, Column, Value);
}

QString TOoxmlApplication::CellFormulaR1C1(int Row, int Column) { return Active().CellText(Row, Column); }

void TOoxmlApplication::RangeAutoFormat(int Row1, int Column1, int Row2, int Column2)
{
    Active().AutoFormat(Row1, Column1, Row2, Column2);
}

void TOoxmlApplication::Write(TBook& Book, const QString& FileName)
{
    CheckNotLocked(FileName);
    // A link is followed: the file it names is replaced, the link stays.
    const QString target = FinalTarget(FileName);
    const QString shown = QDir::toNativeSeparators(FileName);
    struct stat st;
    if (::stat(QFile::encodeName(target).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            Raise(QStringLiteral("Не удалось записать файл %1: %2.").arg(shown, NotRegularReason(st.st_mode)));
        if (!PermitsWriting(st, target))
            Raise(QStringLiteral("Файл %1 доступен только для чтения.").arg(shown));
    }
    const QByteArray bytes = Book.Book->ToBytes();
    try {
        RemoveTemporaryLeftovers(target, TLeftovers::DeadWriters);
        WriteFileAtomically(target, bytes, WriteFailAfter());
    } catch (const EAtomicWriteError& E) {
        Raise(QStringLiteral("Не удалось записать файл %1: %2.").arg(shown, E.Reason()));
    }
}

void TOoxmlApplication::ActiveWorkbookSave()
{
    Active();
    TBook& book = Books[size_t(ActiveIndex)];
    if (book.FileName.isEmpty())
        Raise(QStringLiteral("У новой книги еще нет имени файла."));
    Write(book, book.FileName);
}

void TOoxmlApplication::ActiveWorkbookSaveAs(const QString& FileName)
{
    Active();
    // What is written is Office Open XML, whatever the name says; a name of
    // the older binary format would mislead every program that opens it.
    if (QFileInfo(FileName).suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        Raise(QStringLiteral("Книга записывается в формате Office Open XML, и имя файла %1 с расширением .xls ему "
                             "не подходит. Выберите имя с расширением .xlsx.")
                  .arg(QDir::toNativeSeparators(QFileInfo(FileName).fileName())));
    TBook& book = Books[size_t(ActiveIndex)];
    Write(book, FileName);
    book.FileName = QFileInfo(FileName).absoluteFilePath();
}

void TOoxmlApplication::ActiveWorkbookClose()
{
    Active();
    Books.erase(Books.begin() + ActiveIndex);
    ActiveIndex = Books.empty() ? -1 : int(Books.size()) - 1;
}

void SetWorkbookViewerForTest(TWorkbookViewer V) { Viewer() = std::move(V); }

void SetWorkbookWriteFailureForTest(long long FailAfterBytes) { WriteFailAfter() = FailAfterBytes; }

} // namespace ostan
