// Appending one row ("&Сохранить" from the application's creation to its
// release, the atomic save with its fsync included) to workbooks of 1,000 and
// 100,000 rows, and to a spreadsheet program's workbook (several sheets, a
// chart) grown to 100,000 rows. Targets: under 50 ms and under 2 s; the
// process's memory must not grow with repeated saves (counter rss_growth_kb:
// resident memory after the last save minus after the first).
//
// Then the saves that must be refused: workbooks whose parts unpack into
// gigabytes, and a real sheet of 9 million cells. Targets: refused within
// 1 s, with the peak resident size under 256 MB.
//
// Every case reports peak_rss_mb: the process's peak resident size during its
// saves (the peak is reset after the workbook is made).
#include "Allocator.h"
#include "ExcelWork.h"
#include "NumberSeparators.h"
#include "OoxmlWorkbook.h"
#include "WorkbookSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <zip.h>

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

// The peak resident size since the last ResetPeak, in kB.
long PeakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

const auto Plugin = [] {
    return MakeColumnsPlugin("Блок датчкика KARN-7", {"Дата, время", "Тип БД", "Текущая конц., %"},
                             {"10.12.2026 13:07:16", "Метан", "1.25"});
};

void Measure(benchmark::State& State, const QString& File, bool Refused)
{
    const auto plugin = Plugin();
    long first = 0;
    ResetPeak();
    for (auto _ : State) {
        TExcelWork work(1);
        try {
            SaveDeviceRow(work, *plugin.Get(), File);
            if (Refused)
                State.SkipWithError("the workbook was appended to");
        } catch (const EWorkbookError& E) {
            if (!Refused)
                State.SkipWithError(E.what());
        }
        if (!first)
            first = ResidentKb();
    }
    State.counters["peak_rss_mb"] = double(PeakKb()) / 1024;
    State.counters["rss_growth_kb"] = double(ResidentKb() - first);
    State.counters["file_kb"] = double(QFileInfo(File).size() / 1024);
}

void AddRows(TOoxmlWorkbook& W, int From, int To)
{
    for (int r = From; r <= To; ++r) {
        W.SetCellValue(r, 1, QStringLiteral("10.12.2026 13:07:16"));
        W.SetCellValue(r, 2, QStringLiteral("Метан"));
        W.SetCellValue(r, 3, QString::number(r % 250 / 100.0));
    }
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
        AddRows(*w, 2, int(State.range(0)) + 1);
        WriteAll(file, w->ToBytes());
    }
    Measure(State, file, false);
    ResetSeparatorsForTest();
}

// The spreadsheet program's workbook of the tests, its active sheet grown.
void AppendRowSpreadsheetMade(benchmark::State& State)
{
    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("made.xlsx"));
    {
        auto w = TOoxmlWorkbook::FromBytes(ReadAll(WorkbookFixture(QStringLiteral("LibreOfficeMade.xlsx"))));
        AddRows(*w, 4, int(State.range(0)) + 3);
        WriteAll(file, w->ToBytes());
    }
    Measure(State, file, false);
    ResetSeparatorsForTest();
}

// ---- workbooks that must be refused, their big parts made as they are
// packed, so that making them takes no memory

struct TGenerated {
    std::function<bool(std::string&)> Next; // appends the next piece; false at the end
    std::string Pending;
    size_t Offset = 0;
};

zip_int64_t Generate(void* State, void* Data, zip_uint64_t Length, zip_source_cmd_t Command)
{
    auto* g = static_cast<TGenerated*>(State);
    switch (Command) {
    case ZIP_SOURCE_OPEN: return 0;
    case ZIP_SOURCE_READ: {
        while (g->Pending.size() - g->Offset < Length) {
            g->Pending.erase(0, g->Offset);
            g->Offset = 0;
            if (!g->Next(g->Pending))
                break;
        }
        const size_t n = std::min<size_t>(Length, g->Pending.size() - g->Offset);
        std::memcpy(Data, g->Pending.data() + g->Offset, n);
        g->Offset += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(Data);
        zip_stat_init(st);
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return 2 * sizeof(int);
    case ZIP_SOURCE_FREE: delete g; return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: return -1;
    }
}

// A new workbook whose part Name is Head, then the pieces of Next, then Tail,
// its relationships as Rels says ("" keeps them).
void WriteGenerated(const QString& File, const char* Name, std::function<bool(std::string&)> Next, const char* Rels = "")
{
    const QByteArray base = TOoxmlWorkbook::NewWorkbook()->ToBytes();
    const QByteArray path = QFile::encodeName(File);
    int error = 0;
    zip_t* out = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* src = zip_source_buffer_create(base.constData(), zip_uint64_t(base.size()), 0, &e);
    zip_t* in = zip_open_from_source(src, ZIP_RDONLY, &e);
    for (zip_int64_t i = 0; i < zip_get_num_entries(in, 0); ++i) {
        const std::string name = zip_get_name(in, zip_uint64_t(i), 0);
        if (name == Name)
            continue;
        zip_source_t* s = name == "xl/_rels/workbook.xml.rels" && *Rels
                            ? zip_source_buffer(out, Rels, std::strlen(Rels), 0)
                            : zip_source_zip(out, in, zip_uint64_t(i), 0, 0, -1);
        zip_file_add(out, name.c_str(), s, 0);
    }
    auto* g = new TGenerated{std::move(Next), {}, 0};
    zip_file_add(out, Name, zip_source_function(out, Generate, g), 0);
    zip_close(out);
    zip_discard(in);
    zip_error_fini(&e);
}

// Pieces: Head, Count times Unit(i), Tail.
std::function<bool(std::string&)> Pieces(std::string Head, long long Count, std::function<std::string(long long)> Unit,
                                         std::string Tail)
{
    auto i = std::make_shared<long long>(-1);
    return [=](std::string& Out) {
        if (*i > Count)
            return false;
        if (*i < 0)
            Out += Head;
        for (int k = 0; k < 4096 && *i < Count; ++k)
            if (++*i > 0 && *i <= Count)
                Out += Unit(*i);
        if (*i >= Count) {
            Out += Tail;
            *i = Count + 1;
        }
        return true;
    };
}

const char* const SheetHead = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
const char* const SheetTail = "</sheetData></worksheet>";
const char* const RelsWithStrings =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(</Relationships>)";

void Refuse(benchmark::State& State)
{
    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("refused.xlsx"));
    switch (State.range(0)) {
    case 0: // shared strings: about 4 GB of text in a few hundred kB
        WriteGenerated(file, "xl/sharedStrings.xml",
                       Pieces(R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)", 4000,
                              [](long long) { return "<si><t>" + std::string(1 << 20, 'A') + "</t></si>"; }, "</sst>"),
                       RelsWithStrings);
        State.SetLabel("shared strings 4 GB");
        break;
    case 1: // a sheet of empty cells: 540 MB
        WriteGenerated(file, "xl/worksheets/sheet1.xml",
                       Pieces(SheetHead, 1'000'000,
                              [](long long r) {
                                  static const std::string cells = [] {
                                      std::string c;
                                      for (int k = 0; k < 130; ++k)
                                          c += "<c/>";
                                      return c;
                                  }();
                                  return "<row r=\"" + std::to_string(r) + "\">" + cells + "</row>";
                              },
                              SheetTail));
        State.SetLabel("sheet of empty cells");
        break;
    default: // a real sheet: 9 million cells of measured values
        WriteGenerated(file, "xl/worksheets/sheet1.xml",
                       Pieces(SheetHead, 1'000'000,
                              [](long long r) {
                                  std::string row = "<row r=\"" + std::to_string(r) + "\">";
                                  for (int c = 0; c < 9; ++c)
                                      row += "<c r=\"" + std::string(1, char('A' + c)) + std::to_string(r) + "\"><v>"
                                           + std::to_string((r * 7919 + c * 104729) % 100003 / 100.0) + "</v></c>";
                                  return row + "</row>";
                              },
                              SheetTail));
        State.SetLabel("9 million cells");
        break;
    }
    Measure(State, file, true);
    ResetSeparatorsForTest();
}

} // namespace

BENCHMARK(AppendRow)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(AppendRow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(AppendRowSpreadsheetMade)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(Refuse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    MapXmlTrees(); // as the program has it
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
