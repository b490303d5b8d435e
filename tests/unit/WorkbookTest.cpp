// The workbook export on real files: the engine, TExcelWork and the row a
// save appends; the order of the application calls on a recording fake; the
// files it must refuse.
#include "Allocator.h"
#include "AtomicFile.h"
#include "ExcelWork.h"
#include "NumberSeparators.h"
#include "OoxmlApplication.h"
#include "OoxmlWorkbook.h"
#include "StoredParts.h"
#include "WorkbookSupport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace ostan;
using namespace ostan::test;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

const char* const Karn7 = "Блок датчкика KARN-7E/8";

ComPtr<TColumnsPlugin> Karn7Plugin(QList<QByteArray> Values)
{
    return MakeColumnsPlugin(Karn7, {"Дата, время", "Тип БД", "Текущая конц., %"}, std::move(Values));
}

// The package with parts replaced, or added when it has none of that name.
QByteArray WithParts(const QByteArray& Package, const std::map<std::string, QByteArray>& Parts);

// The package with one part's content replaced.
QByteArray WithPart(const QByteArray& Package, const char* Name, const QByteArray& Content)
{
    return WithParts(Package, {{Name, Content}});
}

QByteArray WithParts(const QByteArray& Package, const std::map<std::string, QByteArray>& Parts)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &e);
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &e);
    const auto parts = StoredParts(Package);
    zip_source_t* src = zip_source_buffer_create(Package.constData(), zip_uint64_t(Package.size()), 0, &e);
    zip_t* in = zip_open_from_source(src, ZIP_RDONLY, &e);
    std::set<std::string> added;
    for (zip_int64_t i = 0; i < zip_get_num_entries(in, 0); ++i) {
        const char* name = zip_get_name(in, zip_uint64_t(i), 0);
        const auto part = Parts.find(name);
        zip_source_t* s = part != Parts.end()
                            ? zip_source_buffer(z, part->second.constData(), zip_uint64_t(part->second.size()), 0)
                            : zip_source_zip(z, in, zip_uint64_t(i), 0, 0, -1);
        zip_file_add(z, name, s, 0);
        added.insert(name);
    }
    for (const auto& [name, content] : Parts)
        if (!added.count(name))
            zip_file_add(z, name.c_str(), zip_source_buffer(z, content.constData(), zip_uint64_t(content.size()), 0), 0);
    zip_close(z);
    zip_discard(in);
    zip_source_open(out);
    zip_stat_t st;
    zip_source_stat(out, &st);
    QByteArray bytes(qsizetype(st.size), '\0');
    zip_source_read(out, bytes.data(), st.size);
    zip_source_close(out);
    zip_source_free(out);
    return bytes;
}

class Workbook : public ::testing::Test {
protected:
    void SetUp() override
    {
        MapXmlTrees();
        SetSeparatorsForTest(u'.', u' ');
    }
    void TearDown() override
    {
        ResetSeparatorsForTest();
        SetWorkbookWriteFailureForTest(-1);
    }

    QString Path(const QString& Name) const { return Dir.filePath(Name); }

    // One "&Сохранить" of the plug-in's row into FileName.
    void Save(IOstanPlugin& Plugin, const QString& FileName)
    {
        TExcelWork Work(1);
        SaveDeviceRow(Work, Plugin, FileName);
    }

    std::unique_ptr<TOoxmlWorkbook> Load(const QString& FileName)
    {
        return TOoxmlWorkbook::FromBytes(ReadAll(FileName));
    }

    // Row Row, columns 1..Count, as their texts.
    static QStringList RowTexts(const TOoxmlWorkbook& W, int Row, int Count)
    {
        QStringList out;
        for (int c = 1; c <= Count; ++c)
            out << W.CellText(Row, c);
        return out;
    }

    TWorkbookStore Registered;
    QTemporaryDir Dir;
};

TEST_F(Workbook, NewWorkbookGetsSheetHeaderAndRowsAppendBelow)
{
    const QString file = Path(QStringLiteral("karn.xlsx"));
    Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1.25"}).Get(), file);
    Save(*Karn7Plugin({"10.12.2026 13:08:00", "CH4", "-0.5"}).Get(), file);

    const auto w = Load(file);
    // "/" would make every new workbook of this device fail.
    EXPECT_EQ(w->SheetName(), QStringLiteral("Блок датчкика KARN-7E_8"));
    EXPECT_THAT(RowTexts(*w, 1, 4), ElementsAre(" Дата, время ", " Тип БД ", " Текущая конц., % ", ""));
    EXPECT_THAT(RowTexts(*w, 2, 4), ElementsAre("46366.546712963", "CH4", "1.25", ""));
    EXPECT_THAT(RowTexts(*w, 3, 4), ElementsAre("46366.5472222222", "CH4", "-0.5", ""));
    EXPECT_EQ(w->CellText(4, 1), QString());
}

TEST_F(Workbook, SheetNamesBecomeWhatASpreadsheetAccepts)
{
    EXPECT_EQ(SheetNameOf(QStringLiteral("a[b]c:d*e?f/g\\h")), QStringLiteral("a_b_c_d_e_f_g_h"));
    EXPECT_EQ(SheetNameOf(QString(40, u'Ж')), QString(31, u'Ж'));
    const auto w = TOoxmlWorkbook::NewWorkbook();
    for (const char* bad : {"", "a/b", "x[1]", "0123456789012345678901234567890123"})
        EXPECT_THROW(w->SetSheetName(QString::fromUtf8(bad)), EWorkbookError) << bad;
}

TEST_F(Workbook, ARowGoesIntoTheFirstHoleOfColumnOne)
{
    const QString file = Path(QStringLiteral("hole.xlsx"));
    auto w = TOoxmlWorkbook::NewWorkbook();
    for (const auto& [row, column, text] : std::vector<std::tuple<int, int, const char*>>{
             {1, 1, " Дата "}, {1, 2, " U "}, {2, 1, "a"}, {2, 2, "1"}, {3, 2, "2"}, {4, 1, "b"}})
        w->SetCellValue(row, column, QString::fromUtf8(text));
    WriteAll(file, w->ToBytes());

    // Value 3 empty: the row ends after column 3 however many follow.
    Save(*MakeColumnsPlugin("Other", {"x"}, {"v1", "v2", "v3", "", "v5"}).Get(), file);
    const auto after = Load(file);
    EXPECT_THAT(RowTexts(*after, 3, 5), ElementsAre("v1", "v2", "v3", "", ""));
    EXPECT_THAT(RowTexts(*after, 4, 2), ElementsAre("b", ""));
    EXPECT_THAT(RowTexts(*after, 1, 3), ElementsAre(" Дата ", " U ", "")); // another device's header stays
}

TEST_F(Workbook, CellsHoldNumbersDatesAndTextAsASpreadsheetTakesTypedText)
{
    struct Case { QChar separator; const char* text; TCellKind kind; };
    const Case cases[] = {
        {u'.', "1.5", TCellKind::Number},          {u'.', "-0.25", TCellKind::Number},
        {u'.', "+3", TCellKind::Number},           {u'.', "2.5E-3", TCellKind::Number},
        {u'.', ".5", TCellKind::Number},           {u',', "1,5", TCellKind::Number},
        {u',', "1.5", TCellKind::Text},            {u'.', "1,5", TCellKind::Text},
        {u'.', "10.12.2026 13:07:16", TCellKind::DateTime},
        {u'.', "1.02.2026 9:15", TCellKind::DateTime},
        {u'.', "31.02.2026 9:15:00", TCellKind::Text}, // no such day
        {u'.', "CH4", TCellKind::Text},            {u'.', " 5", TCellKind::Text},
        {u'.', "1e999", TCellKind::Text},          {u'.', ".", TCellKind::Text},
        {u'.', "-", TCellKind::Text},
    };
    for (const Case& c : cases) {
        SetSeparatorsForTest(c.separator, u' ');
        EXPECT_EQ(TOoxmlWorkbook::KindOf(QString::fromUtf8(c.text)), c.kind) << c.text;
    }

    SetSeparatorsForTest(u',', u' ');
    auto w = TOoxmlWorkbook::NewWorkbook();
    w->SetCellValue(1, 1, QStringLiteral("-1,5"));
    w->SetCellValue(1, 2, QStringLiteral("10.12.2026 13:07:16"));
    w->SetCellValue(1, 3, QStringLiteral(" текст "));
    w->SetCellValue(1, 4, QStringLiteral("a\x01z")); // XML cannot carry it
    const auto back = TOoxmlWorkbook::FromBytes(w->ToBytes());
    EXPECT_THAT(RowTexts(*back, 1, 4), ElementsAre("-1.5", "46366.546712963", " текст ", "az"));
}

TEST_F(Workbook, AppendingKeepsEveryOtherPartOfASpreadsheetMadeWorkbook)
{
    const QString file = Path(QStringLiteral("lo.xlsx"));
    const QByteArray before = ReadAll(WorkbookFixture(QStringLiteral("LibreOfficeMade.xlsx")));
    WriteAll(file, before);
    Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1.25"}).Get(), file);
    Save(*Karn7Plugin({"10.12.2026 13:08:16", "CO", "2"}).Get(), file);
    const QByteArray twice = ReadAll(file);
    Save(*Karn7Plugin({"10.12.2026 13:09:16", "CO", "3"}).Get(), file);

    const auto w = Load(file);
    EXPECT_EQ(w->SheetName(), QStringLiteral("Данные"));
    EXPECT_THAT(RowTexts(*w, 1, 4), ElementsAre(" Дата, время ", " U1 ", " U2 ", " Примечание "));
    EXPECT_THAT(RowTexts(*w, 4, 4), ElementsAre("46366.546712963", "CH4", "1.25", ""));
    EXPECT_THAT(RowTexts(*w, 6, 3), ElementsAre("46366.5481018519", "CO", "3"));

    // Only the active sheet and the styles change; everything else keeps its
    // stored bytes and its place.
    const auto old = StoredParts(before), now = StoredParts(ReadAll(file));
    ASSERT_EQ(old.size(), now.size());
    for (size_t i = 0; i < old.size(); ++i) {
        EXPECT_EQ(now[i].first, old[i].first);
        if (old[i].first != "xl/worksheets/sheet1.xml" && old[i].first != "xl/styles.xml") {
            EXPECT_EQ(now[i].second, old[i].second) << old[i].first;
        }
    }
    // Repeated saves reuse their styles instead of adding new ones.
    const auto second = StoredParts(twice);
    EXPECT_EQ(std::find_if(second.begin(), second.end(), [](auto& p) { return p.first == "xl/styles.xml"; })->second,
              std::find_if(now.begin(), now.end(), [](auto& p) { return p.first == "xl/styles.xml"; })->second);
}

TEST_F(Workbook, FilesItMustNotWriteAreRefusedAndLeftAsTheyWere)
{
    QByteArray good;
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        w->SetCellValue(1, 1, QStringLiteral(" Дата "));
        good = w->ToBytes();
    }
    const QByteArray legacy = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0');
    struct Case {
        const char* what;
        QByteArray content; // of the chosen file; empty: a folder
        std::function<void(const QString& File)> prepare;
    };
    const Case cases[] = {
        {"open in LibreOffice", good, [](const QString& f) { WriteAll(QFileInfo(f).dir().filePath(".~lock." + QFileInfo(f).fileName() + "#"), "x"); }},
        {"open in a spreadsheet program", good, [](const QString& f) { WriteAll(QFileInfo(f).dir().filePath("~$" + QFileInfo(f).fileName()), "x"); }},
        {"read-only", good, [](const QString& f) { QFile::setPermissions(f, QFile::ReadOwner | QFile::ReadGroup); }},
        {"a folder", {}, nullptr},
        {"legacy binary workbook", legacy, nullptr},
        {"truncated zip", good.left(good.size() / 2), nullptr},
        {"damaged XML", WithPart(good, "xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\">"), nullptr},
        {"not a workbook", WithPart(good, "_rels/.rels", "<Relationships/>"), nullptr},
        {"rows out of order", WithPart(good, "xl/worksheets/sheet1.xml",
            "<worksheet><sheetData><row r=\"2\"/><row r=\"1\"/></sheetData></worksheet>"), nullptr},
        {"full disk", good, [](const QString&) { SetWorkbookWriteFailureForTest(100); }},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("book.xlsx"));
        if (c.content.isEmpty())
            QDir().mkpath(file);
        else
            WriteAll(file, c.content);
        if (c.prepare)
            c.prepare(file);
        const QStringList entries = FolderEntries(dir.path());

        EXPECT_THROW(Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"}).Get(), file), std::exception) << c.what;
        SetWorkbookWriteFailureForTest(-1);
        if (!c.content.isEmpty()) {
            EXPECT_EQ(ReadAll(file), c.content) << c.what;
        }
        EXPECT_EQ(FolderEntries(dir.path()), entries) << c.what; // no temporary file left
    }
}

TEST_F(Workbook, SheetsOfEveryShapeKeepTheirRowsWhenARowIsAppended)
{
    QByteArray good;
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        good = w->ToBytes();
    }
    const QByteArray ns = R"( xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
    // Column 1 of many rows: numbers, and long texts among them.
    const QByteArray longText = QString(150, u'Ж').toUtf8();
    QByteArray many = "<worksheet" + ns + "><sheetData>";
    for (int r = 1; r <= 200; ++r)
        many += r % 3 ? "<row r=\"" + QByteArray::number(r) + "\"><c><v>-" + QByteArray::number(r) + ".5E-3</v></c></row>"
                      : "<row r=\"" + QByteArray::number(r) + "\"><c t=\"inlineStr\"><is><t>" + longText
                            + QByteArray::number(r) + "</t></is></c></row>";
    many += "</sheetData></worksheet>";
    const QByteArray long129 = longText + "129";
    struct Case {
        const char* what;
        QByteArray sheet;
        std::vector<std::tuple<int, int, const char*>> cells; // after the append
    };
    const Case cases[] = {
        {"prefixed names",
         R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData>)"
         R"(<x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>H</x:t></x:is></x:c></x:row>)"
         R"(<x:row r="2"><x:c r="A2"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>)",
         {{1, 1, "H"}, {2, 1, "1"}, {3, 1, "46366.546712963"}, {3, 3, "1"}}},
        {"implicit positions",
         "<worksheet" + ns + R"(><sheetData><row><c t="inlineStr"><is><t>H</t></is></c></row>)"
         R"(<row><c><v>5</v></c><c><v>6</v></c></row></sheetData></worksheet>)",
         {{2, 2, "6"}, {3, 1, "46366.546712963"}, {4, 1, ""}}},
        {"comments, CDATA and space between rows",
         "<worksheet" + ns + R"(><sheetData> <!-- x --><row r="1"><c r="A1" t="inlineStr"><is><t><![CDATA[a<b]]></t></is></c></row>)"
         "\n" R"(<row r="2"><c r="A2" t="inlineStr"><is><r><t>x</t></r><r><t>y</t></r></is></c></row></sheetData></worksheet>)",
         {{1, 1, "a<b"}, {2, 1, "xy"}, {3, 2, "CH4"}}},
        {"rows after the first hole",
         "<worksheet" + ns + R"(><dimension ref="A1:B9"/><sheetData><row r="1"><c r="A1"><v>7</v></c></row>)"
         R"(<row r="3"><c r="B3"><v>8</v></c></row><row r="9"><c r="A9"><v>9</v></c></row></sheetData></worksheet>)",
         {{2, 1, "46366.546712963"}, {3, 2, "8"}, {9, 1, "9"}}},
        {"an empty sheet", "<worksheet" + ns + "><sheetData/></worksheet>", {{1, 1, "46366.546712963"}, {2, 1, ""}}},
        {"many rows", many,
         {{2, 1, "-2.5E-3"}, {65, 1, "-65.5E-3"}, {129, 1, long129.constData()}, {200, 1, "-200.5E-3"},
          {201, 1, "46366.546712963"}}},
    };
    for (const Case& c : cases) {
        const QString file = Path(QStringLiteral("shape.xlsx"));
        WriteAll(file, WithPart(good, "xl/worksheets/sheet1.xml", c.sheet));
        Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"}).Get(), file);
        const auto w = Load(file);
        for (const auto& [row, column, text] : c.cells)
            EXPECT_EQ(w->CellText(row, column), QString::fromUtf8(text)) << c.what << " (" << row << ", " << column << ")";
    }
}

TEST_F(Workbook, ASaveServesEventsBetweenItsPiecesAndATurnInsideATurnIsSkipped)
{
    const QString file = Path(QStringLiteral("big.xlsx"));
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        w->SetCellValue(1, 1, QStringLiteral(" Дата, время "));
        for (int r = 2; r <= 3000; ++r)
            w->SetCellValue(r, 1, QStringLiteral("10.12.2026 13:07:16"));
        WriteAll(file, w->ToBytes());
    }
    int turns = 0, depth = 0, deepest = 0;
    SetWorkbookPacer(
        [&] {
            ++turns;
            deepest = std::max(deepest, ++depth);
            // What an event may do meanwhile: read a workbook, this one too.
            TOoxmlApplication other;
            other.WorkbooksOpen(file);
            --depth;
        },
        std::chrono::milliseconds(0));
    Save(*Karn7Plugin({"10.12.2026 13:08:16", "CH4", "2"}).Get(), file);
    SetWorkbookPacer({});
    EXPECT_GT(turns, 0);
    EXPECT_EQ(deepest, 1);
    const auto w = Load(file);
    EXPECT_THAT(RowTexts(*w, 3001, 3), ElementsAre("46366.5474074074", "CH4", "2"));
    EXPECT_EQ(w->CellText(3000, 1), QStringLiteral("46366.546712963"));
}

TEST_F(Workbook, ANewFileThatCannotBeWrittenLeavesNothing)
{
    const QString file = Path(QStringLiteral("new.xlsx"));
    SetWorkbookWriteFailureForTest(10);
    EXPECT_THROW(Save(*Karn7Plugin({"1"}).Get(), file), std::exception);
    EXPECT_THAT(FolderEntries(Dir.path()), ElementsAre());
}

// ---- what reading a workbook may take

// A sheet of Count cells in one column, their values numbers.
QByteArray SheetOfCells(int Count, const char* Extra = "")
{
    QByteArray xml = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
    for (int r = 1; r <= Count; ++r)
        xml += QStringLiteral(R"(<row r="%1"><c r="A%1"><v>%2</v></c></row>)").arg(r).arg(r * 7919 % 10007).toUtf8();
    return xml + "</sheetData>" + Extra + "</worksheet>";
}

QByteArray SharedStrings(const QList<QByteArray>& Strings)
{
    QByteArray xml = R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";
    for (const QByteArray& s : Strings)
        xml += "<si><t>" + s + "</t></si>";
    return xml + "</sst>";
}

// A workbook whose header cell A1 is shared string 0 of Strings.
QByteArray WithSharedStrings(const QByteArray& Package, const QByteArray& Strings)
{
    return WithParts(Package, {
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
         R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
         R"(</Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
         R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData></worksheet>)"},
        {"xl/sharedStrings.xml", Strings},
    });
}

// The package with the unpacked size that its directory and local header
// give for Name set to Size, as a forged archive would say.
QByteArray WithDeclaredSize(QByteArray Package, const QByteArray& Name, quint32 Size)
{
    auto put = [&Package](qsizetype At, quint32 V) {
        for (int i = 0; i < 4; ++i)
            Package[At + i] = char(V >> (8 * i));
    };
    auto get16 = [&Package](qsizetype At) { return int(uchar(Package[At]) | uchar(Package[At + 1]) << 8); };
    for (qsizetype at = 0; (at = Package.indexOf(Name, at)) >= 0; at += Name.size()) {
        if (at >= 30 && Package.mid(at - 30, 4) == QByteArray("PK\x03\x04", 4) && get16(at - 4) == Name.size())
            put(at - 30 + 22, Size);
        if (at >= 46 && Package.mid(at - 46, 4) == QByteArray("PK\x01\x02", 4) && get16(at - 46 + 28) == Name.size())
            put(at - 46 + 24, Size);
    }
    return Package;
}

struct TLimitsForTest {
    explicit TLimitsForTest(const TWorkbookLimits& L) { SetWorkbookLimitsForTest(L); }
    ~TLimitsForTest() { SetWorkbookLimitsForTest({}); }
};

TEST_F(Workbook, WorkbooksBeyondWhatReadingMayTakeAreRefusedBeforeTheyAreUnpacked)
{
    QByteArray good;
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        w->SetCellValue(1, 1, QStringLiteral(" Дата "));
        good = w->ToBytes();
    }
    const auto limits = [](auto Change) {
        TWorkbookLimits l;
        Change(l);
        return l;
    };
    const QByteArray thousandfold(4 << 20, 'A');
    QByteArray emptyCells = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1">)";
    emptyCells += QByteArray("<c/>").repeated(1 << 20) + "</row></sheetData></worksheet>";
    QList<QByteArray> strings;
    for (int i = 0; i <= 1000; ++i)
        strings << QByteArray::number(i * 7919);
    struct Case {
        const char* what;
        TWorkbookLimits limits;
        QByteArray content;
        const char* reason; // nullptr: appended to
    };
    const Case cases[] = {
        {"shared strings that unpack a thousandfold", {}, WithSharedStrings(good, SharedStrings({thousandfold})),
         "часть xl/sharedStrings.xml распаковывается из"},
        {"a sheet that unpacks a thousandfold", {}, WithPart(good, "xl/worksheets/sheet1.xml", emptyCells),
         "часть xl/worksheets/sheet1.xml распаковывается из"},
        {"a part longer than its archive says", {},
         WithDeclaredSize(WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(20000)), "xl/worksheets/sheet1.xml", 1000),
         "часть xl/worksheets/sheet1.xml длиннее, чем сказано в оглавлении архива"},
        {"more cells than a sheet may have", limits([](auto& l) { l.Cells = 1000; }),
         WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(1001)), "на листе больше 1 000 ячеек"},
        {"as many cells as a sheet may have", limits([](auto& l) { l.Cells = 1000; }),
         WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(1000)), nullptr},
        {"more shared strings than a workbook may have", limits([](auto& l) { l.Strings = 1000; }),
         WithSharedStrings(good, SharedStrings(strings)), "в ней больше 1 000 строк текста"},
        {"more elements than the parts may have", limits([](auto& l) { l.Elements = 2000; }),
         WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(700)), "в части xl/worksheets/sheet1.xml больше"},
        {"parts larger together than they may be", limits([](auto& l) { l.UnpackedBytes = 64 << 10; }),
         WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(3000)), "ее части занимают больше 1 МБ"},
        {"a file larger than it may be", limits([](auto& l) { l.PackageBytes = 4 << 10; }),
         WithPart(good, "xl/worksheets/sheet1.xml", SheetOfCells(3000)), "файл больше 1 МБ"},
    };
    for (const Case& c : cases) {
        const TLimitsForTest limited(c.limits);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("book.xlsx"));
        WriteAll(file, c.content);
        const QStringList entries = FolderEntries(dir.path());
        const auto plugin = Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"});
        if (!c.reason) {
            EXPECT_NO_THROW(Save(*plugin.Get(), file)) << c.what;
            continue;
        }
        try {
            Save(*plugin.Get(), file);
            ADD_FAILURE() << c.what << ": appended to";
        } catch (const EWorkbookError& E) {
            EXPECT_TRUE(QString::fromUtf8(E.what()).contains(QString::fromUtf8(c.reason))) << c.what << ": " << E.what();
        }
        EXPECT_EQ(ReadAll(file), c.content) << c.what;
        EXPECT_EQ(FolderEntries(dir.path()), entries) << c.what;
        // File > Open refuses it the same way.
        TOoxmlApplication viewer;
        EXPECT_THROW(viewer.WorkbooksOpen(file), EWorkbookError) << c.what;
    }
}

TEST_F(Workbook, ASaveRemovesWhatKilledSavesOfTheSameFileLeft)
{
    const QString file = Path(QStringLiteral("book.xlsx"));
    Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"}).Get(), file);
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const QString killed = QStringLiteral("book.xlsx.tmp.%1").arg(dead);
    const QString ours = QStringLiteral("book.xlsx.tmp.%1").arg(::getpid());
    const QString running = QStringLiteral("book.xlsx.tmp.%1").arg(::getppid()); // a save still under way
    const QString notOurs = QStringLiteral("book.xlsx.tmp.copy");
    const QString otherBook = QStringLiteral("other.xlsx.tmp.%1").arg(dead);
    for (const QString& name : {killed, ours, running, notOurs, otherBook})
        WriteAll(Path(name), "PK");

    Save(*Karn7Plugin({"10.12.2026 13:08:16", "CH4", "2"}).Get(), file);
    QStringList left = {QStringLiteral("book.xlsx"), running, notOurs, otherBook};
    left.sort();
    EXPECT_EQ(FolderEntries(Dir.path()), left);
    EXPECT_EQ(Load(file)->CellText(3, 3), QStringLiteral("2"));

    // A writer that locks its writes removes them all.
    RemoveTemporaryLeftovers(file, TLeftovers::AllWriters);
    left.removeOne(running);
    EXPECT_EQ(FolderEntries(Dir.path()), left);
}

TEST_F(Workbook, ALockFileLeftBehindIsNamedWithTheOwnerItRecords)
{
    const QByteArray twoNames = [] {
        QByteArray b(1, '\x04');
        b += "ivan";
        b += QByteArray(54 - b.size(), ' ');
        b += QByteArray("\x04\x00", 2);
        for (const char16_t c : u"Иван")
            if (c)
                b += char(c & 0xFF), b += char(c >> 8);
        return b;
    }();
    struct Case {
        const char* lock;
        QByteArray content;
        const char* owner;
    };
    const Case cases[] = {
        {".~lock.book.xlsx#", "Иван Петров,ivan,bench-pc,11.12.2026 03:40,file:///home/ivan/.config/office;",
         "пользователь Иван Петров (ivan), компьютер bench-pc, с 11.12.2026 03:40"},
        {".~lock.book.xlsx#", ",ivan,bench-pc,11.12.2026 03:40,file:///home/ivan/.config/office;",
         "пользователь ivan, компьютер bench-pc, с 11.12.2026 03:40"},
        {".~lock.book.xlsx#", "", "владелец в нем не записан"},
        {"~$book.xlsx", twoNames, "пользователь Иван, с 10.12.2026 09:30"},
        {"~$book.xlsx", QByteArray("\x04ivan", 5), "пользователь ivan, с 10.12.2026 09:30"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("book.xlsx"));
        Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"}).Get(), file);
        const QByteArray before = ReadAll(file);
        const QString lock = dir.filePath(QString::fromUtf8(c.lock));
        WriteAll(lock, c.content);
        {
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.setFileTime(QDateTime(QDate(2026, 12, 10), QTime(9, 30)), QFileDevice::FileModificationTime);
        }
        try {
            Save(*Karn7Plugin({"10.12.2026 13:08:16", "CH4", "2"}).Get(), file);
            ADD_FAILURE() << c.lock << ": saved";
        } catch (const EWorkbookError& E) {
            EXPECT_EQ(QString::fromUtf8(E.what()),
                      QStringLiteral("Файл %1 открыт в другой программе: рядом с ним лежит файл блокировки %2 (%3). "
                                     "Закройте книгу в той программе; если она уже закрыта, удалите этот файл "
                                     "блокировки.")
                          .arg(file, QString::fromUtf8(c.lock), QString::fromUtf8(c.owner)));
        }
        EXPECT_EQ(ReadAll(file), before) << c.lock;
    }
}

TEST_F(Workbook, EveryReasonAFailedSaveGivesReadsInRussian)
{
    QByteArray good;
    {
        auto w = TOoxmlWorkbook::NewWorkbook();
        w->SetCellValue(1, 1, QStringLiteral(" Дата "));
        good = w->ToBytes();
    }
    QByteArray badDeflate = good;
    // Inside the first part's deflated data: its check fails or it no longer inflates.
    for (qsizetype i = 40; i < 60; ++i)
        badDeflate[i] = char(~badDeflate[i]);
    struct Case {
        const char* what;
        const char* name;
        QByteArray content; // empty: no file
        const char* reason;
    };
    const Case cases[] = {
        {"no zip archive", "book.xlsx", QByteArray(600, 'x'), "архив не читается: это не zip-архив"},
        {"damaged data", "book.xlsx", badDeflate, "поврежден"},
        {"damaged XML", "book.xlsx", WithPart(good, "xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\">"),
         "закрывающий тег не соответствует открывающему или документ обрывается"},
        {"legacy binary workbook", "old.xls", QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'),
         "книга старого формата (.xls)"},
        {"a new name of the legacy format", "new.xls", {}, "Выберите имя с расширением .xlsx."},
        {"a new name of the legacy format in capitals", "NEW.XLS", {}, "Выберите имя с расширением .xlsx."},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QString::fromUtf8(c.name));
        if (!c.content.isEmpty())
            WriteAll(file, c.content);
        try {
            Save(*Karn7Plugin({"10.12.2026 13:07:16", "CH4", "1"}).Get(), file);
            ADD_FAILURE() << c.what << ": saved";
        } catch (const EWorkbookError& E) {
            QString text = QString::fromUtf8(E.what());
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.reason))) << c.what << ": " << E.what();
            // Beside part names, Office Open XML and the extensions are the
            // only Latin words.
            text.remove(QRegularExpression(QStringLiteral("[\\w/]+\\.xml\\b")));
            static const QRegularExpression english(QStringLiteral("\\b(?!Office\\b|Open\\b|XML\\b|xlsx?\\b|zip\\b|book\\b|old\\b|new\\b|NEW\\b|XLS\\b)[A-Za-z]{3,}\\b"));
            EXPECT_FALSE(text.remove(dir.path()).contains(english)) << c.what << ": " << E.what();
        }
        EXPECT_EQ(ReadAll(file), c.content) << c.what;
    }
}

// ---- the order of the calls, on a recording application

class TRecordingApplication final : public IWorkbookApplication {
public:
    std::vector<std::string>& Calls;
    std::map<std::pair<int, int>, QString> Cells;
    bool FailSave = false, FailQuit = false, Visibility = false;

    explicit TRecordingApplication(std::vector<std::string>& C) : Calls(C) {}
    void Log(const QString& S) { Calls.push_back(S.toStdString()); }

    bool Visible() override { Log("Visible"); return Visibility; }
    void SetVisible(bool V) override { Log(QStringLiteral("Visible := %1").arg(V)); }
    void Quit() override
    {
        Log("Quit");
        if (FailQuit)
            throw std::runtime_error("quit failed");
    }
    void WorkbooksOpen(const QString& F) override { Log("Workbooks.Open " + QFileInfo(F).fileName()); }
    void WorkbooksAdd(int T) override { Log(QStringLiteral("Workbooks.Add %1").arg(T)); }
    int WorkbooksCount() override { Log("Workbooks.Count"); return 2; }
    void WorkbookActivate(int I) override { Log(QStringLiteral("Workbooks(%1).Activate").arg(I)); }
    QString ActiveSheetName() override { return {}; }
    void SetActiveSheetName(const QString& N) override { Log("ActiveSheet.Name := " + N); }
    void SetCellValue(int R, int C, const QString& V) override
    {
        Log(QStringLiteral("Cells(%1,%2) := %3").arg(R).arg(C).arg(V));
        Cells[{R, C}] = V;
    }
    QString CellFormulaR1C1(int R, int C) override
    {
        Log(QStringLiteral("Cells(%1,%2).FormulaR1C1").arg(R).arg(C));
        return Cells[{R, C}];
    }
    void RangeAutoFormat(int R1, int C1, int R2, int C2) override
    {
        Log(QStringLiteral("Range(%1,%2:%3,%4).AutoFormat").arg(R1).arg(C1).arg(R2).arg(C2));
    }
    void ActiveWorkbookSave() override
    {
        Log("Save");
        if (FailSave)
            throw std::runtime_error("save failed");
    }
    void ActiveWorkbookSaveAs(const QString& F) override { Log("SaveAs " + QFileInfo(F).fileName()); }
    void ActiveWorkbookClose() override { Log("Close"); }
};

class WorkbookCalls : public Workbook {
protected:
    void SetUp() override
    {
        Workbook::SetUp();
        SetWorkbookFactoryForTest([this] {
            auto a = std::make_unique<TRecordingApplication>(Calls);
            Last = a.get();
            a->Visibility = true;
            return a;
        });
    }
    void TearDown() override
    {
        SetWorkbookFactoryForTest({});
        Workbook::TearDown();
    }
    std::vector<std::string> Calls;
    TRecordingApplication* Last = nullptr;
};

TEST_F(WorkbookCalls, ASaveToANewFileMakesTheCallsInTheirOrder)
{
    Save(*MakeColumnsPlugin("Dev", {"A", "B"}, {"1", "2"}).Get(), Path(QStringLiteral("n.xlsx")));
    EXPECT_THAT(Calls, ElementsAreArray(std::vector<std::string>{
                           "Visible", "Visible := 0", "Workbooks.Add -4167", "Workbooks.Count", "Workbooks(2).Activate",
                           "ActiveSheet.Name := Dev", "Cells(1,1) :=  A ", "Cells(1,2) :=  B ",
                           "Cells(1,1).FormulaR1C1", "Cells(2,1).FormulaR1C1", "Cells(1,1).FormulaR1C1",
                           "Cells(1,2).FormulaR1C1", "Cells(1,3).FormulaR1C1", "Cells(2,1) := 1", "Cells(2,2) := 2",
                           "Range(1,1:2,2).AutoFormat", "SaveAs n.xlsx", "Close", "Visible := 1", "Quit"}));
}

TEST_F(WorkbookCalls, AnExistingFileIsOpenedSavedAndClosedAlsoWhenTheSaveFails)
{
    const QString file = Path(QStringLiteral("e.xlsx"));
    WriteAll(file, "x");
    TExcelWork Work(7); // any other mode leaves the visibility
    EXPECT_TRUE(Work.OpenOrCreate(file));
    Last->FailSave = true;
    EXPECT_THROW(Work.SaveAndClose(file), std::runtime_error);
    EXPECT_THAT(Calls, ElementsAre("Visible", "Workbooks.Open e.xlsx", "Workbooks.Count", "Workbooks(2).Activate",
                                   "Save", "Close"));
}

TEST_F(WorkbookCalls, AFailingQuitDoesNotEscapeTheRelease)
{
    {
        TExcelWork Work(0);
        Last->FailQuit = true;
    }
    EXPECT_THAT(Calls, ElementsAre("Visible", "Visible := 1", "Visible := 1", "Quit"));
}

TEST_F(Workbook, TheClassIsRegisteredOnceAndFound)
{
    EXPECT_TRUE(IsExcelInstalled());
    const QByteArray store = ReadAll(Registered.Store.FilePath());
    RegisterWorkbookClass(QStringLiteral("/opt/ostan/ostan")); // the next start
    EXPECT_EQ(ReadAll(Registered.Store.FilePath()), store);
    EXPECT_NE(CreateOleObject(WorkbookClassName), nullptr);
    EXPECT_THROW(CreateOleObject(QStringLiteral("Other.Application")), EOleSysError);

    TTempStore empty;
    EXPECT_FALSE(IsExcelInstalled());
    EXPECT_THROW(TExcelWork(1), EOleSysError);
}

// The program runs for days and appends to one workbook: what a workbook
// holds while it is worked on must not stay in the heap and raise its high
// point with every row added.
class WorkbookMemory : public ::testing::Test {
protected:
    void SetUp() override { MapXmlTrees(); }
};

TEST_F(WorkbookMemory, AWorkbooksCellsAreHeldOutsideTheHeap)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "the C library's allocator is not the one in use";
#else
    const auto HeapInUse = [] {
        const struct mallinfo2 Info = ::mallinfo2();
        return Info.uordblks + Info.hblkhd;
    };
    const std::size_t Before = HeapInUse();
    auto Book = TOoxmlWorkbook::NewWorkbook();
    for (int Row = 1; Row <= 2000; ++Row)
        for (int Column = 1; Column <= 10; ++Column)
            Book->SetCellValue(Row, Column, QStringLiteral("Метан"));
    // 20,000 cells; their tree alone would take megabytes.
    EXPECT_LT(HeapInUse() - Before, std::size_t(512 * 1024));
#endif
}

} // namespace
