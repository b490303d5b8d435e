// Arbitrary bytes through the receive machine, in arbitrary reads, with
// receive events nested inside the host's calls and the power-loss box.
//
// Input: [flags][packet length][split][split sizes...][stream...]
//   flags: 0x01 plug-in active, 0x02 plug-in accepts everything (else a
//   packet whose last byte is odd), 0x04 sound, 0x08 automatic selection,
//   0x10 log window, 0x20 read again inside the automatic selection and the
//   power-loss box, 0x40 read again inside ReceivePacket, 0x80 packet length
//   from 200 up (else from -16 up).
//   split: bits 0-2 number of split sizes - 1; 0x08 the plug-in throws on a
//   packet whose byte 2 is 0xEE; 0x10 a split size of 0 is a supervision
//   tick followed by a one-byte read.
//
// Checked: RxCount stays within 0..250 and packets are PacketLength bytes,
// header first; after an exception the link takes a fresh frame; and, when no
// tick intervenes and no read happens inside ReceivePacket, the reads' split
// and nesting change nothing: the outcome equals one single read.
#include "AdapterLink.h"
#include "Beep.h"
#include "LinkFakes.h"
#include "MessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

using namespace ostan;
using namespace ostan::fakes;

namespace {

#define FUZZ_CHECK(c)                                                                 \
    do {                                                                              \
        if (!(c)) {                                                                   \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #c, __FILE__, __LINE__); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

struct Options {
    uint8_t Flags = 0;
    int PacketLength = 3;
    bool Throws = false;
    bool Ticks = false;
    std::vector<uint8_t> Splits; // read sizes, cycled; empty: one read
};

struct Outcome {
    std::vector<Bytes> Packets;
    std::vector<int> AutoSelectIds;
    int Unloads = 0;
    QStringList Boxes;
    QStringList Log;
    QString LogLine;
    size_t DataBeeps = 0;
    std::array<IndicatorState, IndicatorCount> Indicators{};
    int Version = 0, RxCount = 0, Progress = 0;
    bool Synced = false, LinkUp = false, Threw = false, TickSeen = false;
    bool operator==(const Outcome&) const = default;
};

void Print(const char* Name, const Outcome& O)
{
    std::fprintf(stderr, "%s: packets %zu autoselect %zu unloads %d boxes %lld log %lld beeps %zu version %d rx %d "
                 "progress %d synced %d up %d threw %d\n",
                 Name, O.Packets.size(), O.AutoSelectIds.size(), O.Unloads, (long long)O.Boxes.size(),
                 (long long)O.Log.size(), O.DataBeeps, O.Version, O.RxCount, O.Progress, O.Synced, O.LinkUp, O.Threw);
}

Outcome Run(const Options& O, const uint8_t* Stream, size_t Size)
{
    FakeClock clock;
    FakePort port;
    NullTimer timer;
    FakeHost host;
    MessageBoxRecorder boxes;
    BeepRecorder beeps;
    TAdapterLink link(port, timer, host);
    host.Link = &link;
    host.Plugin = O.Flags & 0x01;
    host.Sound = O.Flags & 0x04;
    host.AutoSelect = O.Flags & 0x08;
    host.Log = O.Flags & 0x10;
    link.SelectDevice(O.PacketLength, 0); // the link is down: only its box
    boxes.Clear();
    clock.Now += 1000;

    Outcome out;
    size_t pos = 0, split = 0;
    int depth = 0;
    // Hands the port its next read; false when the stream is used up.
    auto queueNext = [&]() {
        while (pos < Size) {
            size_t n = Size - pos;
            if (!O.Splits.empty()) {
                const uint8_t s = O.Splits[split++ % O.Splits.size()];
                if (s == 0 && O.Ticks) {
                    link.DeviceActiveTimerTimer();
                    out.TickSeen = true;
                    FUZZ_CHECK(link.Receiver().RxCount() >= 0 && link.Receiver().RxCount() <= TAdapterReceiver::RxFrameSize);
                }
                n = std::min<size_t>(n, s == 0 ? 1 : s);
            }
            port.Incoming.append(reinterpret_cast<const char*>(Stream + pos), static_cast<qsizetype>(n));
            pos += n;
            return true;
        }
        return false;
    };
    auto readAgain = [&] {
        if (depth >= 4 || !queueNext())
            return;
        ++depth;
        link.VaComm1RxChar();
        --depth;
        FUZZ_CHECK(link.Receiver().RxCount() >= 0 && link.Receiver().RxCount() <= TAdapterReceiver::RxFrameSize);
    };

    host.OnReceive = [&](const TDynamicByteArray& P) {
        FUZZ_CHECK(P.Length() == std::max(link.Receiver().PacketLength(), 0));
        FUZZ_CHECK(P.Length() <= TAdapterReceiver::RxFrameSize);
        FUZZ_CHECK(P.Length() == 0 || P[0] == '_');
        if (O.Throws && P.Length() > 1 && P[1] == 0xEE)
            throw std::runtime_error("plug-in failed");
        if (O.Flags & 0x40)
            readAgain();
        return (O.Flags & 0x02) || (P.Length() > 0 && (P[P.Length() - 1] & 1));
    };
    if (O.Flags & 0x20) {
        host.OnAutoSelect = readAgain;
        boxes.OnShow = [&](const MessageBoxRequest&) { readAgain(); };
    }

    try {
        while (queueNext()) {
            link.VaComm1RxChar();
            FUZZ_CHECK(link.Receiver().RxCount() >= 0 && link.Receiver().RxCount() <= TAdapterReceiver::RxFrameSize);
        }
    } catch (const std::runtime_error&) {
        // The program ends here; what it did until then is the outcome.
        out.Threw = true;
    }

    out.Packets = host.Packets;
    out.AutoSelectIds = host.AutoSelectIds;
    out.Unloads = host.Unloads;
    out.Boxes = boxes.Texts();
    out.Log = host.LogLines;
    out.LogLine = host.LogLine;
    out.DataBeeps = beeps.DataBeeps.size();
    out.Indicators = link.View().Indicators;
    out.Version = link.Receiver().AdapterFirmwareVersion();
    out.RxCount = link.Receiver().RxCount();
    out.Progress = link.Supervisor().ProgressPosition();
    out.Synced = link.Receiver().Synced();
    out.LinkUp = link.Supervisor().LinkUp();

    if (out.Threw) {
        // The queue was left consistent: a fresh init frame is taken.
        FUZZ_CHECK(link.Receiver().RxCount() == 0);
        host.OnReceive = nullptr;
        host.OnAutoSelect = nullptr;
        boxes.OnShow = nullptr;
        port.Incoming = QByteArray("\x73\x1B\x68", 3);
        link.VaComm1RxChar();
        FUZZ_CHECK(link.Receiver().AdapterFirmwareVersion() == 27 && link.Receiver().Synced() && link.Receiver().RxCount() == 0);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 3)
        return 0;
    Options o;
    o.Flags = Data[0];
    o.PacketLength = (o.Flags & 0x80) ? 200 + Data[1] : int(Data[1]) - 16;
    o.Throws = Data[2] & 0x08;
    o.Ticks = Data[2] & 0x10;
    const size_t splits = std::min<size_t>((Data[2] & 0x07) + 1, Size - 3);
    o.Splits.assign(Data + 3, Data + 3 + splits);
    const uint8_t* stream = Data + 3 + splits;
    const size_t streamSize = Size - 3 - splits;

    const Outcome chunked = Run(o, stream, streamSize);
    if (chunked.TickSeen || (o.Flags & 0x40))
        return 0; // ticks drop partial frames; reads inside ReceivePacket see Synced cleared
    Options single = o;
    single.Splits.clear();
    const Outcome whole = Run(single, stream, streamSize);
    if (!(chunked == whole)) {
        Print("split", chunked);
        Print("whole", whole);
    }
    FUZZ_CHECK(chunked == whole);
    return 0;
}
