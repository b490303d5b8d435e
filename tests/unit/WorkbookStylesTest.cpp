// The styles: a date's cell format and a bold twin found or added once, and
// a style sheet with its relationship and content type for a workbook
// without one.
#include "WorkbookStyles.h"

#include <gtest/gtest.h>

using namespace ostan;
using namespace ostan::ooxml;

namespace {

const char* const ContentTypes =
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)";
const char* const Rels = R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet1.xml"/></Relationships>)";
const char* const Sheet = R"(<styleSheet>)"
                          R"(<numFmts count="1"><numFmt numFmtId="170" formatCode="dd\.mm\.yyyy"/></numFmts>)"
                          R"(<fonts count="2"><font><sz val="11"/></font><font><b/><sz val="11"/></font></fonts>)"
                          R"(<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>)"
                          R"(<xf numFmtId="170" fontId="0" fillId="0" borderId="0"/>)"
                          R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0"/></cellXfs>)"
                          R"(</styleSheet>)";

struct TBook {
    TPackage Package;
    std::string WorkbookPart = "xl/workbook.xml";
    pugi::xml_document WorkbookRels;
    TStyles Styles{Package, WorkbookPart, WorkbookRels};

    explicit TBook(const QByteArray& Bytes) : Package(Bytes)
    {
        Package.Load("xl/_rels/workbook.xml.rels", WorkbookRels, "Relationships");
        Package.Hold("xl/_rels/workbook.xml.rels", WorkbookRels);
    }
};

int Count(const pugi::xml_document& Styles, const char* List)
{
    return Styles.document_element().child(List).attribute("count").as_int();
}

TEST(WorkbookStyles, ADateFormatIsFoundOrAddedOnce)
{
    TBook book(TPackage::Pack({{"[Content_Types].xml", ContentTypes}, {"xl/_rels/workbook.xml.rels", Rels},
                               {"xl/styles.xml", Sheet}}));
    book.Styles.Load("xl/styles.xml");
    EXPECT_EQ(book.Styles.DateXf(R"(dd\.mm\.yyyy)"), 1);
    const int withTime = book.Styles.DateXf(R"(dd\.mm\.yyyy h:mm)");
    EXPECT_EQ(withTime, 3);
    EXPECT_EQ(book.Styles.DateXf(R"(dd\.mm\.yyyy h:mm)"), withTime);
    EXPECT_TRUE(book.Styles.IsDateXf(withTime));
    EXPECT_FALSE(book.Styles.IsDateXf(0));
    const pugi::xml_document& styles = book.Styles.Doc();
    EXPECT_EQ(Count(styles, "numFmts"), 2);
    EXPECT_EQ(Count(styles, "cellXfs"), 4);
    EXPECT_EQ(std::string(styles.document_element().child("numFmts").last_child().attribute("numFmtId").value()), "171");

    // Written back: the style part from its tree.
    TPackage written(book.Package.ToBytes());
    EXPECT_TRUE(written.Read("xl/styles.xml").contains(R"(formatCode="dd\.mm\.yyyy h:mm")"));
}

TEST(WorkbookStyles, ABoldTwinIsAddedOnceAndABoldFormatIsItsOwn)
{
    TBook book(TPackage::Pack({{"[Content_Types].xml", ContentTypes}, {"xl/_rels/workbook.xml.rels", Rels},
                               {"xl/styles.xml", Sheet}}));
    book.Styles.Load("xl/styles.xml");
    EXPECT_EQ(book.Styles.BoldXf(2), 2);
    const int bold = book.Styles.BoldXf(1);
    EXPECT_EQ(bold, 3);
    EXPECT_EQ(book.Styles.BoldXf(1), bold);
    EXPECT_EQ(book.Styles.BoldXf(bold), bold);
    const int plain = book.Styles.BoldXf(99); // an unknown format is the plain one
    EXPECT_EQ(book.Styles.BoldXf(0), plain);
    const pugi::xml_node twin = book.Styles.Doc().document_element().child("cellXfs").find_child_by_attribute(
        "xf", "applyFont", "1");
    EXPECT_EQ(std::string(twin.attribute("numFmtId").value()), "170");
    const int font = twin.attribute("fontId").as_int();
    std::vector<pugi::xml_node> fonts;
    for (pugi::xml_node f : book.Styles.Doc().document_element().child("fonts").children("font"))
        fonts.push_back(f);
    ASSERT_LT(size_t(font), fonts.size());
    EXPECT_TRUE(fonts[size_t(font)].child("b"));
}

TEST(WorkbookStyles, AWorkbookWithoutAStyleSheetGetsOneWithItsRelationshipAndContentType)
{
    // styles.xml is taken by another part: the new one is named beside it.
    TBook book(TPackage::Pack({{"[Content_Types].xml", ContentTypes}, {"xl/_rels/workbook.xml.rels", Rels},
                               {"xl/styles.xml", "<other/>"}}));
    const int date = book.Styles.DateXf(R"(dd\.mm\.yyyy)");
    EXPECT_EQ(date, 1);
    TPackage written(book.Package.ToBytes());
    EXPECT_EQ(written.Read("xl/styles.xml"), "<other/>");
    const QByteArray styles = written.Read("xl/styles2.xml");
    EXPECT_TRUE(styles.contains(R"(formatCode="dd\.mm\.yyyy")"));
    EXPECT_TRUE(written.Read("xl/_rels/workbook.xml.rels")
                    .contains(R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/)"
                              R"(2006/relationships/styles" Target="styles2.xml"/>)"));
    EXPECT_TRUE(written.Read("[Content_Types].xml").contains(R"(PartName="/xl/styles2.xml")"));
}

} // namespace
