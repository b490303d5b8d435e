#pragma once
// The panel of the sensor block KARN-7E/8: the latest value of every packet
// type, the concentration and sensitivity worked out from the calibration
// concentration the user enters, the fault flags, and a trend of the
// concentration and of the absolute sensor voltage. The block is passive;
// the panel asks the program to restart it when shown and on "Перезапуск".
#include "PluginForm.h"
#include "Tables.h"
#include "ui_FormUnit.h"

namespace karn7e8 {

class TForm1 : public ostan::TPluginForm, public Ui::TForm1 {
    Q_OBJECT
public:
    TForm1();

    ostan::TFastLineSeries* FastLineSeries7; // concentration, left axis
    ostan::TFastLineSeries* FastLineSeries6; // absolute sensor voltage, right axis

    // State the components do not hold (voltages in mV).
    double ZeroVoltage = 0;
    double DiffVoltage = 0;
    uint8_t LastPacketType = 0;
    uint8_t GasCode = 0;
    uint8_t ConcDecimals = 0; // set with a gas of the table
    QString GasName;          // what SetGasType last showed; none before the first gas

    // CheckPacket is the framework's: bytes 2 to 6 XOR to 0.
    void ProcessPacket() override;

    void ClearPanel();
    void SetGasType(uint8_t Gas);

public slots:
    void BResetClick();
    void FormShow();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void ShowConcentrUnit(const QString& Unit);
    double CalibrationConcentration() const;

    ostan::TFlagLabels FaultFlags;
    ostan::TFlagLabels NoSettingsFlag;
};

} // namespace karn7e8
