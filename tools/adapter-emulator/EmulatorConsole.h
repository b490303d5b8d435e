#pragma once
// The emulator's control language, one command per line (HelpText lists
// it), and its report lines: "ready <slave> COM<n>", "cmd XX[ payload XX...]
// [ badcheck]", "ignored XX baud N", "junk XX...", "hangup", "error <text>".
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

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
    void RunQueued();
    void Execute(const QString& Line);
    void Error(const QString& Text);

    AdapterEmulator& Emu;
    Writer Out;
    std::deque<QString> Queue;
    QTimer Sleep;
    bool Ending = false;
    bool Quitting = false;
};

} // namespace adapteremu
