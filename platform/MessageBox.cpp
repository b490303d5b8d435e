#include "MessageBox.h"

#include "EndSignal.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>

namespace ostan {

namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler h;
    return h;
}

int ShowModal(const MessageBoxRequest& R)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 1; // no GUI: nothing to show, behave as if OK was pressed
    if (EndSignalCount() > 0) {
        // The program is ending: the box closes at once, as cancelled; its text is not lost.
        std::fprintf(stderr, "ostan: %s\n", qPrintable(QString(R.Text).replace(QLatin1Char('\r'), QLatin1Char(' '))));
        return 2;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (R.Type) {
    case MsgType::Information: icon = QMessageBox::Information; break;
    case MsgType::Error: icon = QMessageBox::Critical; break;
    case MsgType::Warning: icon = QMessageBox::Warning; break;
    case MsgType::Confirmation: icon = QMessageBox::Question; break;
    case MsgType::Plain: break;
    }
    QString text = R.Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString caption = R.Caption.isEmpty() ? QApplication::applicationName() : R.Caption;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    return box.exec() == QMessageBox::Ok ? 1 : 2;
}

} // namespace

int ShowMessageBox(MsgType Type, const QString& Text, const QString& Caption)
{
    const MessageBoxRequest r{Type, Text, Caption};
    // A script driving the real binary (make soak) learns of every box here.
    static const bool Trace = qEnvironmentVariableIsSet("OSTAN_TRACE_BOXES");
    if (Trace)
        std::fprintf(stderr, "box %d %s\n", static_cast<int>(Type), qPrintable(QString(Text).replace(QLatin1Char('\r'), QLatin1Char(' '))));
    if (Handler())
        return Handler()(r);
    return ShowModal(r);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler H)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(H);
    return old;
}

MessageBoxRecorder::MessageBoxRecorder()
{
    Previous = SetMessageBoxHandler([this](const MessageBoxRequest& R) {
        Boxes.push_back(R);
        if (OnShow)
            OnShow(R);
        return Answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(Previous)); }

QStringList MessageBoxRecorder::Texts() const
{
    QStringList l;
    for (const auto& b : Boxes)
        l << b.Text;
    return l;
}

} // namespace ostan
