#pragma once
// The technological adapter and the device behind it, on a pseudo-terminal.
//
// Event-driven on the thread that owns it: a socket notifier on the master and
// timers; nothing blocks. The program talks to the slave path, which the
// emulator maps to "COM<n>" in the settings store while it runs.
//
// The adapter talks only at its own line speed: commands, answers and the
// automatic traffic (status frames, the device's data stream) need the speed
// the program set on its side to equal the configured one. Commands that
// arrive at another speed are reported as ignored and get no answer. Frames
// sent on request (SendRaw and friends) go out whatever the speed or the
// silence, so a test gets exactly what it asks for.
#include "AdapterFrames.h"
#include "CommandParser.h"
#include "Devices.h"
#include "PseudoTerminal.h"
#include "devices/PIP_KARN7.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace adapteremu {

struct EmulatorConfig {
    int PortNum = 7;
    int Baud = 115200;          // 57600 or 115200
    uint8_t Firmware = 27;      // in the "s" and "t" answers
    int StatusPeriodMs = 0;     // 0: no periodic status frames
    // Power present, reception; the sensor-block bit follows the device.
    uint8_t Status = StatusPower;
    // A meter with an identifier sends its "7" frame shortly after each reset
    // and after every periodic status frame.
    bool AnnounceDevice = true;
    int DefaultRelayLength = ostan::adapter::DefaultRelayLength; // payload of 0x01 before any select
    bool RelayLengthFromSelect = true;
    int StreamOnSelectMs = 0;   // > 0: a select starts the device's data stream; StreamLineRate: as fast as the line goes
    QByteArray StreamFrame;     // the stream's packet; empty: the device's readings
    QString Device = QLatin1String(DefaultDevice); // the device played (Devices.h)
    bool MapPort = true;        // write the COM mapping into the settings store
};

// The stream period that fills the line: whole packets as fast as the
// adapter's line speed carries them (10 bits a byte).
inline constexpr int StreamLineRate = -1;

// How long after its init frame the adapter passes on the meter's first
// device-ID frame.
inline constexpr int AnnounceDelayMs = 100;

struct ReceivedCommand {
    uint8_t Code = 0;
    QByteArray Payload;
    bool TrailerOk = true;
    uint32_t Tick = 0; // GetTickCount at arrival
};

class AdapterEmulator : public QObject {
    Q_OBJECT
public:
    explicit AdapterEmulator(EmulatorConfig Config = {}, QObject* Parent = nullptr);
    ~AdapterEmulator() override;

    // Creates the pseudo-terminal and maps it. False with Error set on failure
    // (nothing is left open or mapped then).
    bool Start(QString* Error = nullptr);
    // Removes the mapping and closes the terminal. Safe to call twice.
    void Stop();

    QString SlavePath() const { return Slave; }
    QString ComPortName() const;
    const EmulatorConfig& Config() const { return Cfg; }
    // The speed the program has set on its side now (0 when unknown).
    int LineBaud() const { return Pty.LineBaud(); }
    bool SpeedMatches() const;

    // Settings at run time.
    void SetBaud(int Baud) { Cfg.Baud = Baud; }
    void SetFirmware(uint8_t Version) { Cfg.Firmware = Version; }
    // The whole byte as given, the sensor-block bit included (until the next
    // SetDevice sets that bit from the device's kind).
    void SetStatus(uint8_t Status) { Cfg.Status = Status; }
    uint8_t Status() const { return Cfg.Status; }
    // The byte a status frame carries now (power bit cleared on power loss).
    uint8_t EffectiveStatus() const;
    void SetStatusPeriod(int Ms);
    void SetDefaultRelayLength(int Length);
    void SetRelayLengthFromSelect(bool On);
    void SetStreamOnSelect(int PeriodMs, QByteArray Frame = {});
    // The device whose packets the stream sends, whose commands the log
    // decodes, whose kind the status byte reports and whose identifier the
    // device-ID frames carry; false (and no change) for an unknown name.
    bool SetDevice(const QString& Library);
    const EmulatedDevice* Device() const { return FDevice; }

    // Faults.
    void SetSilent(bool On) { Silent = On; }
    // Without power the device behind the adapter goes quiet too: its stream
    // ends, and only a select with the power back starts it again.
    void SetPower(bool On);
    // Closes the master: the program's reads see the hang-up. The mapping goes
    // too, as a pulled-out adapter leaves the system's device list.
    void Hangup();
    // Ends silence and power loss; after a hang-up, a new pseudo-terminal
    // (another slave path) mapped to the same COM number.
    bool Resume(QString* Error = nullptr);

    // Frames on request. Each returns the number of bytes written.
    int SendRaw(const QByteArray& Bytes);
    int SendStatusFrame();
    int SendInitFrame();
    int SendEchoFrame();
    int SendDeviceId(uint8_t Id);
    int SendKarn7(const Karn7Reading& Reading);
    int SendBadCheck(const QByteArray& Frame = {}); // default: a status frame
    // First now, Second after DelayMs (dropped if the terminal changed meanwhile).
    int SendSplit(const QByteArray& First, const QByteArray& Second, int DelayMs);
    // Count bytes that never open a frame in the program's receiver (no "b",
    // "s", "t", "7", "_"), from a fixed pseudo-random sequence.
    int SendGarbage(int Count);

    // The device's data stream: Frame every PeriodMs, or at the line rate
    // with StreamLineRate (empty Frame: the device's own readings).
    void StartStream(int PeriodMs, QByteArray Frame = {});
    void StopStream();
    bool IsStreaming() const { return StreamTimer.isActive(); }
    QByteArray NextStreamPacket(); // what the stream sends next (advances it)

    // Records of what the program sent.
    const std::vector<ReceivedCommand>& Commands() const { return Received; }
    const QByteArray& RawReceived() const { return Raw; }
    void ClearRecords();
    int BytesDropped() const { return Dropped; }
    // Bytes written to the program since the start, and those of them it
    // has not read yet.
    qint64 BytesSent() const { return Sent; }
    int BytesUnread() const { return Pty.Unread(); }

signals:
    void CommandReceived(const adapteremu::ReceivedCommand& Cmd);
    // A command at a speed other than the adapter's: not recorded, not answered.
    void CommandIgnored(uint8_t Code, int LineBaud);
    // Bytes that did not form a command frame.
    void JunkReceived(const QByteArray& Bytes);
    void Mapped(const QString& SlavePath, const QString& ComName);
    void HungUpNow();

private:
    bool OpenTerminal(QString* Error);
    void CloseTerminal();
    void OnReadable();
    void Handle(const ParsedCommand& Cmd);
    void Answer(const QByteArray& Frame);
    bool CanTalk() const;
    void StatusTick();
    void StreamTick();
    // Whether the device is a meter that tells who it is, and may.
    bool Announces() const;
    void Announce();

    EmulatorConfig Cfg;
    PseudoTerminal Pty;
    QString Slave;
    bool MappedNow = false;
    std::unique_ptr<QSocketNotifier> Notifier;
    CommandParser Parser;
    QTimer StatusTimer;
    QTimer StreamTimer;
    QTimer AnnounceTimer; // the device-ID frame after a reset
    QByteArray StreamFixed;
    const EmulatedDevice* FDevice = nullptr;
    int StreamStep = 0;
    uint32_t GarbageSeed = 0x2545F491u;
    int Generation = 0; // bumped per terminal; stale delayed writes check it
    bool Silent = false;
    bool PowerOn = true;
    bool HungUp = false;
    std::vector<ReceivedCommand> Received;
    QByteArray Raw;
    int Dropped = 0;
    qint64 Sent = 0;
    // Line-rate stream: when it started and the bytes it sent since.
    bool LineRate = false;
    qint64 StreamStartMs = 0;
    qint64 StreamBytes = 0;
};

} // namespace adapteremu
