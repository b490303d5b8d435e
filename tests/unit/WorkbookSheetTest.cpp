// The sheet: rows and cells placed in order, implicit positions made
// explicit before a change, the dimension and the column widths kept.
#include "OoxmlWorkbook.h"
#include "WorkbookSheet.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace ostan;
using namespace ostan::ooxml;

namespace {

std::string Xml(const pugi::xml_node& N)
{
    std::ostringstream out;
    N.print(out, "", pugi::format_raw);
    return out.str();
}

void Open(TSheet& Sheet, const char* SheetData, const char* Before = R"(<dimension ref="A1"/>)")
{
    ASSERT_TRUE(Sheet.Doc.load_string((std::string("<worksheet>") + Before + SheetData + "</worksheet>").c_str()));
    Sheet.Open();
}

TEST(WorkbookSheet, RowsAndCellsArePlacedInOrderAndTheDimensionFollows)
{
    TSheet sheet;
    Open(sheet, R"(<sheetData><row r="2" spans="2:2"><c r="B2"/></row><row r="5"><c r="C5"/></row></sheetData>)");
    const auto place = [&sheet](int Row, int Column) {
        sheet.CellNode(sheet.RowNode(Row), Row, Column);
        sheet.Extend(Row, Column);
        sheet.UpdateDimension();
    };
    place(9, 1);  // after the last row
    place(3, 4);  // between rows
    place(2, 1);  // before a row's first cell
    place(2, 2);  // a cell that is there
    EXPECT_EQ(Xml(sheet.Data), R"(<sheetData><row r="2"><c r="A2"/><c r="B2"/></row><row r="3"><c r="D3"/></row>)"
                               R"(<row r="5"><c r="C5"/></row><row r="9"><c r="A9"/></row></sheetData>)");
    EXPECT_EQ(std::string(sheet.Doc.document_element().child("dimension").attribute("ref").value()), "A2:D9");
    EXPECT_EQ(Xml(TSheet::FindCell(sheet.Rows.at(5), 3)), R"(<c r="C5"/>)");
    EXPECT_FALSE(TSheet::FindCell(sheet.Rows.at(5), 2));
}

TEST(WorkbookSheet, ImplicitPositionsAreMadeExplicitBeforeAChange)
{
    TSheet sheet;
    Open(sheet, R"(<sheetData><row><c/><c r="C1"/><c/></row><row/><row r="4"><c/></row></sheetData>)");
    EXPECT_EQ(sheet.MaxRow, 4);
    EXPECT_EQ(sheet.MaxColumn, 4);
    sheet.MakeRefsExplicit();
    EXPECT_EQ(Xml(sheet.Data), R"(<sheetData><row r="1"><c r="A1"/><c r="C1"/><c r="D1"/></row><row r="2"/>)"
                               R"(<row r="4"><c r="A4"/></row></sheetData>)");
}

TEST(WorkbookSheet, SheetsOutOfOrderAreRefused)
{
    const char* const cases[] = {
        R"(<sheetData><row r="3"/><row r="2"/></sheetData>)",
        R"(<sheetData><row r="2"/><row r="2"/></sheetData>)",
        R"(<sheetData><row r="1"><c r="B1"/><c r="A1"/></row></sheetData>)",
        R"(<sheetData><row r="1"><c r="A2"/></row></sheetData>)",
        R"(<sheetData><row r="1048577"/></sheetData>)",
        R"(<sheetData><row r="1"><c r="XFE1"/></row></sheetData>)",
        R"(<cols/>)",
    };
    for (const char* c : cases) {
        TSheet sheet;
        ASSERT_TRUE(sheet.Doc.load_string((std::string("<worksheet>") + c + "</worksheet>").c_str()));
        EXPECT_THROW(sheet.Open(), EWorkbookError) << c;
    }
}

TEST(WorkbookSheet, AColumnIsWidenedAloneAndNeverNarrowed)
{
    TSheet sheet;
    Open(sheet, "<sheetData/>", R"(<cols><col min="1" max="3" width="5"/><col min="6" max="6" width="30"/></cols>)");
    sheet.Widen(2, 10);
    sheet.Widen(6, 12);
    sheet.Widen(4, 8);
    EXPECT_EQ(Xml(sheet.Doc.document_element().child("cols")),
              R"(<cols><col min="1" max="1" width="5"/><col min="2" max="2" width="10" customWidth="1"/>)"
              R"(<col min="3" max="3" width="5"/><col min="4" max="4" width="8" customWidth="1"/>)"
              R"(<col min="6" max="6" width="30"/></cols>)");

    TSheet bare;
    Open(bare, "<sheetData/>", "");
    bare.Widen(3, 7);
    EXPECT_EQ(Xml(bare.Doc.document_element()),
              R"(<worksheet><cols><col min="3" max="3" width="7" customWidth="1"/></cols><sheetData/></worksheet>)");
}

} // namespace
