// The workbook export on real files: the engine, TExcelWork and the row a
// save appends; the order of the application calls on a recording fake; the
// files it must refuse.
#include "ExcelWork.h"
#include "NumberSeparators.h"
#include "OoxmlApplication.h"
#include "OoxmlWorkbook.h"
#include "WorkbookSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gmock/gmock.h>
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

// The parts of a package: name -> stored (compressed) bytes, in stored order.
std::vector<std::pair<std::string, QByteArray>> StoredParts(const QByteArray& Package)
{
    std::vector<std::pair<std::string, QByteArray>> out;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* s = zip_source_buffer_create(Package.constData(), zip_uint64_t(Package.size()), 0, &e);
    zip_t* z = zip_open_from_source(s, ZIP_RDONLY, &e);
    if (!z) {
        zip_source_free(s);
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), ZIP_FL_COMPRESSED);
        QByteArray bytes;
        char buffer[4096];
        for (zip_int64_t n; f && (n = zip_fread(f, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, qsizetype(n));
        if (f)
            zip_fclose(f);
        out.emplace_back(zip_get_name(z, zip_uint64_t(i), 0), bytes);
    }
    zip_discard(z);
    return out;
}

// The package with one part's content replaced.
QByteArray WithPart(const QByteArray& Package, const char* Name, const QByteArray& Content)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &e);
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &e);
    const auto parts = StoredParts(Package);
    zip_source_t* src = zip_source_buffer_create(Package.constData(), zip_uint64_t(Package.size()), 0, &e);
    zip_t* in = zip_open_from_source(src, ZIP_RDONLY, &e);
    for (zip_int64_t i = 0; i < zip_get_num_entries(in, 0); ++i) {
        const char* name = zip_get_name(in, zip_uint64_t(i), 0);
        zip_source_t* s = std::string_view(name) == Name
                            ? zip_source_buffer(z, Content.constData(), zip_uint64_t(Content.size()), 0)
                            : zip_source_zip(z, in, zip_uint64_t(i), 0, 0, -1);
        zip_file_add(z, name, s, 0);
    }
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
    void SetUp() override { SetSeparatorsForTest(u'.', u' '); }
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

TEST_F(Workbook, ANewFileThatCannotBeWrittenLeavesNothing)
{
    const QString file = Path(QStringLiteral("new.xlsx"));
    SetWorkbookWriteFailureForTest(10);
    EXPECT_THROW(Save(*Karn7Plugin({"1"}).Get(), file), std::exception);
    EXPECT_THAT(FolderEntries(Dir.path()), ElementsAre());
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
TEST(WorkbookMemory, AWorkbooksCellsAreHeldOutsideTheHeap)
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
