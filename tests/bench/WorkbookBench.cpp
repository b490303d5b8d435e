// Appending one row ("&Сохранить" from the application's creation to its
// release, the atomic save with its fsync included) to workbooks of 1,000,
// 100,000 and 1,000,000 rows, to a spreadsheet program's workbook (several
// sheets, a chart) grown to 100,000 rows, and to books of 100,000 rows x 7
// columns that the spreadsheet program wrote itself (from a CSV file; from a
// document of three sheets whose text cells are all shared strings).
// Targets: 1,000 rows under 20 ms; 100,000 rows under 0.7 s; 1,000,000 rows
// under 7 s; every save under 64 MB peak resident size, and at least 20
// times faster than openpyxl appending the same row to the same book
// (counters openpyxl_s, openpyxl_peak_rss_mb, openpyxl_ratio; the script is
// workbook_openpyxl.py beside this file; OSTAN_BENCH_OPENPYXL=0 leaves it
// out). The process's memory must not grow
// with repeated saves (counter rss_growth_kb: resident memory after the last
// save minus after the first).
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
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <fstream>
#include <functional>
#include <utility>
#include <string>
#include <unistd.h>
#include <zip.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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

// What the cases before left freed goes back to the system first: the peak
// is the case's own.
void ResetPeak()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
    std::ofstream("/proc/self/clear_refs") << "5";
}

const auto Plugin = [] {
    return MakeColumnsPlugin("Блок датчкика KARN-7", {"Дата, время", "Тип БД", "Текущая конц., %"},
                             {"10.12.2026 13:07:16", "Метан", "1.25"});
};

const auto Plugin7 = [] {
    return MakeColumnsPlugin("Блок датчкика KARN-7",
                             {"Дата, время", "Газ", "Заводской номер", "Оператор", "U1", "U2", "Конц., %"},
                             {"10.12.2026 13:07:16", "Метан", "ЗН-000001", "Иванов", "1.25", "0.5", "2.5"});
};

// openpyxl appending the same row to a copy of File: its seconds and peak
// resident size as counters, and how many times our mean save it takes.
void CompareWithOpenpyxl(benchmark::State& State, const QString& File, double OurSeconds, const QStringList& Values)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (qgetenv("OSTAN_BENCH_OPENPYXL") == "0")
        return;
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) != 0) {
        State.SetLabel("no openpyxl (python3-openpyxl)");
        return;
    }
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.xlsx"));
    QFile::copy(File, copy);
    QProcess p;
    p.start(python, QStringList{QStringLiteral(OSTAN_SOURCE_DIR "/tests/bench/workbook_openpyxl.py"), copy} + Values);
    p.waitForFinished(-1);
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    if (p.exitCode() != 0 || o.isEmpty()) {
        State.SetLabel(("openpyxl failed: " + p.readAllStandardError().right(200)).toStdString());
        return;
    }
    const double seconds = o.value(QStringLiteral("seconds")).toDouble();
    State.counters["openpyxl_s"] = seconds;
    State.counters["openpyxl_peak_rss_mb"] = o.value(QStringLiteral("peak_rss_mb")).toDouble();
    State.counters["openpyxl_ratio"] = seconds / OurSeconds;
}

void Measure(benchmark::State& State, const QString& File, bool Refused, bool Openpyxl = false,
             const ComPtr<TColumnsPlugin>& P = Plugin())
{
    long first = 0;
    double seconds = 0;
    ResetPeak();
    for (auto _ : State) {
        QElapsedTimer t;
        t.start();
        TExcelWork work(1);
        try {
            SaveDeviceRow(work, *P.Get(), File);
            if (Refused)
                State.SkipWithError("the workbook was appended to");
        } catch (const EWorkbookError& E) {
            if (!Refused)
                State.SkipWithError(E.what());
        }
        seconds += double(t.nsecsElapsed()) / 1e9;
        if (!first)
            first = ResidentKb();
    }
    State.counters["peak_rss_mb"] = double(PeakKb()) / 1024;
    State.counters["rss_growth_kb"] = double(ResidentKb() - first);
    State.counters["file_kb"] = double(QFileInfo(File).size() / 1024);
    if (Openpyxl && State.iterations() > 0) {
        QStringList values;
        for (const QByteArray& v : P->Values)
            values << QString::fromUtf8(v);
        CompareWithOpenpyxl(State, File, seconds / double(State.iterations()), values);
    }
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
    Measure(State, file, false, State.range(0) >= 100000);
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

// ---- books the spreadsheet program wrote itself, made once and kept in
// the build tree (the program takes a while over 100,000 rows)

// Source is written to a file of that name and converted; the book's path,
// or "" when the program is not there.
QString SpreadsheetBook(const QString& Source, const std::function<void(QFile&)>& Write)
{
    const QDir cache(QStringLiteral(OSTAN_BENCH_DIR "/books"));
    const QString book = cache.filePath(QFileInfo(Source).completeBaseName() + QStringLiteral(".xlsx"));
    if (QFileInfo::exists(book))
        return book;
    const QString soffice = QStringLiteral("/usr/bin/soffice");
    if (!QFileInfo::exists(soffice))
        return {};
    QDir().mkpath(cache.path());
    QTemporaryDir dir;
    QFile f(dir.filePath(Source));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    Write(f);
    f.close();
    QStringList args = {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                        QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xlsx")};
    if (Source.endsWith(QLatin1String(".csv")))
        args << QStringLiteral("--infilter=CSV:44,34,76,1");
    args << QStringLiteral("--outdir") << dir.path() << f.fileName();
    QProcess::execute(soffice, args);
    QFile::rename(dir.filePath(QFileInfo(Source).completeBaseName() + QStringLiteral(".xlsx")), book);
    return QFileInfo::exists(book) ? book : QString();
}

// Row r of the books: a time, a gas, a serial number, an operator, three
// measured values.
QStringList BookRow(int R)
{
    static const char* const gases[] = {"Метан", "Пропан", "Водород", "Кислород"};
    static const char* const people[] = {"Иванов", "Петрова", "Сидоров"};
    const QDateTime at = QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addSecs(qint64(R) * 37);
    return {at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QString::fromUtf8(gases[R % 4]),
            QStringLiteral("ЗН-%1").arg(R, 6, 10, QLatin1Char('0')), QString::fromUtf8(people[R % 3]),
            QString::number(R % 500 / 100.0), QString::number(R % 97 / 10.0), QString::number(R % 250 / 100.0)};
}

void WriteCsv(QFile& F, int Rows)
{
    QByteArray text = "Дата и время,Газ,Заводской номер,Оператор,U1,U2,Конц.\n";
    for (int r = 1; r <= Rows; ++r) {
        text += BookRow(r).join(u',').toUtf8() + '\n';
        if (text.size() > (1 << 20))
            F.write(std::exchange(text, {}));
    }
    F.write(text);
}

// A document of three sheets: the first (the active one) of Rows rows.
void WriteFlatDocument(QFile& F, int Rows)
{
    auto cell = [](const QString& V, int Column) {
        if (Column == 0)
            return QStringLiteral(R"(<table:table-cell office:value-type="date" office:date-value="%1"><text:p>%2</text:p></table:table-cell>)")
                .arg(QString(V).replace(u' ', u'T'), V);
        if (Column >= 4)
            return QStringLiteral(R"(<table:table-cell office:value-type="float" office:value="%1"><text:p>%1</text:p></table:table-cell>)").arg(V);
        return QStringLiteral(R"(<table:table-cell office:value-type="string"><text:p>%1</text:p></table:table-cell>)").arg(V);
    };
    auto table = [&](const QString& Name, int Count) {
        QByteArray t = QStringLiteral(R"(<table:table table:name="%1">)").arg(Name).toUtf8();
        t += R"(<table:table-row>)";
        for (const char* h : {"Дата и время", "Газ", "Заводской номер", "Оператор", "U1", "U2", "Конц."})
            t += cell(QString::fromUtf8(h), 1).toUtf8();
        t += "</table:table-row>";
        for (int r = 1; r <= Count; ++r) {
            const QStringList row = BookRow(r);
            t += "<table:table-row>";
            for (int c = 0; c < row.size(); ++c)
                t += cell(row[c], c).toUtf8();
            t += "</table:table-row>";
            if (t.size() > (1 << 20))
                F.write(std::exchange(t, {}));
        }
        F.write(t + "</table:table>");
    };
    F.write(R"(<?xml version="1.0" encoding="UTF-8"?>)"
            R"(<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
            R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
            R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" )"
            R"(office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>)");
    table(QStringLiteral("Данные"), Rows);
    table(QStringLiteral("Поверка"), 20000);
    table(QStringLiteral("Архив"), 5000);
    F.write("</office:spreadsheet></office:body></office:document>");
}

void AppendRowSpreadsheetWritten(benchmark::State& State)
{
    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    const bool sheets = State.range(0) == 1;
    const QString book = sheets ? SpreadsheetBook(QStringLiteral("sheets-100000.fods"),
                                                  [](QFile& F) { WriteFlatDocument(F, 100000); })
                                : SpreadsheetBook(QStringLiteral("csv-100000.csv"), [](QFile& F) { WriteCsv(F, 100000); });
    if (book.isEmpty()) {
        State.SkipWithError("the spreadsheet program (libreoffice-calc-nogui) is missing or failed");
        for (auto _ : State) {
        }
        ResetSeparatorsForTest();
        return;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("written.xlsx"));
    QFile::copy(book, file);
    State.SetLabel(sheets ? "3 sheets, shared strings" : "from CSV");
    Measure(State, file, false, true, Plugin7());
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

// 1,000,000 rows as the engine writes them, one column each: the budget's
// cells allow no more.
void AppendRowMillion(benchmark::State& State)
{
    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("million.xlsx"));
    WriteGenerated(file, "xl/worksheets/sheet1.xml",
                   Pieces(std::string(SheetHead)
                              + R"(<row r="1"><c r="A1" t="inlineStr"><is><t xml:space="preserve"> Дата, время </t></is></c></row>)",
                          1'000'000,
                          [](long long r) {
                              const std::string n = std::to_string(r + 1);
                              return "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>"
                                   + std::to_string(46000 + r / 1440.0) + "</v></c></row>";
                          },
                          SheetTail));
    Measure(State, file, false, true);
    ResetSeparatorsForTest();
}

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
BENCHMARK(AppendRowSpreadsheetWritten)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(AppendRowMillion)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Refuse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SettleAllocator(); // as the program has it
    MapXmlTrees();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
