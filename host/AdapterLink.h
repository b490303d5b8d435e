#pragma once
// The program's end of the serial protocol with the adapter: command frames
// out, the receive state machine in, link supervision and the adapter's
// status indicators. No window: the main window supplies the port, the
// supervision timer and an ILinkHost, and renders the state kept here.
#include "CommonInterfaces.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace ostan {

// The supervision timer (interval 1600 ms in the program). Restart means
// disable, then enable: a full interval runs from now.
class ILinkTimer {
public:
    virtual ~ILinkTimer() = default;
    virtual void SetEnabled(bool On) = 0;
    virtual bool Enabled() const = 0;
    virtual int Interval() const = 0;
    void Restart() { SetEnabled(false); SetEnabled(true); }
    std::function<void()> OnTimer; // set by TAdapterLink
};

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

class TAdapterLink {
public:
    static constexpr int FrameBufferSize = 500; // indices 1..500
    static constexpr int RxFrameSize = 250;     // RxFrame: indices 1..250
    static constexpr int TxCodeIndex = 253;     // command code
    static constexpr int TxPayloadIndex = 255;  // payload byte 1
    static constexpr int MaxPayload = 246;      // indices 255..500

    TAdapterLink(ISerialPort& Port, ILinkTimer& Timer, ILinkHost& Host);
    ~TAdapterLink();
    TAdapterLink(const TAdapterLink&) = delete;
    TAdapterLink& operator=(const TAdapterLink&) = delete;

    // FrameBuffer, indices 1..500 (RxFrame 1..250, TxFrame 251..500). An index
    // outside reads 0 and writes nowhere.
    uint8_t FrameBuffer(int Index) const;
    void SetFrameBuffer(int Index, uint8_t Value);
    uint8_t RxFrame(int Index) const { return Index >= 1 && Index <= RxFrameSize ? FrameBuffer(Index) : 0; }

    // Sends the frame whose code (index 253) and payload bytes 1..n-1 (from
    // index 255) the caller wrote. True when all that was due went out in full.
    // n above 246 would run past index 500: nothing is sent, false.
    bool SendAdapterCommand(uint8_t PayloadLength, bool CheckAlive);
    // Writes Code to index 253, then SendAdapterCommand(0, CheckAlive).
    bool SendCommand(uint8_t Code, bool CheckAlive);
    // Relay of a plug-in command (code 0x01). More than 246 bytes: nothing is
    // sent and the result is false.
    bool SendPluginPacket(const TDynamicByteArray& Data);

    // The adapter commands with the state they change.
    // Two probes; the link counts as down until the echo comes.
    void SendProbe();
    // The reset: indicators dimmed, the firmware version unknown until the
    // init frame comes.
    void SendReset();
    void SendShortCircuitReset();
    // The device restart and the automatic switching off, where the
    // firmware knows them and the link is up; false when nothing went out.
    void SendRestart();
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

    // Receive state (written by other operations too).
    int RxCount = 0;
    bool Synced = false;
    int PacketLength = 3;
    int AdapterFirmwareVersion = 0;
    TDynamicByteArray RxPacket;

    // Supervision state.
    bool LinkUp = false;
    bool NoActivity = false;
    bool PowerOn = false;
    uint32_t PluginSelectTime = 0;

    // What the window shows.
    std::array<IndicatorState, IndicatorCount> Indicators{};
    QString StatusPanelText = QStringLiteral("Нет связи");
    bool AdpResetEnabled = false;
    bool KZResetEnabled = false;
    bool FirmwareVersionEnabled = false;
    int ProgressPosition = 0; // heartbeat, 0..10

private:
    ISerialPort& Port;
    ILinkTimer& Timer;
    ILinkHost& Host;
    void RxByte(uint8_t B);
    void DataFrameComplete();
    void Light(uint8_t Value, uint8_t Mask, Indicator Lbl, IndicatorColor Color);
    bool ShowSendError(const QString& Text);

    std::array<uint8_t, FrameBufferSize + 1> Buffer{}; // [0] unused
    QByteArray RxQueue;   // received bytes not yet fed through the machine
    int RxQueueHead = 0;  // consumed from the head by whichever call runs
    bool WriteErrorBoxOpen = false;
    bool RxPacketLent = false; // RxPacket is inside ReceivePacket
};

} // namespace ostan
