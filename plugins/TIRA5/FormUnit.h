#pragma once
// The panel of the portable meters TIRA5.1, TIRA5.2, SEVO-1 and TIRA5.3 (the
// libraries TIRA5 and SEVO1 build it alike): the stored calibration and
// threshold values, the sensor voltage and sensitivity, the concentration
// computed from the calibration, the battery, the converter current, six
// internal error flags and the trend of the sensor voltage and the battery;
// ten buttons send the meter's calibration, threshold and test commands.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace tira5 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries10; // absolute sensor voltage, left axis
    ostan::TFastLineSeries* FastLineSeries11; // battery, right axis

    // CheckPacket is the framework's: bytes 2 to 26 XOR to 0.
    void ProcessPacket() override;

private:
    ostan::TFlagLabels FlagLabels;
};

} // namespace tira5
