// The store in memory, without a file.
#include "QStringPrinting.h"
#include "registry/RegistryModel.h"

#include <gtest/gtest.h>

using namespace ostan::registry;

namespace {

QStringList PathsOf(const Store& S)
{
    QStringList paths;
    for (const RegKey& key : S.Keys())
        paths << key.Path;
    return paths;
}

} // namespace

TEST(RegistryModelTest, NewKeysGoAfterTheirParentsSubtreeAndExistWithTheirParents)
{
    Store s;
    s.Section("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\X"); // a parent given only by its child
    s.Section("HKEY_LOCAL_MACHINE\\HARDWARE");
    EXPECT_TRUE(s.Ensure("HKEY_LOCAL_MACHINE\\software\\a\\Y"));
    EXPECT_FALSE(s.Ensure("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\y"));
    EXPECT_TRUE(s.Ensure("HKEY_CLASSES_ROOT\\CLSID"));
    // A parent without a section of its own gets one after its parent's subtree too.
    EXPECT_EQ(PathsOf(s), (QStringList{"HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\X", "HKEY_LOCAL_MACHINE\\HARDWARE",
                                       "HKEY_LOCAL_MACHINE\\software", "HKEY_LOCAL_MACHINE\\software\\a",
                                       "HKEY_LOCAL_MACHINE\\software\\a\\Y", "HKEY_CLASSES_ROOT\\CLSID"}));

    struct Case { const char* Path; bool Exists; const char* Spelled; };
    const Case cases[] = {
        {"HKEY_LOCAL_MACHINE", true, "HKEY_LOCAL_MACHINE"},
        {"HKEY_LOCAL_MACHINE\\Software\\a", true, "HKEY_LOCAL_MACHINE\\SOFTWARE\\A"}, // the first key below spells it
        {"HKEY_LOCAL_MACHINE\\software\\A\\y", true, "HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Y"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\B", false, "HKEY_LOCAL_MACHINE\\SOFTWARE\\B"},
        {"HKEY_CLASSES_ROOT\\clsid", true, "HKEY_CLASSES_ROOT\\CLSID"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(s.Exists(c.Path), c.Exists) << c.Path;
        EXPECT_EQ(s.Spelled(c.Path), QString(c.Spelled)) << c.Path;
    }
    EXPECT_EQ(s.ChildNames("HKEY_LOCAL_MACHINE"), (QStringList{"SOFTWARE", "HARDWARE"}));
    EXPECT_EQ(s.ChildNames("HKEY_LOCAL_MACHINE\\SOFTWARE\\A"), (QStringList{"X", "Y"}));

    EXPECT_TRUE(s.EraseSubtree("HKEY_LOCAL_MACHINE\\Software"));
    EXPECT_FALSE(s.EraseSubtree("HKEY_LOCAL_MACHINE\\Software"));
    EXPECT_FALSE(s.Exists("HKEY_LOCAL_MACHINE\\SOFTWARE\\A"));
    EXPECT_EQ(s.Find("HKEY_LOCAL_MACHINE\\hardware"), &s.Keys()[0]); // found at its new place
    EXPECT_EQ(PathsOf(s), (QStringList{"HKEY_LOCAL_MACHINE\\HARDWARE", "HKEY_CLASSES_ROOT\\CLSID"}));
}

TEST(RegistryModelTest, ValuesKeepTheirOrderAndFirstSpelling)
{
    RegKey key("HKEY_LOCAL_MACHINE\\A");
    key.Put({"Port", VType::Dword, 3, {}});
    key.Put({"Name", VType::String, 0, "x"});
    key.Put({"PORT", VType::String, 0, "seven"});
    ASSERT_EQ(key.Values.size(), 2u);
    EXPECT_EQ(key.Values[0], (RegValue{"Port", VType::String, 0, "seven"}));
    ASSERT_NE(key.Find("name"), nullptr);
    EXPECT_EQ(key.Find("name")->Text, "x");
    EXPECT_TRUE(key.Erase("pORT"));
    EXPECT_FALSE(key.Erase("Port"));
    EXPECT_EQ(key.Find("Port"), nullptr);
    ASSERT_NE(key.Find("NAME"), nullptr); // still found after the one before it went
    EXPECT_EQ(key.Find("NAME")->Text, "x");
}
