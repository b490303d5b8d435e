#pragma once
// The panel of the sensor block KARN-7: the measured gas, its concentration,
// the threshold, range and fault flags, and the concentration's trend. The
// block is passive; the panel only asks the program to restart it and keeps
// asking it to leave the adapter's automatic switching off.
#include "ChartView.h"
#include "Image.h"
#include "PluginForm.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace karn7 {

class TForm1 : public ostan::TPluginForm {
    Q_OBJECT
public:
    TForm1();

    // The components' texts and states are the panel's whole state.
    QLabel* LTypeLabel;
    QLineEdit* LType;
    QGroupBox* GroupBox4;
    QLineEdit* LConcentr;
    QLabel* LConcentrLabel; // the unit of the concentration
    QGroupBox* GroupBox3;
    QLabel* lNoSettings;
    QLabel* lLimit1Ex;
    QLabel* lLimit2Ex;
    QLabel* lRangeEx;
    QLineEdit* LRange;
    QLabel* lADCErr;
    QLabel* lSensBad;
    QPushButton* BReset;
    ostan::TChartView* Chart1;
    ostan::TFastLineSeries* FastLineSeries3;
    ostan::TImage* MainImage;
    ostan::TImage* ConnectionBLD4;
    ostan::TImage* ConnectionBLD5;
    QTimer* AutoSwithDisableTimer;

    // CheckPacket is the framework's: bytes 2 to 4 XOR to 0.
    void ProcessPacket() override;
    QString GetColumnCaption(int Index) override;
    QString GetColumnValue(int Index) override;

public slots:
    void BResetClick();
    void AutoSwithDisableTimerTimer();
};

} // namespace karn7
