#pragma once
// The panel of the early single-board MOLT-2.1 analyser: the battery, the
// sensor's voltages and the display reading computed from raw converter
// readings, the stored calibration values, thresholds and sensitivity, six
// flag labels and the trend of the battery and the sensor voltage; ten
// buttons send the analyser's calibration, threshold and test commands.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace molt2old {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries7; // battery, left axis
    ostan::TFastLineSeries* FastLineSeries6; // absolute sensor voltage, right axis

    // CheckPacket is the framework's: bytes 2 to 49 XOR to 0.
    void ProcessPacket() override;

private:
    ostan::TFlagLabels FlagLabels;
};

} // namespace molt2old
