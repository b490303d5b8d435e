#pragma once
// The panel of the analyser BRUN-3вм: the sensor's calibration voltages in
// air and in test gas and their difference, its absolute voltage and
// sensitivity, the battery, the converter current, whether the stored
// calibration is intact, eight internal error and six state flags, and the
// trend of the sensor voltage and the battery; seven buttons send the
// calibration, sensitivity, test and restart commands.
#include "PluginForm.h"
#include "ui_FormUnit.h"

namespace brun3vm {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries10; // absolute sensor voltage, left axis
    ostan::TFastLineSeries* FastLineSeries11; // battery, right axis

    // Bytes 2 to 26 XOR to 0, whatever follows them.
    bool CheckPacket() override;
    void ProcessPacket() override;

private:
    void ShowEepromVerdict(bool Intact);

    ostan::TFlagLabels ErrorLabels;
    ostan::TFlagLabels SoundLabels;
    ostan::TFlagLabels StateLabels;
};

} // namespace brun3vm
