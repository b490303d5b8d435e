// Appending one row ("&Сохранить" from the application's creation to its
// release, the atomic save with its fsync included) to workbooks of 1,000 and
// 100,000 rows. Targets: under 50 ms and under 2 s; the process's memory must
// not grow with repeated saves (counter rss_growth_kb: resident memory after
// the last save minus after the first).
#include "ExcelWork.h"
#include "NumberSeparators.h"
#include "OoxmlWorkbook.h"
#include "WorkbookSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <unistd.h>

using namespace ostan;
using namespace ostan::test;

namespace {

long ResidentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void AppendRow(benchmark::State& State)
{
    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.xlsx"));
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        w->SetCellValue(1, 1, QStringLiteral(" Дата, время "));
        w->SetCellValue(1, 2, QStringLiteral(" Тип БД "));
        w->SetCellValue(1, 3, QStringLiteral(" Текущая конц., % "));
        for (int r = 2; r <= State.range(0) + 1; ++r) {
            w->SetCellValue(r, 1, QStringLiteral("10.12.2026 13:07:16"));
            w->SetCellValue(r, 2, QStringLiteral("Метан"));
            w->SetCellValue(r, 3, QString::number(r % 250 / 100.0));
        }
        WriteAll(file, w->ToBytes());
    }
    const auto plugin =
        MakeColumnsPlugin("Блок датчкика KARN-7", {"Дата, время", "Тип БД", "Текущая конц., %"},
                          {"10.12.2026 13:07:16", "Метан", "1.25"});
    long first = 0;
    for (auto _ : State) {
        TExcelWork work(1);
        SaveDeviceRow(work, *plugin.Get(), file);
        if (!first)
            first = ResidentKb();
    }
    State.counters["rss_growth_kb"] = double(ResidentKb() - first);
    State.counters["file_kb"] = double(QFileInfo(file).size() / 1024);
    ResetSeparatorsForTest();
}

} // namespace

BENCHMARK(AppendRow)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(AppendRow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
