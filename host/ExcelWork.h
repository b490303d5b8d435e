#pragma once
// The workbook export: TExcelWork owns one spreadsheet application object and
// opens, creates and saves its workbook; the main window's "&Открыть" and
// "&Сохранить" (TMainForm::FileOpen1Execute, FileSave1Execute) live in
// ExcelWork.cpp.
#include "CommonInterfaces.h"
#include "WorkbookApplication.h"

#include <QString>
#include <memory>

class QFileDialog;
class QWidget;

namespace ostan {

class TExcelWork {
public:
    // Create: Mode 0 makes the application visible, 1 invisible, any other
    // value leaves it as found. Raises when the application cannot be created.
    explicit TExcelWork(int Mode);
    // Destroy: the application gets back the visibility it had and quits.
    // Nothing it raises while going away escapes.
    ~TExcelWork();
    TExcelWork(const TExcelWork&) = delete;
    TExcelWork& operator=(const TExcelWork&) = delete;

    // Opens an existing file (true) or adds a new workbook (false); either
    // becomes the active workbook.
    bool OpenOrCreate(const QString& FileName);
    // Save (existing file) or SaveAs (new one), then Close, also after an
    // error, which then passes on.
    void SaveAndClose(const QString& FileName);

    std::unique_ptr<IWorkbookApplication> Excel;
    bool WasVisible = false;
};

// Steps of "&Сохранить" between the application's creation and its
// release: open or create the workbook (a new one gets the device's sheet
// name and the header row " caption "), put the plug-in's values into the
// first row whose column 1 is empty, format the table, save and close.
void SaveDeviceRow(TExcelWork& Work, IOstanPlugin& Plugin, const QString& FileName);

// The class key of the spreadsheet application exists.
bool IsExcelInstalled();

// The device caption as a sheet name a spreadsheet accepts: each of
// [ ] : * ? / \ becomes "_", and the name is cut to 31 characters.
QString SheetNameOf(const QString& Caption);

// The error box of a failed save: its fixed text, then the reason on a line
// of its own when there is one.
QString SaveErrorText(const QString& Reason);

// OpenDialog1 and SaveDialog1: the workbook filter, "xlsx" added to a name
// typed without an extension; the save dialog appends to a chosen file
// without asking.
QFileDialog* CreateWorkbookDialog(QWidget* Parent, bool Save);

} // namespace ostan
