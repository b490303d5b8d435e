// The plug-in scan at start: register, load, create, query and release every
// library of a Plugins folder. Cold: fresh copies each time, so every library
// is loaded for the first time, as at a program start. Warm: the same folder
// again (libraries already loaded; registration still writes the store).
// OSTAN_BENCH_PROGRAM_DIR, when set, also scans that program folder's
// Plugins as it is (warm after the first pass).
#include "ComTestSupport.h"
#include "PluginScan.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using namespace ostan;

namespace {

const char* const Fixtures[] = {"FakeDevice1", "FakeDevice2", "FakeDevice3"};

// Count libraries in Dir/Plugins, in the folder and one subfolder.
void Populate(const QString& Dir, int Count)
{
    for (int I = 0; I < Count; ++I) {
        const QString Folder = Dir + (I % 2 ? QStringLiteral("/Plugins") : QStringLiteral("/Plugins/sub"));
        QDir().mkpath(Folder);
        QFile::copy(QStringLiteral(OSTAN_FIXTURE_DIR "/") + QLatin1String(Fixtures[I % 3]) + QLatin1String(".so"),
                    Folder + QStringLiteral("/Device%1.so").arg(I));
    }
}

void BM_ScanCold(benchmark::State& State)
{
    test::TTempStore Store;
    std::vector<std::unique_ptr<QTemporaryDir>> Dirs; // kept: loaded libraries stay mapped
    for (auto _ : State) {
        State.PauseTiming();
        Dirs.push_back(std::make_unique<QTemporaryDir>());
        Populate(Dirs.back()->path(), int(State.range(0)));
        TPluginScan Scan(QStringLiteral("Plugins"), Dirs.back()->path());
        State.ResumeTiming();
        Scan.Scan();
        benchmark::DoNotOptimize(Scan.Modules.size());
    }
    State.counters["libraries"] = double(State.range(0));
}
BENCHMARK(BM_ScanCold)->Arg(1)->Arg(11)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ScanWarm(benchmark::State& State)
{
    test::TTempStore Store;
    QTemporaryDir Dir;
    Populate(Dir.path(), int(State.range(0)));
    for (auto _ : State) {
        TPluginScan Scan(QStringLiteral("Plugins"), Dir.path());
        Scan.Scan();
        benchmark::DoNotOptimize(Scan.Modules.size());
    }
}
BENCHMARK(BM_ScanWarm)->Arg(11)->Unit(benchmark::kMillisecond);

void BM_ScanProgramFolder(benchmark::State& State)
{
    const QString Dir = qEnvironmentVariable("OSTAN_BENCH_PROGRAM_DIR");
    if (Dir.isEmpty()) {
        State.SkipWithError("OSTAN_BENCH_PROGRAM_DIR not set");
        return;
    }
    test::TTempStore Store; // registration writes the store: never the user's own
    size_t Found = 0;
    for (auto _ : State) {
        TPluginScan Scan(QStringLiteral("Plugins"), Dir);
        Scan.Scan();
        Found = Scan.Modules.size();
    }
    State.counters["libraries"] = double(Found);
}
BENCHMARK(BM_ScanProgramFolder)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication App(argc, argv); // a real library builds its panel to read its pictures
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
