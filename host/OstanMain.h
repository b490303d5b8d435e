#pragma once
// The main window: the adapter link's owner, its actions, menus, tool bar,
// status bar and the adapter status panel. The plug-in host and the adapter
// operations are units of their own, each reaching the window through its own
// narrow interface; the window's handlers are their entry points.
#include "AdapterLink.h"
#include "AdapterOperations.h"
#include "Guard.h"
#include "PaintPacer.h"
#include "PluginHost.h"
#include "QtLinkTimer.h"

#include <QMainWindow>
#include <array>
#include <exception>
#include <memory>

class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;

namespace ostan {

class TVaComm;
class TOptionsDlg;
class TDeviceChooseDialog;
class TDebugForm;
class TEditActions;
class TExcelWork;
class TMainFormParts;

class TMainForm : public QMainWindow, public ILinkHost, private IAdapterHost, private IPluginArea {
    Q_OBJECT
public:
    explicit TMainForm(const TAdapterWaits& Waits = {}, QWidget* Parent = nullptr);
    ~TMainForm() override;

    // The window's size, which is also its minimum until a panel needs more.
    static constexpr QSize DesignSize{630, 420};

    // Windows created after the main window (start-up step 4).
    TOptionsDlg* OptionsDlg = nullptr;
    TDeviceChooseDialog* DeviceChooseDialog = nullptr;
    std::unique_ptr<TDebugForm> DebugForm; // a top-level window

    QIcon ImageList1(int Index) const;

    void ActivatePlugin(const QString& ModuleName) { PluginHost.Activate(ModuleName); }
    void PlugInPlaceholderResize() { PluginHost.Fit(); }

    void ConnectOnStart() { Adapter.ConnectOnStart(); }
    void RestartDevice() { Adapter.RestartDevice(); }
    bool DisableAutoSwitch() { return Adapter.SendAutoSwitchOff(); }
    // "&Настройка", as its menu item runs it.
    void ShowOptions();

    // Settings.
    void StoreOptions();
    void ApplyOptions();

    void UnloadPlugin() override;
    void AppException(std::exception_ptr E);

public slots:
    void AutoDetectDeviceExecute();
    void AdpResetExecute();
    void KZResetExecute();
    void FirmwareVersionExecute();
    void SoundOnOffExecute();
    void OptionsExecute();
    void HelpExecute();
    void FileExit1Execute();
    void DebugModeExecute();
    void AboutBox1Execute();
    void SelectPluginExecute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void VaComm1RxChar(int Count);

protected:
    bool event(QEvent* E) override;
    bool eventFilter(QObject* Watched, QEvent* E) override;
    void closeEvent(QCloseEvent* E) override; // FormCloseQuery
    void keyPressEvent(QKeyEvent* E) override;

private:
    // Tests reach the components through it (tests/MainFormParts.h).
    friend class TMainFormParts;

    // Components.
    TVaComm* VaComm1 = nullptr;
    TQtLinkTimer DeviceActiveTimer;
    TAdapterLink Link;
    QLabel* StatusPanels[3] = {};
    QProgressBar* ProgressBar2 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QFrame* AdapterStatus = nullptr;
    QLabel* IndicatorLabels[IndicatorCount] = {};
    QPushButton* butKZReset = nullptr;
    QToolButton* DevChooseBut = nullptr;
    QFrame* PlugInPlaceholder = nullptr;

    QAction* FileOpen1 = nullptr;
    QAction* FileSave1 = nullptr;
    QAction* FileExit1 = nullptr;
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
    QAction* AutoDetectDevice = nullptr;
    QAction* AdpReset = nullptr;
    QAction* KZReset = nullptr;
    QAction* DebugMode = nullptr;
    QAction* SoundOnOff = nullptr;
    QAction* SelectPlugin = nullptr;
    QAction* AutoSelectPlugin = nullptr;
    QAction* Options = nullptr;
    QAction* Help = nullptr;
    QAction* FirmwareVersion = nullptr;
    QAction* AboutBox1 = nullptr;

    bool ExcelAvailable = false;
    // The workbook kept by the last "&Открыть" (ExcelWork.cpp).
    std::unique_ptr<TExcelWork> ExcelWork;
    // A "&Сохранить" under way: it serves the program's events between its
    // pieces, so a second save, an open and a close wait for it.
    bool Saving = false;
    bool CloseAfterSave = false;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;

    // The program's only reference to the active plug-in.
    ComPtr<IOstanPlugin> CurrentPlugin;
    TPluginHost PluginHost{*this};

    TAdapterOperations Adapter;

    // The action table (OstanMain.cpp).
    struct TActionDef;
    static const TActionDef ActionDefs[];

    // IAdapterHost
    QWidget& MainWindow() override { return *this; }
    TVaComm& Port() override { return *VaComm1; }
    TAdapterLink& AdapterLink() override { return Link; }
    ILinkTimer& SupervisionTimer() override { return DeviceActiveTimer; }
    QStringList SearchPorts() const override;
    QAction& SearchAction() override { return *AutoDetectDevice; }
    QAction& ResetAction() override { return *AdpReset; }

    // IPluginArea
    QSize SmallestSize() const override { return DesignSize; }
    QWidget& Placeholder() override;
    ComPtr<IOstanPlugin>& ActivePlugin() override { return CurrentPlugin; }
    void SelectDevice(int32_t PacketLength, uint8_t DeviceCode) override { Link.SelectDevice(PacketLength, DeviceCode); }
    void PluginChanged(bool Active) override;
    TDeviceChooseDialog* DeviceDialog() const override { return DeviceChooseDialog; }

    // ILinkHost
    bool PluginActive() const override;
    bool ReceivePacket(const TDynamicByteArray& Packet) override;
    void AutoSelectByDeviceId() override;
    bool SoundOn() const override;
    bool AutoSelectOn() const override;
    bool LogExists() const override;
    void AddLogText(const QString& Text, bool SameLine) override;
    void LinkViewChanged() override;

    void CreateActions();
    void CreateMenusAndToolBar();
    void CreateStatusBar();
    void CreateAdapterStatus();
    void ShowHelpFor(QObject* Watched);
    void ShowLinkView();

    std::vector<QIcon> Images;
    TEditActions* EditActions = nullptr;
    // The link changes with every frame; the indicators and the heartbeat
    // follow right before the window paints, and only what changed is set.
    TPaintHook LinkView{[this] { Guarded([this] { ShowLinkView(); }); }};
    std::array<IndicatorState, IndicatorCount> ShownIndicators{};
    bool LinkViewShown = false;
};

} // namespace ostan
