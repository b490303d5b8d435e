#pragma once
// The device choice dialog: the libraries the plug-in scan found, sorted by
// caption, with the description and the pictures of the selected one. Its
// creation runs the scan.
#include "PluginScan.h"

#include <QDialog>
#include <QString>
#include <memory>

class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

namespace ostan {

class TImage;

class TDeviceChooseDialog : public QDialog {
    Q_OBJECT
public:
    // Scans ProgramFolder/Plugins; an empty ProgramFolder is the program's
    // library folder (ProgramLibraryFolder). An exception of the scan goes to
    // the application's exception handler; the dialog stays, with the list
    // box empty.
    explicit TDeviceChooseDialog(QWidget* Parent = nullptr, const QString& ProgramFolder = QString());
    ~TDeviceChooseDialog() override;

    std::unique_ptr<TPluginScan> PluginScan;
    QString SelectedModule; // ModuleName of the entry last shown or selected
    int BLSPinCount = 0;    // 4, 5 or 0: which connection picture is shown

    // Selects the list item of the first scanned entry with that module name
    // (exact case) and sets SelectedModule; false when there is none. Does
    // not refresh the description or the pictures.
    bool SelectByModuleName(const QString& ModuleName);
    void ShowSelected();

    // The entry attached to a list item.
    static TDLLInfo* EntryOf(const QListWidgetItem* Item);
    QListWidgetItem* SelectedItem() const;

    // A modal show closes at once as cancelled once the program is ending.
    int exec() override;

    QLabel* Label1 = nullptr; // "Доступные модули"
    QLabel* Label2 = nullptr; // "Внешний вид прибора"
    QLabel* Label3 = nullptr; // "Подключение к адаптеру"
    QListWidget* DeviceListBox = nullptr;
    QPlainTextEdit* FullDescriptionMemo = nullptr;
    QFrame* ImagePanel = nullptr;
    TImage* DeviceImage = nullptr;
    QFrame* ConnectionPanel1 = nullptr;
    TImage* ConnectionImage1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

public slots:
    void done(int Result) override; // FormCloseQuery
    void DeviceListBoxClick();
    void DeviceListBoxDblClick();

protected:
    void showEvent(QShowEvent* E) override; // FormShow
    bool eventFilter(QObject* Watched, QEvent* E) override;

private:
    void FormCreate(const QString& ProgramFolder);
    void AddToList(TDLLInfo* Info);
    void FitListToCaptions();
    // Up, Down, Home and End select an item, as in a list box; false for other keys.
    bool MoveSelectionByKey(int Key);
};

} // namespace ostan
