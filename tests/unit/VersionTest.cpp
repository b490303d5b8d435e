#include "Version.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace ostan;

namespace {

TVersionInfo Table(std::vector<std::pair<QString, QString>> Strings, QString Translation = "041904E3")
{
    return TVersionInfo{{TVersionStringTable{Translation, std::move(Strings)}}};
}

struct SubstituteTable {
    explicit SubstituteTable(TVersionInfo T) { SetVersionInfoTableForTest(std::move(T)); }
    ~SubstituteTable() { SetVersionInfoTableForTest(std::nullopt); }
};

} // namespace

TEST(Version, BuiltInResourceGivesVersion24AndTheMaker)
{
    const TVersion v;
    EXPECT_TRUE(v.VersionFound);
    EXPECT_EQ(v.GetVersionParts(), (QStringList{"2", "4", "0", "184"}));
    EXPECT_EQ(v.GetVersionText(), "Версия 2.4");
    EXPECT_FALSE(v.GetLegalText().isEmpty());

    QString value;
    const TVersionInfo& t = GetFileVersionInfoTable();
    EXPECT_TRUE(VerQueryValue(t, "\\StringFileInfo\\041904E3\\FileDescription", value));
    EXPECT_EQ(value, "Программа управления технологическим адаптером");
    EXPECT_TRUE(VerQueryValue(t, "stringfileinfo\\041904e3\\productname", value));
    EXPECT_EQ(value, "Ostan");
    EXPECT_FALSE(VerQueryValue(t, "StringFileInfo\\040904E4\\FileVersion", value));
    EXPECT_FALSE(VerQueryValue(t, "StringFileInfo\\041904E3", value));
}

TEST(Version, OnlyTheRunningProgramHasAResource)
{
    const QString self = QCoreApplication::applicationFilePath();
    const uint32_t size = GetFileVersionInfoSize(self);
    ASSERT_GT(size, 0u);
    TVersionInfo block;
    EXPECT_FALSE(GetFileVersionInfo(self, size - 1, block));
    EXPECT_TRUE(GetFileVersionInfo(self, size, block));
    EXPECT_EQ(GetFileVersionInfoSize("/bin/sh"), 0u);
    EXPECT_FALSE(GetFileVersionInfo("/bin/sh", size, block));
}

TEST(Version, ReaderCases)
{
    const QString notFound = "Информация о разработчике не найдена";
    struct Case {
        const char* name;
        TVersionInfo table;
        bool found;
        QStringList parts;
        QString versionText; // empty: the windows keep their design text
        QString legal;
    };
    const Case cases[] = {
        {"no resource", TVersionInfo{}, false, {}, "", notFound},
        {"other translation", Table({{"FileVersion", "2.4.0.184"}, {"LegalCopyright", "x"}}, "040904E4"), false, {}, "",
         notFound},
        {"one-part version with copyright", Table({{"FileVersion", "7"}, {"LegalCopyright", "© Мастерская"}}), true,
         {"7"}, "", "© Мастерская"},
        {"one-part version alone", Table({{"FileVersion", "7"}}), false, {"7"}, "", notFound},
        {"two parts, no copyright", Table({{"FileVersion", "3.1"}}), true, {"3", "1"}, "Версия 3.1", ""},
        {"empty parts skipped", Table({{"FileVersion", "..5..6."}}), true, {"5", "6"}, "Версия 5.6", ""},
        {"copyright only", Table({{"LegalCopyright", "© Мастерская"}}), true, {}, "", "© Мастерская"},
        {"empty copyright counts", Table({{"LegalCopyright", ""}}), true, {}, "", ""},
        {"no keys", Table({}), false, {}, "", notFound},
    };
    for (const Case& c : cases) {
        SubstituteTable sub(c.table);
        const TVersion v;
        EXPECT_EQ(v.VersionFound, c.found) << c.name;
        EXPECT_EQ(v.GetVersionParts(), c.parts) << c.name;
        EXPECT_EQ(v.GetVersionText(), c.versionText) << c.name;
        EXPECT_EQ(v.GetLegalText(), c.legal) << c.name;
    }
}
