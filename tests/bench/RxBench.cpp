// Throughput of the receive machine: a stream of valid adapter frames (status,
// init, echo, device ID and 18-byte data frames the plug-in accepts) fed in
// 64-byte reads, no traffic log. The line itself carries 11,520 B/s at
// 115200 bit/s.
#include "AdapterLink.h"
#include "LinkFakes.h"

#include <benchmark/benchmark.h>

using namespace ostan;

namespace {

using fakes::Bytes;
using fakes::NullTimer;

class ChunkPort : public ISerialPort {
public:
    Bytes Stream;
    size_t Pos = 0;
    size_t Chunk = 64;

    int PortNum() const override { return 3; }
    bool Active() const override { return true; }
    int WriteBuf(const void*, int Count) override { return Count; }
    QByteArray ReadText() override
    {
        const size_t n = std::min(Chunk, Stream.size() - Pos);
        // No copy: the link only reads the chunk before the next ReadText.
        QByteArray t = QByteArray::fromRawData(reinterpret_cast<const char*>(Stream.data() + Pos),
                                               static_cast<qsizetype>(n));
        Pos += n;
        return t;
    }
    int ReadBufUsed() const override { return 0; }
};

class AcceptingHost : public ILinkHost {
public:
    unsigned Sum = 0;
    bool PluginActive() const override { return true; }
    bool ReceivePacket(const TDynamicByteArray& P) override
    {
        Sum += P[P.Length() - 1];
        return true;
    }
    void UnloadPlugin() override {}
    void AutoSelectByDeviceId() override {}
    bool SoundOn() const override { return false; }
    bool AutoSelectOn() const override { return false; }
    bool LogExists() const override { return false; }
    void AddLogText(const QString&, bool) override {}
    void LinkViewChanged() override {}
};

Bytes FrameStream(size_t MinSize)
{
    const Bytes cycle[] = {
        {'b', 0x29, 'b' ^ 0x29},
        {'s', 27, 's' ^ 27},
        {'_', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
        {'t', 27, 't' ^ 27},
        {'7', 0x01, 0, 0, 0, 0, 0x01},
        {'_', 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7},
    };
    Bytes s;
    while (s.size() < MinSize)
        for (const auto& f : cycle)
            s.insert(s.end(), f.begin(), f.end());
    return s;
}

void BM_VaComm1RxChar(benchmark::State& State)
{
    ChunkPort port;
    port.Chunk = static_cast<size_t>(State.range(0));
    port.Stream = FrameStream(1 << 20);
    NullTimer timer;
    AcceptingHost host;
    TAdapterLink link(port, timer, host);
    link.MarkLinkActive();
    link.SelectDevice(18, 0);
    for (auto _ : State) {
        port.Pos = 0;
        while (port.Pos < port.Stream.size())
            link.VaComm1RxChar();
        benchmark::DoNotOptimize(host.Sum);
    }
    if (!link.Receiver().Synced() || link.Receiver().AdapterFirmwareVersion() != 27)
        State.SkipWithError("stream was not taken as valid frames");
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(port.Stream.size()));
}

} // namespace

BENCHMARK(BM_VaComm1RxChar)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);
