// Loading the settings store. Every operation looks at the file afresh; a
// changed file is parsed again, an unchanged one is taken from the last parse.
#include "Registry.h"
#include "TempStore.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// One operation on a file just changed: read and parsed in full.
void BM_LoadChangedStore(benchmark::State& State)
{
    test::TTempStore Store;
    WriteStore(Store.FilePath(), static_cast<int>(State.range(0)));
    QFile File(Store.FilePath());
    File.open(QIODevice::ReadWrite);
    const qint64 Last = File.size() - 2; // the last value's last digit
    char Digit = '0';
    for (auto _ : State) {
        State.PauseTiming();
        Digit = Digit == '0' ? '2' : '0'; // a new version
        File.seek(Last);
        File.write(&Digit, 1);
        File.flush();
        State.ResumeTiming();
        TRegistry Reg(RegAccess::Read);
        benchmark::DoNotOptimize(Reg.KeyExists(QStringLiteral("\\SOFTWARE\\Big")));
    }
    State.counters["values"] = static_cast<double>(State.range(0));
}
BENCHMARK(BM_LoadChangedStore)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One operation on a file that has not changed since it was last parsed.
void BM_LoadUnchangedStore(benchmark::State& State)
{
    test::TTempStore Store;
    WriteStore(Store.FilePath(), static_cast<int>(State.range(0)));
    const QByteArray Path = QFile::encodeName(Store.FilePath());
    const timespec LongAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, Path.constData(), LongAgo, 0);
    ::usleep(200000); // past the time granularity the store allows for
    for (auto _ : State) {
        TRegistry Reg(RegAccess::Read);
        benchmark::DoNotOptimize(Reg.KeyExists(QStringLiteral("\\SOFTWARE\\Big")));
    }
    State.counters["values"] = static_cast<double>(State.range(0));
}
BENCHMARK(BM_LoadUnchangedStore)->Arg(1000)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The serial-port map read as the settings dialog reads it at start: every
// name, then every value.
void BM_ReadPortMap(benchmark::State& State)
{
    test::TTempStore Store;
    const int Entries = static_cast<int>(State.range(0));
    QByteArray file = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
    for (int i = 0; i < Entries; ++i)
        file += "\"/dev/pts/" + QByteArray::number(i) + "\"=\"COM" + QByteArray::number(i + 1) + "\"\n";
    QFile f(Store.FilePath());
    f.open(QIODevice::WriteOnly);
    f.write(file);
    f.close();
    const timespec LongAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(Store.FilePath()).constData(), LongAgo, 0);
    ::usleep(200000);
    SetSystemSerialDevicesForTest([] { return QStringList(); });
    for (auto _ : State) {
        TRegistry Reg(RegAccess::Read);
        Reg.OpenKeyReadOnly(QStringLiteral("\\HARDWARE\\DEVICEMAP\\SERIALCOMM"));
        int Ports = 0;
        for (const QString& Name : Reg.GetValueNames())
            Ports += Reg.ReadString(Name).startsWith(QStringLiteral("COM"));
        benchmark::DoNotOptimize(Ports);
    }
    SetSystemSerialDevicesForTest({});
    State.counters["entries"] = static_cast<double>(Entries);
}
BENCHMARK(BM_ReadPortMap)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
