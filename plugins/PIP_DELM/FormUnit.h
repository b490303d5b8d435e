#pragma once
// The panel of the sensor block DELM: the gas it measures, the raw
// measurement and the concentration computed from the calibration
// concentration the user enters, the measurement and error flags, and the
// concentration's trend. The block is passive; the panel asks the program to
// restart it when shown or told to.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace delm {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries2;

    // CheckPacket is the framework's: bytes 2 to 6 XOR to 0.
    void ProcessPacket() override;

public slots:
    void BResetClick();
    void SpinConcChange();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    ostan::TFlagLabels MeasurementFlags;
    ostan::TFlagLabels ErrorFlags;
};

} // namespace delm
