// The store's file: versions recognised and shared, writes counted.
#include "TempStore.h"
#include "registry/RegistryFile.h"
#include "registry/RegistryFormat.h"

#include <QFile>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

using namespace ostan::registry;

TEST(RegistryFileTest, AnUnchangedFileIsSharedAndAWriteIsOneReplacement)
{
    ostan::test::TTempStore temp;
    const QString path = temp.FilePath();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=dword:00000001\n");
    }
    const auto first = LoadFileStore(path, false);
    EXPECT_EQ(LoadFileStore(path, false), first); // the same bytes: not parsed again
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Native(path).constData(), longAgo, 0), 0);
    EXPECT_EQ(LoadFileStore(path, false), first);

    ostan::test::TStoreWrites writes(path);
    EXPECT_TRUE(Mutate([](Store& S) {
        S.At("HKEY_LOCAL_MACHINE\\A").Put({"W", VType::Dword, 2, {}});
        return true;
    }));
    EXPECT_FALSE(Mutate([](Store&) { return false; })); // changes nothing: writes nothing
    EXPECT_EQ(writes.Count(), 1);
    const auto written = LoadFileStore(path, false);
    EXPECT_NE(written, first);
    EXPECT_EQ(LoadFileStore(path, false), written); // its own write, known at once
    ASSERT_NE(written->Find("HKEY_LOCAL_MACHINE\\A")->Find("W"), nullptr);
    EXPECT_EQ(first->Find("HKEY_LOCAL_MACHINE\\A")->Find("W"), nullptr); // a reader's version stays as it was
}
