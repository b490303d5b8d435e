// Loading the settings store: every operation reads the file afresh, so the
// load of a large store is what a start-up with it pays per operation.
#include "Registry.h"
#include "TempStore.h"

#include <QFile>
#include <benchmark/benchmark.h>

using namespace ostan;

namespace {

// Values spread as in a store grown by many registrations: many keys, a few
// values each, and one key holding half of them.
void WriteStore(const QString& Path, int Values)
{
    QByteArray file = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]\n";
    for (int i = 0; i < Values / 2; ++i)
        file += "\"Value" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16) + "\n";
    for (int k = 0; k < Values / 4; ++k)
        file += "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\Key" + QByteArray::number(k) + "]\n@=\"key\"\n\"N\"=dword:1\n";
    QFile f(Path);
    f.open(QIODevice::WriteOnly);
    f.write(file);
}

void BM_LoadStore(benchmark::State& State)
{
    test::TTempStore Store;
    WriteStore(Store.FilePath(), static_cast<int>(State.range(0)));
    for (auto _ : State) {
        TRegistry Reg(RegAccess::Read);
        benchmark::DoNotOptimize(Reg.KeyExists(QStringLiteral("\\SOFTWARE\\Big")));
    }
    State.counters["values"] = static_cast<double>(State.range(0));
}
BENCHMARK(BM_LoadStore)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
