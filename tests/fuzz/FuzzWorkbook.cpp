// Arbitrary files through the workbook reader, and every workbook it could
// read through an append, a format and a write.
//
// Input: a file as it is when it starts with "PK" (a zip archive); anything
// else is the text of the template's parts separated by 0x01 bytes, in the
// order of PartNames, packed into a valid archive, so that the XML readers
// get past the archive's checksums.
//
// Checked: the reader raises EWorkbookError or reads; a workbook it read takes
// the row, and what it writes reads back with that row in it.
#include "OoxmlWorkbook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <zip.h>

using namespace ostan;

namespace {

const char* const PartNames[] = {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                                 "xl/_rels/workbook.xml.rels", "xl/worksheets/sheet1.xml", "xl/styles.xml",
                                 "xl/sharedStrings.xml"};

QByteArray Pack(const QByteArray& Parts)
{
    const QList<QByteArray> texts = Parts.split('\x01');
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &e);
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &e);
    for (qsizetype i = 0; i < texts.size() && i < qsizetype(std::size(PartNames)); ++i)
        zip_file_add(z, PartNames[i], zip_source_buffer(z, texts[i].constData(), zip_uint64_t(texts[i].size()), 0), 0);
    zip_close(z);
    QByteArray bytes;
    zip_stat_t st;
    if (zip_source_open(out) == 0 && zip_source_stat(out, &st) == 0) {
        bytes.resize(qsizetype(st.size));
        zip_source_read(out, bytes.data(), st.size);
        zip_source_close(out);
    }
    zip_source_free(out);
    return bytes;
}

[[noreturn]] void Fail(const char* What, const std::exception& E)
{
    std::fprintf(stderr, "%s: %s\n", What, E.what());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray input(reinterpret_cast<const char*>(Data), qsizetype(Size));
    const QByteArray file = input.startsWith("PK") ? input : Pack(input);
    std::unique_ptr<TOoxmlWorkbook> book;
    try {
        book = TOoxmlWorkbook::FromBytes(file);
    } catch (const EWorkbookError&) {
        return 0;
    }
    QByteArray written;
    int row = 1;
    try {
        while (row < 200 && !book->CellText(row, 1).isEmpty())
            ++row;
        (void)book->SheetName();
        book->SetCellValue(row, 1, QStringLiteral("10.12.2026 13:07:16"));
        book->SetCellValue(row, 2, QStringLiteral("1.5"));
        book->SetCellValue(row, 3, QStringLiteral(" текст "));
        book->AutoFormat(1, 1, row, 3);
        written = book->ToBytes();
    } catch (const EWorkbookError&) {
        return 0; // refused before anything was written
    }
    try {
        const auto back = TOoxmlWorkbook::FromBytes(written);
        if (back->CellText(row, 3) != QStringLiteral(" текст ") || back->CellText(row, 1).isEmpty()) {
            std::fprintf(stderr, "row %d lost in the written workbook\n", row);
            std::abort();
        }
    } catch (const EWorkbookError& E) {
        Fail("the written workbook does not read back", E);
    }
    return 0;
}
