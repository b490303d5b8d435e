// The traffic log window recording a full-rate stream: 115200 baud gives
// 11,520 bytes a second, one AddText per byte and a label per data frame.
//
// Paced benchmarks feed the bytes in real time from a 1 ms timer (as the
// serial notifier would deliver them) for one second per iteration, with the
// window shown and painting on the offscreen platform, and report:
//   cpu_pct     process CPU time over that second, in % of one core
//   lat_*_us    how long a zero-timer posted during the stream waits to run
// Baseline is the same pacing without the log, so the log's own share is
// cpu_pct(log) - cpu_pct(baseline).
// SimulatedSecond benchmarks feed one second of stream as fast as possible
// on a simulated clock, the paint pacer ending an interval after every
// PaintIntervalMs of stream (Memo1 catches up, the window paints): CPU time
// per iteration = CPU time per second of stream, independent of the
// machine's timers. The argument is the seconds of stream logged before
// measuring (an unlabelled stream of refused frames keeps filling lines up
// to their length bound).
#include "Debug.h"
#include "PaintPacer.h"
#include "Ticks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
#include <vector>

using namespace ostan;

namespace {

constexpr int BytesPerSecond = 11520;
constexpr int PacketLength = 20;
constexpr int ChunkBytes = 12; // about 1 ms of the line

const std::array<QString, 256>& HexTexts()
{
    static const std::array<QString, 256> t = [] {
        std::array<QString, 256> a;
        for (int i = 0; i < 256; ++i)
            a[i] = QStringLiteral("%1.").arg(i, 2, 16, QLatin1Char('0')).toUpper();
        return a;
    }();
    return t;
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Feeds what the receive machine logs for a stream of data frames; with
// Labels false the frames are refused and their bytes run on in one line.
struct Stream {
    TDebugForm* Form = nullptr;
    bool Labels = true;
    long Sent = 0;
    void Feed(int Count)
    {
        const auto& hex = HexTexts();
        for (int i = 0; i < Count; ++i, ++Sent) {
            const int pos = static_cast<int>(Sent % PacketLength);
            const uint8_t b = pos == 0 ? 0x5F : static_cast<uint8_t>(Sent * 37);
            if (!Form)
                continue;
            Form->AddText(hex[b], true);
            if (pos == PacketLength - 1 && Labels)
                Form->AddText(QStringLiteral("(Data)"), false);
        }
    }
};

std::unique_ptr<TDebugForm> MakeForm(bool Shown)
{
    auto f = std::make_unique<TDebugForm>();
    if (Shown)
        f->show();
    QApplication::processEvents();
    return f;
}

void Paced(benchmark::State& State, bool WithLog, bool Shown, bool Labels)
{
    auto form = WithLog ? MakeForm(Shown) : nullptr;
    Stream s{form.get(), Labels};
    std::vector<double> latencies;
    double cpu = 0, wall = 0;
    for (auto _ : State) {
        QElapsedTimer clock;
        clock.start();
        const double cpu0 = CpuSeconds();
        long due0 = s.Sent;
        QEventLoop loop;
        QTimer feeder;
        feeder.setTimerType(Qt::PreciseTimer);
        feeder.setInterval(1);
        QObject::connect(&feeder, &QTimer::timeout, [&] {
            const qint64 us = clock.nsecsElapsed() / 1000;
            const long due = due0 + std::min<long>(BytesPerSecond, us * BytesPerSecond / 1000000);
            s.Feed(static_cast<int>(due - s.Sent));
            if (us >= 1000000)
                loop.quit();
        });
        QTimer probe;
        probe.setInterval(10);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 posted = clock.nsecsElapsed();
            // Dropped with the loop when it has not run by the iteration's end.
            QTimer::singleShot(0, &loop, [&, posted] { latencies.push_back((clock.nsecsElapsed() - posted) / 1000.0); });
        });
        feeder.start();
        probe.start();
        loop.exec();
        QApplication::processEvents();
        cpu += CpuSeconds() - cpu0;
        wall += clock.nsecsElapsed() * 1e-9;
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[static_cast<size_t>(q * (latencies.size() - 1))]; };
    State.counters["cpu_pct"] = 100.0 * cpu / wall;
    State.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
    State.counters["lat_p50_us"] = at(0.5);
    State.counters["lat_p99_us"] = at(0.99);
    State.counters["lat_max_us"] = at(1.0);
    State.counters["bytes_per_s"] = benchmark::Counter(static_cast<double>(s.Sent), benchmark::Counter::kIsRate);
}

void SimulatedSecond(benchmark::State& State, bool Labels)
{
    uint32_t now = 1000000;
    SetTickSourceForTest([&now] { return now; });
    TPaintPacer& pacer = TPaintPacer::Instance();
    pacer.SetManualForTest(true);
    auto form = MakeForm(true);
    Stream s{form.get(), Labels};
    auto interval = [&](int Bytes) {
        for (int n = 0; n < Bytes; n += ChunkBytes)
            s.Feed(std::min(ChunkBytes, Bytes - n)); // one receive event
        now += PaintIntervalMs;
        QApplication::processEvents();
        pacer.Poll(); // Memo1 catches up and the window paints
    };
    constexpr int intervals = 1000 / PaintIntervalMs;
    constexpr int perInterval = BytesPerSecond / intervals;
    for (int i = 0; i < State.range(0) * intervals; ++i)
        interval(perInterval);
    for (auto _ : State)
        for (int i = 0; i < intervals; ++i)
            interval(perInterval);
    State.counters["lines"] = form->Log().Lines().size();
    State.counters["last_line_chars"] = form->Log().Lines().isEmpty() ? 0 : form->Log().Lines().last().size();
    form.reset();
    pacer.SetManualForTest(false);
    SetTickSourceForTest({});
}

void BM_PacedBaseline(benchmark::State& S) { Paced(S, false, false, true); }
void BM_PacedLogShown(benchmark::State& S) { Paced(S, true, true, true); }
void BM_PacedLogHidden(benchmark::State& S) { Paced(S, true, false, true); }
void BM_PacedLogShownUnlabelled(benchmark::State& S) { Paced(S, true, true, false); }
void BM_SimulatedSecondLabelled(benchmark::State& S) { SimulatedSecond(S, true); }
void BM_SimulatedSecondUnlabelled(benchmark::State& S) { SimulatedSecond(S, false); }

} // namespace

BENCHMARK(BM_PacedBaseline)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedLogShown)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedLogHidden)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedLogShownUnlabelled)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulatedSecondLabelled)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulatedSecondUnlabelled)->Arg(0)->Arg(60)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
