// adapter-emulator: the adapter on a pseudo-terminal, mapped to COM<n> in the
// settings store, controlled by lines on stdin or from a script file.
#include "AdapterEmulator.h"
#include "EmulatorConsole.h"
#include "PortMapping.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace adapteremu;

namespace {

void WriteLine(const QString& Line)
{
    const QByteArray b = Line.toLocal8Bit() + '\n';
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
    std::fflush(stdout);
}

int Fail(const QString& Text)
{
    std::fprintf(stderr, "adapter-emulator: %s\n", qPrintable(Text));
    return 2;
}

// stdin redirected from /dev/null (a background job) carries no control: its
// immediate end of input must not end the emulator.
bool StdinIsNull()
{
    struct stat in{}, null{};
    if (fstat(STDIN_FILENO, &in) != 0)
        return true;
    return S_ISCHR(in.st_mode) && stat("/dev/null", &null) == 0 && in.st_rdev == null.st_rdev;
}

bool ParseNumber(const QString& Text, int Base, int Min, int Max, int& Out)
{
    bool ok = false;
    const int v = Text.toInt(&ok, Base);
    if (!ok || v < Min || v > Max)
        return false;
    Out = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Signals arrive through a descriptor the event loop watches; blocked
    // before Qt starts any thread of its own, so none of them takes them.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int sigFd = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("adapter-emulator"));

    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral(
        "The technological adapter on a pseudo-terminal, mapped to COM<n> in the settings store.\n"
        "Prints \"ready <slave> COM<n>\", then a line per command received (\"cmd 04 payload 03 03\").\n"
        "A meter with an identifier (TIRA5 1, TIRA6 2, TIRA4 3) sends its device-ID frame after each\n"
        "reset and after every periodic status frame; a reset stops the data until the next select.\n"
        "Control lines come from --script and stdin (unless --no-stdin or stdin is /dev/null);\n"
        "the end of stdin ends the emulator, as do SIGTERM and SIGINT.\n\nControl lines:\n")
        + EmulatorConsole::HelpText());
    cl.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("COM number (default 7)."), QStringLiteral("N"), QStringLiteral("7"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Line speed: 115200 (default) or 57600."), QStringLiteral("BAUD"), QStringLiteral("115200"));
    const QCommandLineOption firmware(QStringLiteral("firmware"), QStringLiteral("Firmware version (default 27)."), QStringLiteral("V"), QStringLiteral("27"));
    const QCommandLineOption statusPeriod(QStringLiteral("status-period"), QStringLiteral("Status frame period, 0 = none (default 0)."), QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption status(QStringLiteral("status"), QStringLiteral("Status byte in hex (default 08); its sensor-block bit, mask 0x20, follows the device."), QStringLiteral("HEX"), QStringLiteral("08"));
    const QCommandLineOption registry(QStringLiteral("registry"), QStringLiteral("Settings store file (sets OSTAN_REGISTRY)."), QStringLiteral("PATH"));
    const QCommandLineOption relay(QStringLiteral("relay-length"), QStringLiteral("Payload length of a relayed device command, or \"auto\" (default): learned from the last select, 3 before it."), QStringLiteral("N|auto"), QStringLiteral("auto"));
    const QCommandLineOption streamOnSelect(QStringLiteral("stream-on-select"), QStringLiteral("A device select starts the device's data packets every MS, or as fast as the line carries them with \"line\" (default: off)."), QStringLiteral("MS|line"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("The device played: %1 (default %2).").arg(DeviceNames().join(QStringLiteral(", ")), QLatin1String(DefaultDevice)), QStringLiteral("LIBRARY"), QLatin1String(DefaultDevice));
    const QCommandLineOption script(QStringLiteral("script"), QStringLiteral("Run the control lines of FILE first."), QStringLiteral("FILE"));
    const QCommandLineOption noStdin(QStringLiteral("no-stdin"), QStringLiteral("Take no control lines from stdin."));
    cl.addOptions({port, baud, firmware, statusPeriod, status, registry, relay, streamOnSelect, device, script, noStdin});
    cl.process(app);

    EmulatorConfig cfg;
    int v = 0;
    if (!ParseNumber(cl.value(port), 10, 1, 255, cfg.PortNum))
        return Fail(QStringLiteral("--port wants 1..255"));
    if (!ParseNumber(cl.value(baud), 10, 0, 115200, cfg.Baud) || (cfg.Baud != 57600 && cfg.Baud != 115200))
        return Fail(QStringLiteral("--baud wants 57600 or 115200"));
    if (!ParseNumber(cl.value(firmware), 10, 0, 255, v))
        return Fail(QStringLiteral("--firmware wants 0..255"));
    cfg.Firmware = static_cast<uint8_t>(v);
    if (!ParseNumber(cl.value(statusPeriod), 10, 0, 3600000, cfg.StatusPeriodMs))
        return Fail(QStringLiteral("--status-period wants milliseconds"));
    if (!ParseNumber(cl.value(status), 16, 0, 255, v))
        return Fail(QStringLiteral("--status wants a hex byte"));
    cfg.Status = static_cast<uint8_t>(v);
    if (cl.value(relay) != QLatin1String("auto")) {
        if (!ParseNumber(cl.value(relay), 10, 0, MaxCommandPayload, cfg.DefaultRelayLength))
            return Fail(QStringLiteral("--relay-length wants 0..%1 or auto").arg(MaxCommandPayload));
        cfg.RelayLengthFromSelect = false;
    }
    if (cl.value(streamOnSelect) == QLatin1String("line"))
        cfg.StreamOnSelectMs = StreamLineRate;
    else if (cl.isSet(streamOnSelect) && !ParseNumber(cl.value(streamOnSelect), 10, 1, 3600000, cfg.StreamOnSelectMs))
        return Fail(QStringLiteral("--stream-on-select wants milliseconds or line"));
    if (!FindDevice(cl.value(device)))
        return Fail(QStringLiteral("--device wants one of ") + DeviceNames().join(QStringLiteral(", ")));
    cfg.Device = cl.value(device);
    if (cl.isSet(registry))
        qputenv("OSTAN_REGISTRY", QFileInfo(cl.value(registry)).absoluteFilePath().toLocal8Bit());

    AdapterEmulator emu(cfg);
    EmulatorConsole console(emu, WriteLine);
    QObject::connect(&console, &EmulatorConsole::QuitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    QString error;
    if (!emu.Start(&error))
        return Fail(error);

    QSocketNotifier* sigNotifier = nullptr;
    if (sigFd >= 0) {
        sigNotifier = new QSocketNotifier(sigFd, QSocketNotifier::Read, &app);
        QObject::connect(sigNotifier, &QSocketNotifier::activated, &app, [sigFd] {
            signalfd_siginfo info;
            while (read(sigFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            }
            QCoreApplication::quit();
        });
    }

    if (cl.isSet(script)) {
        QFile f(cl.value(script));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            emu.Stop();
            return Fail(QStringLiteral("cannot read %1: %2").arg(f.fileName(), f.errorString()));
        }
        QTextStream in(&f);
        while (!in.atEnd())
            console.Submit(in.readLine());
    }

    QByteArray pending; // stdin bytes after the last complete line
    if (!cl.isSet(noStdin) && !StdinIsNull()) {
        auto* in = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(in, &QSocketNotifier::activated, &app, [in, &pending, &console] {
            char buf[4096];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                return;
            if (n <= 0) {
                in->setEnabled(false);
                if (!pending.isEmpty())
                    console.Submit(QString::fromLocal8Bit(pending));
                pending.clear();
                console.EndOfInput();
                return;
            }
            pending.append(buf, static_cast<int>(n));
            int nl;
            while ((nl = pending.indexOf('\n')) >= 0) {
                console.Submit(QString::fromLocal8Bit(pending.left(nl)));
                pending.remove(0, nl + 1);
            }
        });
    }

    const int rc = app.exec();
    emu.Stop();
    return rc;
}
