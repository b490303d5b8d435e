#pragma once
// The panel of the portable leak detector TIRA6: the air and threshold
// calibration voltages, the sensor voltage, the battery, the converter
// current, the sensor protection, the display's bar and range, six internal
// error flags and the trend of the sensor voltage and the battery; its
// buttons send constant commands.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace tira6 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries8; // sensor voltage, left axis
    ostan::TFastLineSeries* FastLineSeries9; // battery, right axis

    // CheckPacket is the framework's: bytes 2 to 19 XOR to 0.
    void ProcessPacket() override;
    QString GetColumnCaption(int Index) override;
    QString GetColumnValue(int Index) override;

private:
    ostan::TFlagLabels FlagLabels;
};

} // namespace tira6
