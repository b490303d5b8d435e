#pragma once
// The main window's components that tests look at or drive, by their names.
#include "OstanMain.h"

namespace ostan {

class TMainFormParts {
public:
    explicit TMainFormParts(TMainForm& F)
        : VaComm1(F.VaComm1), Link(F.Link), StatusPanels(F.StatusPanels), ProgressBar2(F.ProgressBar2),
          IndicatorLabels(F.IndicatorLabels), DevChooseBut(F.DevChooseBut), PlugInPlaceholder(F.PlugInPlaceholder),
          FileOpen1(F.FileOpen1), FileSave1(F.FileSave1), FileExit1(F.FileExit1), EditCut1(F.EditCut1),
          EditCopy1(F.EditCopy1), EditPaste1(F.EditPaste1), AutoDetectDevice(F.AutoDetectDevice),
          AdpReset(F.AdpReset), KZReset(F.KZReset), DebugMode(F.DebugMode), SoundOnOff(F.SoundOnOff),
          SelectPlugin(F.SelectPlugin), AutoSelectPlugin(F.AutoSelectPlugin), Options(F.Options), Help(F.Help),
          FirmwareVersion(F.FirmwareVersion), AboutBox1(F.AboutBox1), ExcelAvailable(F.ExcelAvailable),
          ExcelWork(F.ExcelWork), CurrentPlugin(F.CurrentPlugin)
    {
    }

    TVaComm* const& VaComm1;
    TAdapterLink& Link;
    QLabel* const (&StatusPanels)[3];
    QProgressBar* const& ProgressBar2;
    QLabel* const (&IndicatorLabels)[IndicatorCount];
    QToolButton* const& DevChooseBut;
    QFrame* const& PlugInPlaceholder;

    QAction* const& FileOpen1;
    QAction* const& FileSave1;
    QAction* const& FileExit1;
    QAction* const& EditCut1;
    QAction* const& EditCopy1;
    QAction* const& EditPaste1;
    QAction* const& AutoDetectDevice;
    QAction* const& AdpReset;
    QAction* const& KZReset;
    QAction* const& DebugMode;
    QAction* const& SoundOnOff;
    QAction* const& SelectPlugin;
    QAction* const& AutoSelectPlugin;
    QAction* const& Options;
    QAction* const& Help;
    QAction* const& FirmwareVersion;
    QAction* const& AboutBox1;

    bool& ExcelAvailable; // a test stands in for the workbook class
    const std::unique_ptr<TExcelWork>& ExcelWork;
    const ComPtr<IOstanPlugin>& CurrentPlugin;
};

inline TMainFormParts Parts(TMainForm& F) { return TMainFormParts(F); }

} // namespace ostan
