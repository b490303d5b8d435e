// How the settings reach the store: one save is one transaction, whatever
// stops the process between values; a damaged store is reported by name.
#include "MessageBox.h"
#include "Options.h"
#include "QStringPrinting.h"
#include "Registry.h"
#include "TempStore.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ostan;

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        SetSystemSerialDevicesForTest([] { return QStringList(); });
    }
    void TearDown() override
    {
        SetRegistryValueHookForTest({});
        SetSystemSerialDevicesForTest({});
    }

    static void Fill(TOptionsDlg& D, int Port, int Speed, bool Sound, bool Auto, int Pins)
    {
        D.Port = Port;
        D.PortSpeed = Speed;
        D.Sound = Sound;
        D.AutoSelectPlugin = Auto;
        D.BLSPinCount = Pins;
    }
    static std::vector<int> Stored()
    {
        std::vector<int> V;
        TRegistry R(RegAccess::Read);
        if (!R.OpenKeyReadOnly(TOptionsDlg::SettingsKey))
            return V;
        for (const char* Name : {"Port", "PortSpeed", "Sound", "AutoSelectPlugin", "BLSPinCount"})
            V.push_back(R.ValueExists(Name) ? R.ReadInteger(Name) : -1);
        return V;
    }
    QStringList FilesBeside() const { return QDir(Store.DirPath()).entryList(QDir::Files, QDir::Name); }

    test::TTempStore Store;
    MessageBoxRecorder Boxes;
};

} // namespace

TEST_F(SettingsStore, ASaveStoppedBetweenValuesLeavesTheOldSettingsWhole)
{
    TOptionsDlg D;
    Fill(D, 3, 12, false, false, 4);
    D.SaveSettings();
    const std::vector<int> Old{3, 12, 0, 0, 4};
    ASSERT_EQ(Stored(), Old);

    Fill(D, 7, 13, true, true, 5);
    for (const char* KilledAfter : {"Port", "PortSpeed", "Sound", "AutoSelectPlugin", "BLSPinCount"}) {
        SCOPED_TRACE(KilledAfter);
        const pid_t Child = ::fork();
        ASSERT_GE(Child, 0);
        if (Child == 0) {
            // The process dies right after this value, as a kill would end it.
            SetRegistryValueHookForTest([KilledAfter](const QString& Name) {
                if (Name == QLatin1String(KilledAfter))
                    ::_exit(0);
            });
            D.SaveSettings();
            ::_exit(1);
        }
        int Status = 0;
        ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
        ASSERT_TRUE(WIFEXITED(Status));
        EXPECT_EQ(WEXITSTATUS(Status), 0); // it did reach that value
        EXPECT_EQ(Stored(), Old);
    }

    // What a killed writer left beside the store goes with the next write.
    for (const char* Left : {"registry.reg.tmp.99999", "registry.reg.tmp.4242"}) {
        QFile F(Store.DirPath() + "/" + Left);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("half a store");
    }
    D.SaveSettings();
    EXPECT_EQ(Stored(), (std::vector<int>{7, 13, 1, 1, 5}));
    EXPECT_EQ(FilesBeside(), (QStringList{"registry.reg", "registry.reg.lock"}));
}

TEST_F(SettingsStore, TheBoxForADamagedStoreNamesTheFileKeptAside)
{
    const QString Kept = Store.FilePath() + ".corrupt";
    // Found by the settings themselves, or earlier by another reader whose
    // error went unseen (the start-up registers its classes first).
    for (bool FoundEarlier : {false, true}) {
        SCOPED_TRACE(FoundEarlier);
        QFile::remove(Kept);
        QFile F(Store.FilePath());
        ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
        F.write("not a store");
        F.close();
        if (FoundEarlier) {
            EXPECT_THROW(TRegistry().KeyExists(TOptionsDlg::SettingsKey), ERegistryException);
        }
        Boxes.Clear();
        TOptionsDlg D;
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Type, MsgType::Error);
        const QString Text = Boxes.Boxes[0].Text;
        EXPECT_TRUE(Text.startsWith("Ошибка чтения реестра.\rПроверьте настройки программы и перезапустите ее."))
            << Text.toStdString();
        EXPECT_TRUE(Text.contains(Kept)) << Text.toStdString();
        EXPECT_TRUE(QFile::exists(Kept));
    }
}

TEST_F(SettingsStore, TheBoxForAStoreThatCannotBeReadSaysWhy)
{
    struct Case {
        const char* What;
        QByteArray Content; // empty: the store is a folder
        const char* Says;
    };
    const Case Cases[] = {
        {"a value name with a NUL",
         QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings]\n"
                    "\"Po\0rt\"=dword:00000003\n", 114),
         "строка 4: нулевой байт в имени значения"},
        {"a folder", {}, "это не обычный файл, а папка"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        QDir(Store.DirPath()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(Store.DirPath()));
        if (C.Content.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(Store.FilePath()));
        } else {
            QFile F(Store.FilePath());
            ASSERT_TRUE(F.open(QIODevice::WriteOnly));
            F.write(C.Content);
        }
        Boxes.Clear();
        TOptionsDlg D;
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        const QString Text = Boxes.Boxes[0].Text;
        EXPECT_TRUE(Text.startsWith("Ошибка чтения реестра.\rПроверьте настройки программы и перезапустите ее.\r\r"))
            << Text.toStdString();
        EXPECT_TRUE(Text.contains(Store.FilePath())) << Text.toStdString();
        EXPECT_TRUE(Text.contains(QString::fromUtf8(C.Says))) << Text.toStdString();
    }
}
