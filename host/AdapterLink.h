#pragma once
// The program's end of the serial protocol with the adapter: it feeds the
// port's bytes through the receiver, acts on the frames, sends through the
// writer, keeps the supervisor informed and holds the model of the
// adapter's status indicators. No window: the main window supplies the
// port, the supervision timer and an ILinkHost, and renders View().
#include "AdapterReceiver.h"
#include "AdapterWriter.h"
#include "CommonInterfaces.h"
#include "LinkSupervisor.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace ostan {

// What the link needs of the main window and the plug-in host.
class ILinkHost {
public:
    virtual ~ILinkHost() = default;
    virtual bool PluginActive() const = 0;
    // May raise: the exception passes out of VaComm1RxChar.
    virtual bool ReceivePacket(const TDynamicByteArray& Packet) = 0;
    virtual void UnloadPlugin() = 0;
    virtual void AutoSelectByDeviceId() = 0; // reads RxFrame(2) itself
    virtual bool SoundOn() const = 0;        // the check of "&Звук"
    virtual bool AutoSelectOn() const = 0;   // the check of "&Автовыбор прибора"
    virtual bool LogExists() const = 0;      // the traffic log window exists
    virtual void AddLogText(const QString& Text, bool SameLine) = 0;
    // Indicators, status panel text, action states or the heartbeat changed.
    virtual void LinkViewChanged() = 0;
};

enum class IndicatorColor { ButtonFace, Lime, Yellow, Red };

struct IndicatorState {
    bool Enabled = false;
    IndicatorColor Color = IndicatorColor::ButtonFace;
    bool operator==(const IndicatorState&) const = default;
};

// The six status labels of the adapter panel, by their component names.
enum Indicator : int {
    Label6, // "  DEV  "
    Label5, // "  ПИП  "
    Label9, // "  Прием  "
    Label2, // " Ошибка данных "
    labKZ,  // "  КЗ ПИП'а  "
    Label7, // " Переполн. буф."
    IndicatorCount
};

// What the window shows of the link (the heartbeat is the supervisor's).
struct TLinkView {
    std::array<IndicatorState, IndicatorCount> Indicators{};
    QString StatusPanelText = QStringLiteral("Нет связи");
    bool AdpResetEnabled = false;
    bool KZResetEnabled = false;
    bool FirmwareVersionEnabled = false;
};

class TAdapterLink {
public:
    static constexpr int FrameBufferSize = TAdapterReceiver::RxFrameSize + TAdapterWriter::TxFrameSize;

    TAdapterLink(ISerialPort& Port, ILinkTimer& Timer, ILinkHost& Host);
    ~TAdapterLink();
    TAdapterLink(const TAdapterLink&) = delete;
    TAdapterLink& operator=(const TAdapterLink&) = delete;

    const TAdapterReceiver& Receiver() const { return Rx; }
    const TLinkSupervisor& Supervisor() const { return Supervision; }
    TAdapterWriter& Writer() { return Tx; }
    const TAdapterWriter& Writer() const { return Tx; }
    const TLinkView& View() const { return FView; }
    // Both halves as one: RxFrame at 1..250, TxFrame at 251..500; an index
    // outside reads 0.
    uint8_t FrameBuffer(int Index) const;
    // The copy of the last data frame handed to the plug-in.
    const TDynamicByteArray& RxPacket() const { return FRxPacket; }
    // Frees the copy before the plug-in whose packet it was goes.
    void ReleaseRxPacket() { FRxPacket = TDynamicByteArray(); }

    // The adapter commands with the state they change.
    // Two probes; the link counts as down until the echo comes.
    void SendProbe();
    // The reset: indicators dimmed, the firmware version unknown until the
    // init frame comes.
    void SendReset();
    void SendShortCircuitReset();
    // The device restart (with its second step where the firmware knows it),
    // sent only where the firmware knows it and the link is up.
    void SendRestart();
    // The automatic switching off, where the firmware knows it and the link
    // is up; false when nothing went out.
    bool SendAutoSwitchOff();
    // Selects the device whose packets are Length bytes long.
    void SelectDevice(int Length, uint8_t Code);
    // Before a search: no device, the link down.
    void ForgetAdapter();

    // The serial component's receive event. Safe to enter again from a
    // routine it calls (a modal box pumps events): bytes are still handled in
    // the order they arrived. An exception from the host drops the bytes not
    // handled yet and passes on.
    void VaComm1RxChar();

    // The port hung up (the adapter pulled out): the link is down at once,
    // so nothing is written to the closed port.
    void PortHungUp();
    void MarkLinkActive();
    void DeviceActiveTimerTimer();
    void UpdateLinkState();
    void ShowAdapterStatus(uint8_t Status);
    void SetIndicator(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color);
    void ResetIndicators();

private:
    void RxByte(uint8_t B);
    void Log(const QString& Label);
    void DataFrameComplete();
    void Light(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color);

    ISerialPort& Port;
    ILinkTimer& Timer;
    ILinkHost& Host;
    TLinkSupervisor Supervision;
    TAdapterReceiver Rx;
    TAdapterWriter Tx;
    TLinkView FView;
    TDynamicByteArray FRxPacket;
    QByteArray RxQueue;   // received bytes not yet fed through the machine
    int RxQueueHead = 0;  // consumed from the head by whichever call runs
    bool RxPacketLent = false; // FRxPacket is inside ReceivePacket
};

} // namespace ostan
