#pragma once
// The one way the program and the plug-ins show a message box. Tests install
// a recorder that answers at once, so no test ever blocks on a modal box.
// With $OSTAN_TRACE_BOXES set every box is also written to stderr as
// "box <MsgType number> <text>", for the scripts that drive the real binary.
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace ostan {

enum class MsgType { Information, Error, Warning, Confirmation, Plain };

struct MessageBoxRequest {
    MsgType Type = MsgType::Plain;
    QString Text;    // as the caller gave it; "\r" breaks lines
    QString Caption; // empty: the application's title
};

// Returns the modal result (1 = OK). Texts use "\r" as the line break, as
// the fixed texts of the program do; the box shows it as a new line.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

int ShowMessageBox(MsgType Type, const QString& Text, const QString& Caption = QString());

// Replaces the handler; returns the previous one. An empty handler restores
// the modal QMessageBox.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler Handler);

// Installs itself for its lifetime and records every box. OnShow, when set,
// runs inside the "modal" box, where a real box would pump events.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<MessageBoxRequest> Boxes;
    std::function<void(const MessageBoxRequest&)> OnShow;
    int Answer = 1;

    QStringList Texts() const;
    void Clear() { Boxes.clear(); }

private:
    MessageBoxHandler Previous;
};

} // namespace ostan
