#pragma once
// An Office Open XML workbook: its active worksheet's cells read and
// written, the package written back with every part it did not change
// copied through as stored (other sheets, charts, styles, document
// properties). The active sheet is read as a stream, in pieces: only its
// skeleton and the rows worked on are held, so a sheet of a million rows
// costs about the memory of its packed file.
//
// Rows and columns count from 1. Every failure raises EWorkbookError with a
// readable Russian message; a workbook that could not be read as a whole is
// never handed out, so nothing is ever written from a half-read file.
#include "PlatformApi.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>

namespace ostan {

class OSTAN_PLATFORM_API EWorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit EWorkbookError(const QString& Message) : std::runtime_error(Message.toStdString()) {}
};

// The notation a cell value is read in: the text of a number as the program
// writes it (with the program's decimal separator), the date and time as
// "dd.MM.yyyy H:mm:ss". Anything else is text.
enum class TCellKind { Number, DateTime, Text };

// What reading a workbook may take. A package beyond it is refused before
// its parts are unpacked, or as soon as what comes out passes a limit, so a
// file that would unpack into gigabytes costs neither the memory nor the
// time. The figures leave room for a few hundred thousand rows of a device.
struct TWorkbookLimits {
    qint64 PackageBytes = qint64(160) << 20;  // the file
    qint64 UnpackedBytes = qint64(160) << 20; // the parts read, together
    int Expansion = 100;                      // unpacked : packed, of a part...
    qint64 ExpansionFrom = qint64(1) << 20;   // ...that unpacks larger than this
    long long Cells = 1'500'000;              // of the active sheet
    long long Strings = 1'500'000;            // shared strings
    long long Elements = 6'000'000;           // of every part read
};

class OSTAN_PLATFORM_API TOoxmlWorkbook {
public:
    ~TOoxmlWorkbook();
    TOoxmlWorkbook(const TOoxmlWorkbook&) = delete;
    TOoxmlWorkbook& operator=(const TOoxmlWorkbook&) = delete;

    // The package's bytes, read whole and checked (zip structure, checksums,
    // the workbook, its active worksheet, shared strings and styles).
    static std::unique_ptr<TOoxmlWorkbook> FromBytes(const QByteArray& Bytes);
    // A new workbook with a single empty worksheet.
    static std::unique_ptr<TOoxmlWorkbook> NewWorkbook();
    // The same workbook as a template (.xltx), which a spreadsheet program
    // opens as a new, unnamed document.
    static QByteArray NewTemplateBytes();

    QString SheetName() const;
    // Raises for a name a spreadsheet refuses: empty, longer than 31
    // characters, or holding one of [ ] : * ? / \.
    void SetSheetName(const QString& Name);

    // The cell's content as the formula bar shows it: "" when empty, the
    // formula with its "=", otherwise the stored value's text.
    QString CellText(int Row, int Column) const;
    // Stores Text the way a spreadsheet takes typed text (see TCellKind);
    // an empty text empties the cell.
    void SetCellValue(int Row, int Column, const QString& Text);
    // The table format of a range: every column wide enough for its texts
    // (never narrowed) and the first row bold.
    void AutoFormat(int Row1, int Column1, int Row2, int Column2);

    // The whole package with the changes.
    QByteArray ToBytes() const;

    static TCellKind KindOf(const QString& Text);

    // Raises when a package of that many bytes is beyond the limits: checked
    // before a file is read.
    static void CheckPackageSize(qint64 Bytes);

    struct TData;

private:
    explicit TOoxmlWorkbook(const QByteArray& Bytes);
    std::unique_ptr<TData> D;
};

// What a long read or write of a workbook calls between its pieces, once
// Every has gone by since the last call, so that the program's events are
// served meanwhile (empty: nothing). It must not close or change the
// workbook being worked on; a turn taken inside a turn is skipped.
OSTAN_PLATFORM_API void SetWorkbookPacer(std::function<void()> Pacer,
                                         std::chrono::milliseconds Every = std::chrono::milliseconds(40));

// Test hook: other limits (a default-constructed value restores them).
OSTAN_PLATFORM_API void SetWorkbookLimitsForTest(const TWorkbookLimits& Limits);

} // namespace ostan
