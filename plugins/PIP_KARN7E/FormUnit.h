#pragma once
// The panel of the explosion-proof sensor block KARN-7E: the type of the
// latest packet, the two calibration voltages and, from them and the
// calibration concentration the user enters, each measurement's
// concentration, absolute sensor voltage and sensitivity, with the
// concentration's trend. The block is passive; the panel asks the program to
// restart it when shown or told to, and keeps asking it to leave the
// adapter's automatic switching off.
#include "PluginForm.h"
#include "ui_FormUnit.h"

class QTimer;

namespace karn7e {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries3;
    QTimer* AutoSwithDisableTimer;

    // The latest calibration voltages, mV; zeroed by the restart.
    double AirVoltage = 0;
    double GasVoltage = 0;

    // Unlike the other blocks: the nibbles of bytes 2 to InLen XOR to 0.
    bool CheckPacket() override;
    void ProcessPacket() override;

public slots:
    void BResetClick();
    void AutoSwithDisableTimerTimer();
    void SpinConcChange();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    ostan::TFlagLabels FaultFlag;
};

} // namespace karn7e
