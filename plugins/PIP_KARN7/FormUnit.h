#pragma once
// The panel of the sensor block KARN-7: the measured gas, its concentration,
// the threshold, range and fault flags, and the concentration's trend. The
// block is passive; the panel only asks the program to restart it and keeps
// asking it to leave the adapter's automatic switching off.
#include "PluginForm.h"
#include "ui_FormUnit.h"

class QTimer;

namespace karn7 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    // The components' texts and states are the panel's whole state.
    ostan::TFastLineSeries* FastLineSeries3;
    QTimer* AutoSwithDisableTimer;

    // CheckPacket is the framework's: bytes 2 to 4 XOR to 0.
    void ProcessPacket() override;
    QString GetColumnCaption(int Index) override;

public slots:
    void BResetClick();
    void AutoSwithDisableTimerTimer();

private:
    void ShowUnit(const QString& Unit);

    ostan::TFlagLabels ThresholdFlags;
    ostan::TFlagLabels FaultFlags;
    ostan::TFlagLabels RangeFlag;
};

} // namespace karn7
