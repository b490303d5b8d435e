// Every workbook the engine writes opens in two independent readers (the
// Python workbook library and a headless spreadsheet program converting to
// CSV) and shows the cells it should; a spreadsheet-made workbook keeps its
// second sheet, chart and styles after our rows.
#include "ExcelWork.h"
#include "NumberSeparators.h"
#include "WorkbookSupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gmock/gmock.h>

using namespace ostan;
using namespace ostan::test;

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");
const QString Soffice = QStringLiteral("/usr/bin/soffice");

QByteArray RunTool(const QString& Program, const QStringList& Args, QByteArray* Err = nullptr)
{
    QProcess p;
    p.start(Program, Args);
    EXPECT_TRUE(p.waitForFinished(180000)) << Program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << Program.toStdString() << ": " << p.readAllStandardError().toStdString();
    if (Err)
        *Err = p.readAllStandardError();
    return p.readAllStandardOutput();
}

// One CSV file as rows of fields.
std::vector<QStringList> ReadCsv(const QString& Path)
{
    std::vector<QStringList> rows;
    const QString text = QString::fromUtf8(ReadAll(Path));
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << std::exchange(field, QString());
        } else if (c == u'\n') {
            row << std::exchange(field, QString());
            rows.push_back(std::exchange(row, {}));
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows.push_back(row << field);
    return rows;
}

QJsonObject Number(double V) { return QJsonObject{{QStringLiteral("number"), V}}; }
QJsonObject Date(const char* Iso) { return QJsonObject{{QStringLiteral("date"), QString::fromUtf8(Iso)}}; }

TEST(WorkbookReaders, ShowTheCellsWeWroteAndKeepWhatTheWorkbookHad)
{
    if (!QFileInfo::exists(Python) || !QFileInfo::exists(Soffice)
        || QProcess::execute(Python, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) != 0)
        GTEST_SKIP() << "python3-openpyxl or libreoffice-calc-nogui missing: run scripts/bootstrap.sh";

    SetSeparatorsForTest(u'.', u' ');
    TWorkbookStore registered;
    QTemporaryDir dir;
    auto save = [](IOstanPlugin& Plugin, const QString& File) {
        TExcelWork Work(1);
        SaveDeviceRow(Work, Plugin, File);
    };
    const QList<QByteArray> karnCaptions = {"Дата, время", "Тип БД", "Текущая конц., %"};
    const QString fresh = dir.filePath(QStringLiteral("new.xlsx"));
    save(*MakeColumnsPlugin("Блок датчкика KARN-7E/8", karnCaptions, {"10.12.2026 13:07:16", "CH4", "1.25"}).Get(), fresh);
    save(*MakeColumnsPlugin("Блок датчкика KARN-7E/8", karnCaptions, {"10.12.2026 13:08:00", "CO", "-0.5"}).Get(), fresh);
    const QString kinds = dir.filePath(QStringLiteral("kinds.xlsx"));
    save(*MakeColumnsPlugin("Kinds", {"t", "e", "n", "s", "z"}, {"1.02.2026 9:05", "2.5E-3", "-7", "О2 \"норма\", <ок>", "007"}).Get(),
         kinds);
    const QString original = WorkbookFixture(QStringLiteral("LibreOfficeMade.xlsx"));
    const QString made = dir.filePath(QStringLiteral("made.xlsx"));
    WriteAll(made, ReadAll(original));
    save(*MakeColumnsPlugin("Блок", karnCaptions, {"10.12.2026 13:07:16", "CH4", "1.25"}).Get(), made);
    ResetSeparatorsForTest();

    // The Python reader.
    QByteArray warnings;
    const QJsonObject books =
        QJsonDocument::fromJson(RunTool(Python, {QStringLiteral(OSTAN_SOURCE_DIR "/tests/integration/dump_workbooks.py"),
                                             fresh, kinds, made, original}, &warnings))
            .object();
    const QJsonObject freshBook = books[fresh].toObject();
    EXPECT_EQ(freshBook[QStringLiteral("active")].toString(), QStringLiteral("Блок датчкика KARN-7E_8"));
    EXPECT_EQ(freshBook[QStringLiteral("warnings")].toArray(), QJsonArray());
    const QJsonObject freshSheet = freshBook[QStringLiteral("sheets")][QStringLiteral("Блок датчкика KARN-7E_8")].toObject();
    EXPECT_EQ(freshSheet[QStringLiteral("cells")].toObject(),
              (QJsonObject{{"A1", " Дата, время "}, {"B1", " Тип БД "}, {"C1", " Текущая конц., % "},
                           {"A2", Date("2026-12-10T13:07:16")}, {"B2", "CH4"}, {"C2", Number(1.25)},
                           {"A3", Date("2026-12-10T13:08:00")}, {"B3", "CO"}, {"C3", Number(-0.5)}}));
    EXPECT_EQ(freshSheet[QStringLiteral("bold")].toArray(), (QJsonArray{"A1", "B1", "C1"}));

    const QJsonObject kindsBook = books[kinds].toObject();
    EXPECT_EQ(kindsBook[QStringLiteral("warnings")].toArray(), QJsonArray());
    const QJsonObject kindCells = kindsBook[QStringLiteral("sheets")][QStringLiteral("Kinds")][QStringLiteral("cells")].toObject();
    EXPECT_EQ(kindCells[QStringLiteral("A2")].toObject(), Date("2026-02-01T09:05:00"));
    EXPECT_EQ(kindCells[QStringLiteral("B2")].toObject(), Number(0.0025));
    EXPECT_EQ(kindCells[QStringLiteral("C2")].toObject(), Number(-7));
    EXPECT_EQ(kindCells[QStringLiteral("D2")].toString(), QStringLiteral("О2 \"норма\", <ок>"));
    EXPECT_EQ(kindCells[QStringLiteral("E2")].toObject(), Number(7));

    // The spreadsheet-made workbook: as before, plus our row under its own
    // header, and its header still bold over all four columns.
    const QJsonObject before = books[original].toObject(), after = books[made].toObject();
    ASSERT_FALSE(before.contains(QStringLiteral("error"))) << before[QStringLiteral("error")].toString().toStdString();
    EXPECT_EQ(after[QStringLiteral("warnings")], before[QStringLiteral("warnings")]);
    EXPECT_EQ(after[QStringLiteral("active")], before[QStringLiteral("active")]);
    EXPECT_EQ(after[QStringLiteral("sheets")][QStringLiteral("График")], before[QStringLiteral("sheets")][QStringLiteral("График")]);
    EXPECT_EQ(after[QStringLiteral("sheets")][QStringLiteral("График")][QStringLiteral("charts")].toInt(), 1);
    QJsonObject data = before[QStringLiteral("sheets")][QStringLiteral("Данные")].toObject();
    QJsonObject cells = data[QStringLiteral("cells")].toObject();
    cells.insert(QStringLiteral("A4"), Date("2026-12-10T13:07:16"));
    cells.insert(QStringLiteral("B4"), QStringLiteral("CH4"));
    cells.insert(QStringLiteral("C4"), Number(1.25));
    data.insert(QStringLiteral("cells"), cells);
    EXPECT_EQ(after[QStringLiteral("sheets")][QStringLiteral("Данные")].toObject(), data);

    // The spreadsheet program, once for all files, every sheet to CSV with
    // the cells as shown.
    const QString out = dir.filePath(QStringLiteral("csv"));
    RunTool(Soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                  QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"),
                  QStringLiteral("--outdir"), out, fresh, kinds, made});
    using Rows = std::vector<QStringList>;
    EXPECT_EQ(ReadCsv(out + QStringLiteral("/new-Блок датчкика KARN-7E_8.csv")),
              (Rows{{" Дата, время ", " Тип БД ", " Текущая конц., % "},
                    {"10.12.2026 13:07:16", "CH4", "1.25"},
                    {"10.12.2026 13:08:00", "CO", "-0.5"}}));
    EXPECT_EQ(ReadCsv(out + QStringLiteral("/kinds-Kinds.csv")),
              (Rows{{" t ", " e ", " n ", " s ", " z "}, {"01.02.2026 9:05", "0.0025", "-7", "О2 \"норма\", <ок>", "7"}}));
    EXPECT_EQ(ReadCsv(out + QStringLiteral("/made-Данные.csv")),
              (Rows{{" Дата, время ", " U1 ", " U2 ", " Примечание "},
                    {"01.02.2026 9:15:00", "1.5", "2.25", "первая"},
                    {"01.02.2026 9:20:00", "1.75", "2.5", "вторая"},
                    {"10.12.2026 13:07:16", "CH4", "1.25", ""}}));
    EXPECT_EQ(ReadCsv(out + QStringLiteral("/made-График.csv")).size(), 6u);
}

} // namespace
