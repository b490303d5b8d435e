#include "ExcelWork.h"

#include "MessageBox.h"
#include "OoxmlWorkbook.h"
#include "OstanMain.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <utility>

namespace ostan {

TExcelWork::TExcelWork(int Mode) : Excel(CreateOleObject(WorkbookClassName))
{
    WasVisible = Excel->Visible();
    if (Mode == 0)
        Excel->SetVisible(true);
    else if (Mode == 1)
        Excel->SetVisible(false);
}

TExcelWork::~TExcelWork()
{
    try {
        Excel->SetVisible(WasVisible);
        Excel->Quit();
    } catch (...) {
        // The application is released anyway.
    }
}

bool TExcelWork::OpenOrCreate(const QString& FileName)
{
    const bool exists = QFileInfo::exists(FileName);
    if (exists)
        Excel->WorkbooksOpen(FileName);
    else
        Excel->WorkbooksAdd(xlWBATWorksheet);
    Excel->WorkbookActivate(Excel->WorkbooksCount());
    return exists;
}

void TExcelWork::SaveAndClose(const QString& FileName)
{
    try {
        if (QFileInfo::exists(FileName))
            Excel->ActiveWorkbookSave();
        else
            Excel->ActiveWorkbookSaveAs(FileName);
    } catch (...) {
        try {
            Excel->ActiveWorkbookClose();
        } catch (...) {
            // The save's error is the one to report.
        }
        throw;
    }
    Excel->ActiveWorkbookClose();
}

bool IsExcelInstalled()
{
    try {
        TRegistry Reg(RegAccess::Read);
        Reg.SetRootKey(HKey::ClassesRoot);
        return Reg.KeyExists(WorkbookClassName);
    } catch (const ERegistryException&) {
        // An unreadable store has no class registered.
        return false;
    }
}

QString SheetNameOf(const QString& Caption)
{
    QString name = Caption;
    for (QChar& c : name)
        if (QStringLiteral("[]:*?/\\").contains(c))
            c = u'_';
    return name.left(31);
}

QFileDialog* CreateWorkbookDialog(QWidget* Parent, bool Save)
{
    auto* d = new QFileDialog(Parent);
    d->setObjectName(Save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    d->setOption(QFileDialog::DontUseNativeDialog);
    d->setNameFilter(QStringLiteral("Файлы Microsoft Excel (*.xlsx)"));
    d->setDefaultSuffix(QStringLiteral("xlsx"));
    d->setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist opens a new workbook; an existing one is
    // appended to without asking.
    d->setFileMode(QFileDialog::AnyFile);
    if (Save)
        d->setOption(QFileDialog::DontConfirmOverwrite);
    return d;
}

void SaveDeviceRow(TExcelWork& Work, IOstanPlugin& Plugin, const QString& FileName)
{
    IWorkbookApplication& Excel = *Work.Excel;
    if (!Work.OpenOrCreate(FileName)) {
        Excel.SetActiveSheetName(SheetNameOf(QString::fromUtf8(Plugin.GetCaption())));
        for (int i = 0;; ++i) {
            const QString Caption = QString::fromUtf8(Plugin.GetColumnCaption(i));
            if (Caption.isEmpty())
                break;
            Excel.SetCellValue(1, i + 1, QLatin1Char(' ') + Caption + QLatin1Char(' '));
        }
    }
    int Row = 1;
    while (!Excel.CellFormulaR1C1(Row, 1).isEmpty())
        ++Row;
    int Col = 0;
    while (!Excel.CellFormulaR1C1(1, Col + 1).isEmpty())
        ++Col;
    for (int i = 0;; ++i) {
        const QString Value = QString::fromUtf8(Plugin.GetColumnValue(i));
        if (Value.isEmpty())
            break;
        Excel.SetCellValue(Row, i + 1, Value);
    }
    // A workbook without a header still gets its first column formatted.
    Excel.RangeAutoFormat(1, 1, Row, std::max(Col, 1));
    Work.SaveAndClose(FileName);
}

QString SaveErrorText(const QString& Reason)
{
    const QString Text = QStringLiteral("Ошибка сохранения файла.");
    return Reason.isEmpty() ? Text : Text + u'\r' + Reason;
}

namespace {

// Shows the dialog; the chosen file, or "" when cancelled. The dialog keeps
// the name for next time.
QString Execute(QFileDialog* Dialog)
{
    if (Dialog->exec() != QDialog::Accepted || Dialog->selectedFiles().isEmpty())
        return {};
    const QString name = Dialog->selectedFiles().constFirst();
    Dialog->selectFile(name);
    return name;
}

} // namespace

void TMainForm::FileOpen1Execute()
{
    if (Saving)
        return;
    const QString FileName = Execute(OpenDialog1);
    if (FileName.isEmpty())
        return;
    ExcelWork.reset();
    // A workbook that cannot be shown is reported; the program goes on.
    try {
        ExcelWork = std::make_unique<TExcelWork>(0);
        ExcelWork->OpenOrCreate(FileName);
    } catch (const std::exception& E) {
        ShowMessageBox(MsgType::Error, QString::fromUtf8(E.what()));
    }
}

void TMainForm::FileSave1Execute()
{
    if (!CurrentPlugin || Saving)
        return;
    const QString FileName = Execute(SaveDialog1);
    // The dialog pumps events: the plug-in may have been unloaded meanwhile.
    const ComPtr<IOstanPlugin> Plugin = CurrentPlugin;
    if (FileName.isEmpty() || !Plugin)
        return;
    auto Work = std::make_unique<TExcelWork>(1);
    bool Saved = false;
    QString Reason; // what went wrong, for the technician to act on
    // A long save gives the serial port its turn between its pieces; input
    // waits. The plug-in may be unloaded meanwhile: its object stays held.
    struct TSaving {
        bool& Flag;
        explicit TSaving(bool& F) : Flag(F)
        {
            Flag = true;
            SetWorkbookPacer([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        }
        ~TSaving()
        {
            SetWorkbookPacer({});
            Flag = false;
        }
    };
    try {
        const TSaving Guard(Saving);
        SaveDeviceRow(*Work, *Plugin.Get(), FileName);
        Saved = true;
    } catch (const std::exception& E) {
        Reason = QString::fromUtf8(E.what());
    } catch (...) {
    }
    // Released after the guarded block: its quitting cannot turn a good
    // save into a failure.
    Work.reset();
    if (Saved)
        ShowMessageBox(MsgType::Information, QStringLiteral("Файл сохранен успешно."));
    else
        ShowMessageBox(MsgType::Error, SaveErrorText(Reason));
    if (std::exchange(CloseAfterSave, false))
        close();
}

} // namespace ostan
