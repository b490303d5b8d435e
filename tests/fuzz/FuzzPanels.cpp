// Arbitrary packets into the real device libraries, each activated once as
// the program activates it (Init into a placeholder, SetBounds, ShowPanel).
//
// Input: [selector][packet...]
//   selector bits 0-6: the library (index modulo their number), unless
//   OSTAN_FUZZ_LIBRARY names one; bit 7: the packet is made the library's
//   full length with a valid check (bytes 2 to the check byte XOR to 0), so
//   the decoding is reached; otherwise it goes as it is, however long.
// After each packet the export columns are read up to the first empty one,
// and the panel is painted offscreen, trend and all. An input that takes
// more than a second of the thread's processor time aborts the run with its
// stack (and libFuzzer keeps it as a crash): processor time, not the wall
// clock, so that a loaded machine does not fail a sound input.
#include "ComServer.h"
#include "CommonInterfaces.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>
#include <vector>

using namespace ostan;

namespace {

// The program's callback class as far as a panel needs it: takes the
// commands and forgets them.
class TQuietBack final : public TComObject<IOstanBack> {
public:
    void SendPacket(const TDynamicByteArray&) override {}
    void RestartDevice() override {}
    void DisableAutoSwitch() override {}
};

struct TActive {
    QString Library;
    ComPtr<IOstanPlugin> Plugin;
    int PacketLength = 0;
    QWidget* Panel = nullptr;
};

std::vector<TActive>* Active;
QImage* Canvas;

void Fail(const QString& Text)
{
    std::fprintf(stderr, "fuzz_panels: %s\n", qPrintable(Text));
    std::abort();
}

timer_t InputClock;

void OnOverrun(int)
{
    static const char Text[] = "fuzz_panels: an input took more than a second of processor time\n";
    [[maybe_unused]] const ssize_t Written = write(STDERR_FILENO, Text, sizeof Text - 1);
    std::abort();
}

// A timer on this thread's processor time, its signal to this thread.
void StartInputClock()
{
    struct sigaction Action {};
    Action.sa_handler = OnOverrun;
    sigaction(SIGXCPU, &Action, nullptr);
    sigevent Event{};
    Event.sigev_notify = SIGEV_THREAD_ID;
    Event.sigev_signo = SIGXCPU;
    Event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_THREAD_CPUTIME_ID, &Event, &InputClock) != 0)
        Fail(QStringLiteral("no processor-time timer"));
}

void ArmInputClock(time_t Seconds)
{
    const itimerspec Limit{{0, 0}, {Seconds, 0}};
    timer_settime(InputClock, 0, &Limit, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir Store;
    qputenv("OSTAN_REGISTRY", Store.filePath(QStringLiteral("registry.reg")).toLocal8Bit());
    static QApplication App(*argc, *argv);
    static TComServer Server{TServerKind::LocalServer};
    static TComObjectFactory<TQuietBack> Factory{Server, CLSID_OstanBack, QStringLiteral("OstanBack"), QString(),
                                                 ciMultiInstance, tmSingle};
    Server.RegisterClassObjects();
    static QWidget Placeholder;
    Placeholder.resize(800, 500);
    Placeholder.show();

    Active = new std::vector<TActive>;
    const QString Only = qEnvironmentVariable("OSTAN_FUZZ_LIBRARY");
    for (const QString& Library : QString::fromUtf8(OSTAN_FUZZ_LIBRARIES).split(u',', Qt::SkipEmptyParts)) {
        if (!Only.isEmpty() && Library != Only)
            continue;
        try {
            RegisterComServer(QStringLiteral(OSTAN_PLUGIN_DIR "/") + Library + QStringLiteral(".so"));
            TActive A{Library, ComCast<IOstanPlugin>(CreateComObject(ProgIDToClassID(Library + QStringLiteral(".OstanPlugin"))))};
            int32_t DeviceCode = 0;
            int32_t PacketLength = 0;
            // One library is active at a time, as in the program: each gets
            // its own panel in turn but keeps it (the libraries are apart).
            const QList<QWidget*> Before = Placeholder.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            A.Plugin->Init(&Placeholder, PacketLength, DeviceCode);
            A.Plugin->SetBounds(1, 1, 798, 498);
            A.Plugin->ShowPanel();
            A.PacketLength = PacketLength;
            for (QWidget* W : Placeholder.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!Before.contains(W))
                    A.Panel = W;
            if (!A.Panel)
                Fail(Library + QStringLiteral(": no panel"));
            Active->push_back(std::move(A));
        } catch (const std::exception& E) {
            Fail(Library + QStringLiteral(": ") + QString::fromUtf8(E.what()));
        }
    }
    if (Active->empty())
        Fail(QStringLiteral("no library ") + Only);
    // A first paint loads the fonts, so the inputs' paints are alike.
    Canvas = new QImage(Placeholder.size(), QImage::Format_RGB32);
    for (const TActive& A : *Active)
        A.Panel->render(Canvas);
    StartInputClock();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 1)
        return 0;
    ArmInputClock(1);
    TActive& A = (*Active)[(Data[0] & 0x7F) % Active->size()];
    std::vector<uint8_t> Packet(Data + 1, Data + Size);
    if (Data[0] & 0x80) {
        Packet.resize(static_cast<size_t>(A.PacketLength), 0);
        // The check byte is the last, or an earlier one where a library
        // checks only the start of its packet: each is tried from the last
        // down until the library takes the packet.
        for (size_t End = Packet.size(); End >= 2; --End) {
            std::vector<uint8_t> Checked = Packet;
            uint8_t X = 0;
            for (size_t i = 1; i + 1 < End; ++i)
                X ^= Checked[i];
            Checked[End - 1] = X;
            if (A.Plugin->ReceivePacket(TDynamicByteArray(Checked)))
                break;
        }
    } else {
        A.Plugin->ReceivePacket(TDynamicByteArray(Packet));
    }
    // Column 0 is the clock, not the packet.
    for (int i = 1; i < 64 && *A.Plugin->GetColumnCaption(i); ++i)
        A.Plugin->GetColumnValue(i);
    A.Panel->render(Canvas);
    ArmInputClock(0);
    return 0;
}
