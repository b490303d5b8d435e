#pragma once
// The spreadsheet application the workbook export drives, shaped like its
// automation object: one call here for each call by name there. Rows and
// columns count from 1. Failures raise (EWorkbookError, EOleSysError).
//
// The class is "Excel.Application" under HKEY_CLASSES_ROOT; the program
// registers its own engine there at every start (RegisterWorkbookClass), and
// CreateOleObject creates the registered engine as the automation runtime
// would, failing when the class is not registered.
#include "Com.h"
#include "PlatformApi.h"

#include <QString>
#include <functional>
#include <memory>

namespace ostan {

// Workbooks.Add's argument for a workbook with a single worksheet.
inline constexpr int xlWBATWorksheet = -4167;

class OSTAN_PLATFORM_API IWorkbookApplication {
public:
    virtual ~IWorkbookApplication() = default;
    virtual bool Visible() = 0;
    virtual void SetVisible(bool Value) = 0;
    virtual void Quit() = 0;
    // Workbooks.Open, Workbooks.Add, Workbooks.Count, Workbooks(Index).Activate
    virtual void WorkbooksOpen(const QString& FileName) = 0;
    virtual void WorkbooksAdd(int Template) = 0;
    virtual int WorkbooksCount() = 0;
    virtual void WorkbookActivate(int Index) = 0;
    // ActiveSheet.Name, ActiveSheet.Cells(Row, Column).Value and .FormulaR1C1,
    // ActiveSheet.Range(Cells(Row1, Column1), Cells(Row2, Column2)).AutoFormat
    virtual QString ActiveSheetName() = 0;
    virtual void SetActiveSheetName(const QString& Name) = 0;
    virtual void SetCellValue(int Row, int Column, const QString& Value) = 0;
    virtual QString CellFormulaR1C1(int Row, int Column) = 0;
    virtual void RangeAutoFormat(int Row1, int Column1, int Row2, int Column2) = 0;
    // ActiveWorkBook.Save, .SaveAs(FileName), .Close
    virtual void ActiveWorkbookSave() = 0;
    virtual void ActiveWorkbookSaveAs(const QString& FileName) = 0;
    virtual void ActiveWorkbookClose() = 0;
};

inline const QString WorkbookClassName = QStringLiteral("Excel.Application");
inline constexpr TGUID CLSID_WorkbookApplication = MakeGUID("{3C0F8A52-7E19-4B6D-A2C4-95D1E6B07F38}");

// Registers the engine's class for the program at ServerPath; an entry that
// already says so is left as it is.
OSTAN_PLATFORM_API void RegisterWorkbookClass(const QString& ServerPath);

// The automation object of a class name: the engine when the name is
// registered as its class, else EOleSysError.
OSTAN_PLATFORM_API std::unique_ptr<IWorkbookApplication> CreateOleObject(const QString& ClassName);

// Test hook: what CreateOleObject makes for the engine's class (an empty
// function restores the engine).
using TWorkbookFactory = std::function<std::unique_ptr<IWorkbookApplication>()>;
OSTAN_PLATFORM_API void SetWorkbookFactoryForTest(TWorkbookFactory Factory);

} // namespace ostan
