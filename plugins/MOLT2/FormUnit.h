#pragma once
// The panel of the MOLT-2.1 analyser: the stored calibration and threshold
// values, the sensor's voltages and sensitivity, the battery, the converter
// current, the display reading, six internal error flags and the trend of
// the sensor voltage and the battery; ten buttons send the analyser's
// calibration, threshold and test commands.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace molt2 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries6; // absolute sensor voltage, left axis
    ostan::TFastLineSeries* FastLineSeries7; // battery, right axis

    // CheckPacket is the framework's: bytes 2 to 21 XOR to 0.
    void ProcessPacket() override;

private:
    ostan::TFlagLabels FlagLabels;
};

} // namespace molt2
