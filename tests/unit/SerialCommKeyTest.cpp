// The live serial-port key merged from a store in memory and a device list.
#include "registry/SerialCommKey.h"

#include <gtest/gtest.h>

using namespace ostan::registry;

TEST(SerialCommKeyTest, FileEntriesComeFirstThenTheSystemsInComOrder)
{
    Store file;
    file.Stamp = 1001;
    RegKey& key = file.At(SerialCommKey);
    key.Put({"/dev/pts/5", VType::String, 0, "COM7"});
    key.Put({"/dev/ttyS0", VType::String, 0, "COM9"});
    const QStringList devices{"/dev/ttyUSB0", "/dev/ttyS0", "/dev/pts/1", "/dev/ttyS2"};
    const std::shared_ptr<const RegKey> merged = MergedLiveKey(file, devices);
    ASSERT_TRUE(merged);
    QStringList seen;
    for (const RegValue& v : merged->Values)
        seen << v.Name + u'=' + v.Text;
    EXPECT_EQ(seen, (QStringList{"/dev/pts/5=COM7", "/dev/ttyS0=COM9", "/dev/ttyS2=COM3", "/dev/ttyUSB0=COM101"}));
    EXPECT_EQ(MergedLiveKey(file, devices), merged); // made once for that version and list
    EXPECT_NE(MergedLiveKey(file, {"/dev/ttyS1"}), merged);
    EXPECT_EQ(file.Find(SerialCommKey)->Values.size(), 2u); // the file's own stays as it is
}

TEST(SerialCommKeyTest, AKeyOnlyTheSystemHasIsSeenWithItsParents)
{
    auto file = std::make_shared<Store>();
    file->Stamp = 1002;
    file->Section("HKEY_LOCAL_MACHINE\\hardware\\Other");
    StoreView view{file, MergedLiveKey(*file, {"/dev/ttyS0"})};
    view.LiveAdded = true;
    EXPECT_TRUE(view.Exists("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP"));
    EXPECT_EQ(view.Spelled("HKEY_LOCAL_MACHINE\\HARDWARE\\devicemap\\serialcomm"),
              "HKEY_LOCAL_MACHINE\\hardware\\DEVICEMAP\\SERIALCOMM");
    EXPECT_EQ(view.ChildNames("HKEY_LOCAL_MACHINE\\HARDWARE"), (QStringList{"Other", "DEVICEMAP"}));
    ASSERT_NE(view.Find("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"), nullptr);
    EXPECT_EQ(view.Find("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM")->Values.size(), 1u);

    EXPECT_EQ(MergedLiveKey(Store(), {}), nullptr); // nothing anywhere: no key
    EXPECT_TRUE(TouchesLiveKey("HKEY_LOCAL_MACHINE\\HARDWARE"));
    EXPECT_FALSE(TouchesLiveKey("HKEY_LOCAL_MACHINE\\SOFTWARE"));
}
