// The package: parts read under the reading budget, relationships resolved,
// and the archive written back with only the changed parts rewritten.
#include "QStringPrinting.h"
#include "StoredParts.h"
#include "WorkbookPackage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace ostan;
using namespace ostan::ooxml;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

namespace {

class WorkbookPackage : public ::testing::Test {
protected:
    void TearDown() override { SetWorkbookLimitsForTest({}); }
};

TEST_F(WorkbookPackage, PartsBeyondTheBudgetAreRefused)
{
    // 4 MB of one letter packs into a few kilobytes.
    const std::string flat(4 << 20, 'a');
    const std::string small = "<a><b/><b/><b/></a>";
    const QByteArray bytes = TPackage::Pack({{"flat.txt", flat.c_str()}, {"small.xml", small.c_str()}});
    struct {
        const char* Name;
        TWorkbookLimits Limits;
        const char* Part;
        const char* Says;
    } cases[] = {
        {"expansion", {}, "flat.txt", "распаковывается из"},
        {"unpacked bytes", {.UnpackedBytes = 100, .Expansion = 1 << 30}, "flat.txt", "больше 1 МБ"},
        {"elements", {.Elements = 3}, "small.xml", "больше 3 элементов"},
    };
    for (const auto& c : cases) {
        SetWorkbookLimitsForTest(c.Limits);
        TPackage package(bytes);
        EXPECT_THAT([&] { package.Read(c.Part); }, ThrowsMessage<EWorkbookError>(HasSubstr(c.Says))) << c.Name;
    }
    SetWorkbookLimitsForTest({.Elements = 4});
    TPackage package(bytes);
    EXPECT_EQ(package.Read("small.xml"), QByteArray::fromStdString(small));
    // The budget is for the parts together: the second read passes it.
    EXPECT_THAT([&] { package.Read("small.xml"); }, ThrowsMessage<EWorkbookError>(HasSubstr("элементов")));

    SetWorkbookLimitsForTest({.PackageBytes = bytes.size() - 1});
    EXPECT_THAT([&] { TPackage{bytes}; }, ThrowsMessage<EWorkbookError>(HasSubstr("файл больше")));
}

TEST_F(WorkbookPackage, UntouchedPartsAreCopiedByteForByteAndChangedOnesWrittenFromTheirTrees)
{
    const QByteArray bytes = TPackage::Pack({{"keep.xml", "<keep>as it was</keep>"},
                                             {"Held.xml", "<held>old</held>"},
                                             {"unchanged.xml", "<held>same</held>"}});
    TPackage package(bytes);
    pugi::xml_document held, unchanged, added;
    package.Load("held.xml", held, "held");
    package.Hold("held.xml", held);
    package.Hold("unchanged.xml", unchanged);
    held.document_element().text().set("new");
    package.MarkChanged("held.xml");
    added.load_string("<added/>");
    package.Add("new/added.xml", added);

    const QByteArray written = package.ToBytes();
    const auto before = test::StoredParts(bytes), after = test::StoredParts(written);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[2], before[2]); // held but never marked changed
    TPackage again(written);
    EXPECT_EQ(again.Read("Held.xml"), R"(<?xml version="1.0"?><held>new</held>)");
    EXPECT_EQ(again.Read("new/added.xml"), R"(<?xml version="1.0"?><added/>)");
    EXPECT_TRUE(again.Has("NEW/ADDED.XML"));
    EXPECT_FALSE(again.Has("missing.xml"));
    EXPECT_THAT([&] { again.Read("missing.xml"); },
                ThrowsMessage<EWorkbookError>(HasSubstr("нет части missing.xml")));
}

TEST_F(WorkbookPackage, RelationshipTargetsBecomePartNames)
{
    pugi::xml_document rels;
    rels.load_string(R"(<Relationships>)"
                     R"(<Relationship Id="rId1" Type="x/hyperlink" Target="http://a/b" TargetMode="External"/>)"
                     R"(<Relationship Id="rId2" Type="x/hyperlink" Target="../media/./a.png"/>)"
                     R"(<Relationship Id="rId3" Type="x/styles" Target="/xl/styles.xml"/>)"
                     R"(</Relationships>)");
    EXPECT_EQ(TPackage::Target(rels, "xl/", "/hyperlink"), "media/a.png");
    EXPECT_EQ(TPackage::Target(rels, "xl/", "/styles"), "xl/styles.xml");
    EXPECT_EQ(TPackage::Target(rels, "xl/", "", "rId3"), "xl/styles.xml");
    EXPECT_EQ(TPackage::Target(rels, "xl/", "/sharedStrings"), "");
    EXPECT_EQ(RelsOf("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(RelsOf("workbook.xml"), "_rels/workbook.xml.rels");
}

} // namespace
