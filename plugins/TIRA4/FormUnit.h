#pragma once
// The panel of the oxygen meter TIRA-4: the sensor's calibration voltages in
// nitrogen and in air, its sensitivity and present voltage, the display
// reading, the battery, the two alarm thresholds, four internal error flags
// and the trend of the battery and the sensor voltage; its buttons send the
// calibration, threshold, pump test and switch-off commands. The atmospheric
// pressure is typed by the user and only exported.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace tira4 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries7; // battery, left axis
    ostan::TFastLineSeries* FastLineSeries6; // sensor voltage, right axis

    // CheckPacket is the framework's: bytes 2 to 18 XOR to 0.
    void ProcessPacket() override;

protected:
    void SendRecord(uint8_t Operation, uint8_t Argument) override;

private:
    ostan::TFlagLabels FlagLabels;
};

} // namespace tira4
