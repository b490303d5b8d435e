// Arbitrary packets into the real device libraries, each activated once as
// the program activates it (Init into a placeholder, SetBounds, ShowPanel).
//
// Input: [selector][packet...]
//   selector bits 0-6: the library (index modulo their number), unless
//   OSTAN_FUZZ_LIBRARY names one; bit 7: the packet is made the library's
//   full length with a valid check (bytes 2 to the last XOR to 0), so the
//   decoding is reached; otherwise it goes as it is, however long.
// After each packet the export columns are read up to the first empty one.
#include "ComServer.h"
#include "CommonInterfaces.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
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
};

std::vector<TActive>* Active;

void Fail(const QString& Text)
{
    std::fprintf(stderr, "fuzz_panels: %s\n", qPrintable(Text));
    std::abort();
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
            A.Plugin->Init(&Placeholder, PacketLength, DeviceCode);
            A.Plugin->SetBounds(1, 1, 798, 498);
            A.Plugin->ShowPanel();
            A.PacketLength = PacketLength;
            Active->push_back(std::move(A));
        } catch (const std::exception& E) {
            Fail(Library + QStringLiteral(": ") + QString::fromUtf8(E.what()));
        }
    }
    if (Active->empty())
        Fail(QStringLiteral("no library ") + Only);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 1)
        return 0;
    TActive& A = (*Active)[(Data[0] & 0x7F) % Active->size()];
    std::vector<uint8_t> Packet(Data + 1, Data + Size);
    if (Data[0] & 0x80) {
        Packet.resize(static_cast<size_t>(A.PacketLength), 0);
        if (Packet.size() >= 2) {
            uint8_t X = 0;
            for (size_t i = 1; i + 1 < Packet.size(); ++i)
                X ^= Packet[i];
            Packet.back() = X;
        }
    }
    A.Plugin->ReceivePacket(TDynamicByteArray(Packet));
    // Column 0 is the clock, not the packet.
    for (int i = 1; i < 64 && *A.Plugin->GetColumnCaption(i); ++i)
        A.Plugin->GetColumnValue(i);
    return 0;
}
