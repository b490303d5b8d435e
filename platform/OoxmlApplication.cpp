#include "OoxmlApplication.h"

#include "AtomicFile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

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
    if (!lock.isEmpty())
        Raise(QStringLiteral("Файл %1 открыт в другой программе (%2).")
                  .arg(QDir::toNativeSeparators(FileName), QFileInfo(lock).fileName()));
}

} // namespace

TOoxmlApplication::TOoxmlApplication() = default;

TOoxmlApplication::~TOoxmlApplication() = default;

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
    QFile file(FileName);
    if (QFileInfo(FileName).isDir() || !file.open(QIODevice::ReadOnly))
        Raise(QStringLiteral("Не удалось открыть файл %1.").arg(QDir::toNativeSeparators(FileName)));
    const QByteArray bytes = file.readAll();
    TBook book{QFileInfo(FileName).absoluteFilePath(), TOoxmlWorkbook::FromBytes(bytes)};
    if (FVisible) {
        const bool shown = Viewer() ? Viewer()(book.FileName)
                                    : QDesktopServices::openUrl(QUrl::fromLocalFile(book.FileName));
        if (!shown)
            Raise(QStringLiteral("Не удалось показать книгу %1: для файлов этого типа не задана программа.")
                      .arg(QDir::toNativeSeparators(book.FileName)));
    }
    Books.push_back(std::move(book));
}

void TOoxmlApplication::WorkbooksAdd(int Template)
{
    if (Template != xlWBATWorksheet)
        Raise(QStringLiteral("Неизвестный шаблон книги %1.").arg(Template));
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
    const QFileInfo info(FileName);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(FileName);
    struct stat st;
    if (::stat(QFile::encodeName(target).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            Raise(QStringLiteral("%1 не является файлом.").arg(shown));
        // The permission bits decide, also for root, whom access() lets through.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(QFile::encodeName(target).constData(), W_OK) != 0)
            Raise(QStringLiteral("Файл %1 доступен только для чтения.").arg(shown));
    }
    const QByteArray bytes = Book.Book->ToBytes();
    try {
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
