#pragma once
// The workbook engine: a spreadsheet application without a window that
// reads and writes Office Open XML workbooks itself. Visible means "show
// what is opened": a workbook opened while visible is handed to the
// desktop's spreadsheet program, and a new one opens there as its new
// document.
//
// It refuses a file a spreadsheet program holds open (".~lock.<name>#" or
// "~$<name>" beside it), one it may not write, and anything it cannot read
// as a whole workbook. Saving replaces the file atomically, so the old
// workbook stays whole when anything fails.
#include "OoxmlWorkbook.h"
#include "WorkbookApplication.h"

#include <vector>

namespace ostan {

class OSTAN_PLATFORM_API TOoxmlApplication final : public IWorkbookApplication {
public:
    TOoxmlApplication();
    ~TOoxmlApplication() override;

    bool Visible() override { return FVisible; }
    void SetVisible(bool Value) override { FVisible = Value; }
    void Quit() override;
    void WorkbooksOpen(const QString& FileName) override;
    void WorkbooksAdd(int Template) override;
    int WorkbooksCount() override { return int(Books.size()); }
    void WorkbookActivate(int Index) override;
    QString ActiveSheetName() override;
    void SetActiveSheetName(const QString& Name) override;
    void SetCellValue(int Row, int Column, const QString& Value) override;
    QString CellFormulaR1C1(int Row, int Column) override;
    void RangeAutoFormat(int Row1, int Column1, int Row2, int Column2) override;
    void ActiveWorkbookSave() override;
    void ActiveWorkbookSaveAs(const QString& FileName) override;
    void ActiveWorkbookClose() override;

    // The lock file of a spreadsheet program that has FileName open, or ""
    // when there is none.
    static QString LockFileOf(const QString& FileName);
    // Who holds a lock file, as it records them: "пользователь ..., компьютер
    // ..., с ..." ("" when it records nobody).
    static QString LockOwnerOf(const QString& LockFile);

private:
    struct TBook {
        QString FileName; // "" until saved
        std::unique_ptr<TOoxmlWorkbook> Book;
    };
    TOoxmlWorkbook& Active();
    void Write(TBook& Book, const QString& FileName);

    bool FVisible = false;
    std::vector<TBook> Books;
    int ActiveIndex = -1;
};

// Test hooks. The viewer shows an opened workbook (default: the desktop's
// program for the file, through QDesktopServices); it returns false when it
// could not. A write failure after so many bytes acts as a full disk (-1: off).
using TWorkbookViewer = std::function<bool(const QString& FileName)>;
OSTAN_PLATFORM_API void SetWorkbookViewerForTest(TWorkbookViewer Viewer);
OSTAN_PLATFORM_API void SetWorkbookWriteFailureForTest(long long FailAfterBytes);

} // namespace ostan
