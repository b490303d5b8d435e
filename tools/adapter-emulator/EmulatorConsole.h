#pragma once
// The emulator's control language, one command per line (HelpText lists
// it, from the verb table), and its report lines: "ready <slave> COM<n>", "cmd XX[ payload XX...]
// [ badcheck]", "ignored XX baud N", "junk XX...", "hangup", "error <text>".
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <span>

namespace adapteremu {

class AdapterEmulator;
struct ReceivedCommand;
struct EmulatedDevice;

class EmulatorConsole : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QString& Line)>;
    EmulatorConsole(AdapterEmulator& Emulator, Writer Out, QObject* Parent = nullptr);

    // Queues a line; lines run in order, a "sleep" holding back the rest.
    void Submit(const QString& Line);
    // No more lines will come: quit once the queued ones have run.
    void EndOfInput();
    bool Idle() const { return Queue.empty() && !Sleep.isActive(); }

    // The report line of a command; a relayed device command gets what it
    // means to Device.
    static QString CommandLine(const ReceivedCommand& Cmd, const EmulatedDevice* Device = nullptr);
    static QString HelpText();

signals:
    void QuitRequested();

private:
    // A control verb: its usage (the help's left column and the text of a
    // usage error), what it does (nullptr: left out of the help), how many
    // arguments it takes, and its handler, false when the arguments do not fit.
    struct Verb {
        const char* Name;
        const char* Usage;
        const char* Help;
        int MinArgs, MaxArgs;
        bool (EmulatorConsole::*Run)(const QStringList& Args);
    };
    static std::span<const Verb> Verbs();

    void RunQueued();
    void Execute(const QString& Line);
    void Error(const QString& Text);
    // The bytes of Args; false after an error naming the line.
    bool HexArgs(const QStringList& Args, QByteArray& Result);

    bool RunSend(const QStringList& Args);
    bool RunStatus(const QStringList& Args);
    bool RunStatusPeriod(const QStringList& Args);
    bool RunFirmware(const QStringList& Args);
    bool RunInit(const QStringList& Args);
    bool RunEcho(const QStringList& Args);
    bool RunDevId(const QStringList& Args);
    bool RunKarn7(const QStringList& Args);
    bool RunBadCheck(const QStringList& Args);
    bool RunSplit(const QStringList& Args);
    bool RunGarbage(const QStringList& Args);
    bool RunDevice(const QStringList& Args);
    bool RunStream(const QStringList& Args);
    bool RunStreamOnSelect(const QStringList& Args);
    bool RunStats(const QStringList& Args);
    bool RunRelayLength(const QStringList& Args);
    bool RunBaud(const QStringList& Args);
    bool RunSilent(const QStringList& Args);
    bool RunPower(const QStringList& Args);
    bool RunHangup(const QStringList& Args);
    bool RunResume(const QStringList& Args);
    bool RunSleep(const QStringList& Args);
    bool RunHelp(const QStringList& Args);
    bool RunQuit(const QStringList& Args);

    AdapterEmulator& Emu;
    Writer Out;
    std::deque<QString> Queue;
    QTimer Sleep;
    QString Current; // the line running, for its error texts
    bool Ending = false;
    bool Quitting = false;
};

} // namespace adapteremu
