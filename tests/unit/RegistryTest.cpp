#include "Registry.h"
#include "TempStore.h"

#include <QDir>
#include <QFile>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostan;

namespace {

const QString Settings = QStringLiteral("\\SOFTWARE\\Vantrel\\Ostan\\Settings");
const QString SerialComm = QStringLiteral("\\HARDWARE\\DEVICEMAP\\SERIALCOMM");

// Each test gets its own store file and no system serial devices.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Store.IsValid());
        qunsetenv("OSTAN_REGISTRY_READONLY");
        SetSystemSerialDevicesForTest([] { return QStringList(); });
    }
    void TearDown() override
    {
        qunsetenv("OSTAN_REGISTRY_READONLY");
        SetSystemSerialDevicesForTest({});
        SetRegistryWriteFailureForTest(-1);
    }

    QByteArray FileBytes(const QString& P = QString()) const
    {
        QFile f(P.isEmpty() ? Path : P);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void PutFile(const QByteArray& Bytes) const
    {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(Bytes);
    }
    QStringList FilesInDir() const { return QDir(Store.DirPath()).entryList(QDir::Files, QDir::Name); }
    // The settings key with "Port" in it.
    static void WritePort(int32_t Port)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", Port);
    }

    test::TTempStore Store;
    const QString Path = Store.FilePath();
};

std::string MessageOf(const std::function<void()>& Op)
{
    try {
        Op();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace

TEST_F(RegistryTest, TypedValuesRoundTrip)
{
    struct TextCase { QString Name, Value; };
    const TextCase texts[] = {
        {"Name", "text"},
        {"Cyrillic", QString::fromUtf8("Настройка программы")},
        {"Path", R"(C:\Program Files\"Ostan"\ end\)"},
        {"Lines", "first\r\nsecond\nthird"},
        {"Empty", ""},
        {"", "default value"},
        {QString::fromUtf8("Имя \"в\" кавычках\\"), "x"},
    };
    const int32_t numbers[] = {0, 3, 13, -1, INT32_MIN, INT32_MAX};
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        for (const auto& t : texts)
            reg.WriteString(t.Name, t.Value);
        for (int32_t n : numbers)
            reg.WriteInteger(QStringLiteral("N%1").arg(n), n);
        reg.WriteBool("On", true);
        reg.WriteBool("Off", false);
    }
    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    for (const auto& t : texts)
        EXPECT_EQ(reg.ReadString(t.Name), t.Value) << t.Name.toStdString();
    for (int32_t n : numbers)
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("N%1").arg(n)), n);
    EXPECT_TRUE(reg.ReadBool("On"));
    EXPECT_FALSE(reg.ReadBool("Off"));
    EXPECT_EQ(reg.ReadInteger("On"), 1);
}

TEST_F(RegistryTest, NamesCompareCaseInsensitivelyAndKeepTheirSpelling)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", 3);
        reg.WriteInteger("Sound", 1);
        ASSERT_TRUE(reg.OpenKey(QString::fromUtf8("\\SOFTWARE\\Ключ"), true));
        reg.WriteString(QString::fromUtf8("Значение"), "a");
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\software\\VANTREL\\ostan\\SETTINGS", false));
    EXPECT_EQ(reg.ReadInteger("PORT"), 3);
    reg.WriteInteger("port", 7);
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Port", "Sound"}));
    EXPECT_EQ(reg.ReadInteger("Port"), 7);
    EXPECT_TRUE(reg.ValueExists("sOUND"));

    ASSERT_TRUE(reg.OpenKey(QString::fromUtf8("\\software\\КЛЮЧ"), false));
    EXPECT_EQ(reg.ReadString(QString::fromUtf8("ЗНАЧЕНИЕ")), "a");
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"Vantrel", QString::fromUtf8("Ключ")}));
    EXPECT_FALSE(FileBytes().contains("software"));
}

TEST_F(RegistryTest, WritesTheExactFileFormat)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Vantrel", true));
        ASSERT_TRUE(reg.OpenKey("Ostan", true)); // relative to the open key
        EXPECT_TRUE(reg.CreateKey("Settings"));
        ASSERT_TRUE(reg.OpenKey(Settings, false));
        reg.WriteInteger("Port", 3);
        reg.WriteInteger("PortSpeed", 13);
        reg.WriteInteger("Neg", -2);
        reg.WriteString("Name", QString::fromUtf8(R"(Прибор "A"\B)"));
        reg.WriteString("Two", "a\nb");
        ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Other", true)); // created after Vantrel's subtree
        reg.SetRootKey(HKey::ClassesRoot);
        ASSERT_TRUE(reg.OpenKey("Ostan.Plugin\\CLSID", true));
        reg.WriteString("", "{01234567-89AB-CDEF-0123-456789ABCDEF}");
    }
    const QByteArray expected = QString::fromUtf8(
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings]\n"
        "\"Port\"=dword:00000003\n"
        "\"PortSpeed\"=dword:0000000d\n"
        "\"Neg\"=dword:fffffffe\n"
        "\"Name\"=\"Прибор \\\"A\\\"\\\\B\"\n"
        "\"Two\"=hex(1):61,00,0a,00,62,00,00,00\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\Ostan.Plugin]\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\Ostan.Plugin\\CLSID]\n"
        "@=\"{01234567-89AB-CDEF-0123-456789ABCDEF}\"\n"
        "\n").toUtf8();
    EXPECT_EQ(FileBytes().toStdString(), expected.toStdString());

    // Deleting a key takes its subtree; deleting a value only that value.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_TRUE(reg.DeleteValue("neg"));
    EXPECT_FALSE(reg.DeleteValue("neg"));
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Port", "PortSpeed", "Name", "Two"}));
    EXPECT_TRUE(reg.DeleteKey("\\SOFTWARE\\Vantrel"));
    EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\Vantrel\\Ostan"));
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\Other"));
    EXPECT_FALSE(reg.DeleteKey("\\SOFTWARE\\Vantrel"));
}

TEST_F(RegistryTest, ReadsHandWrittenFiles)
{
    // CRLF, a byte-order mark, comments, a parent given only by its child's
    // section, wrapped hex data and a type the store does not use.
    PutFile(QString::fromUtf8(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
        "; comment\r\n"
        "[hkey_local_machine\\SOFTWARE\\Vantrel\\Ostan\\Settings]\r\n"
        "\"Port\"=dword:7\r\n"
        "\"Text\"=hex(1):d0,00,\\\r\n  41,00,00,00\r\n"
        "\"Bin\"=hex:01,02,\\\r\n  03\r\n").toUtf8());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Vantrel", false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"Ostan"});
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_EQ(reg.ReadInteger("Port"), 7);
    EXPECT_EQ(reg.ReadString("Text"), QString::fromUtf8("ÐA"));
    EXPECT_THROW(reg.ReadInteger("Bin"), ERegistryException);
    reg.WriteInteger("Port", 8);
    EXPECT_TRUE(FileBytes().contains("\"Bin\"=hex:01,02,03\n")); // kept through a rewrite
    EXPECT_TRUE(FileBytes().contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings]\n"));
}

TEST_F(RegistryTest, MissingOrWrongTypedValuesRaise)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", 3);
        reg.WriteInteger("Sound", 2);
        reg.WriteString("Name", "x");
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_TRUE(reg.ReadBool("Sound")); // any non-zero DWORD
    struct Case { std::function<void()> Read; const char* Name; };
    const Case cases[] = {
        {[&] { reg.ReadString("Port"); }, "\"Port\""},
        {[&] { reg.ReadInteger("Name"); }, "\"Name\""},
        {[&] { reg.ReadBool("Name"); }, "\"Name\""},
        {[&] { reg.ReadInteger("BLSPinCount"); }, "\"BLSPinCount\""},
        {[&] { reg.ReadString(""); }, "по умолчанию"},
    };
    for (const auto& c : cases) {
        const std::string m = MessageOf(c.Read);
        EXPECT_NE(m.find(c.Name), std::string::npos) << m;
        EXPECT_NE(m.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings"), std::string::npos) << m;
    }
    // Reading with no key open reads the root, which holds nothing.
    TRegistry none;
    EXPECT_FALSE(none.OpenKey("\\SOFTWARE\\Missing", false));
    EXPECT_THROW(none.ReadInteger("Port"), ERegistryException);
    EXPECT_THROW(none.WriteInteger("Port", 1), ERegistryException); // no key open
}

TEST_F(RegistryTest, DamagedFileIsKeptAsideAndReported)
{
    const QByteArray damaged[] = {
        "garbage",
        "Windows Registry Editor Version 4.00\n\n[HKEY_LOCAL_MACHINE\\A]\n",
        "Windows Registry Editor Version 5.00\n\n\"Port\"=dword:00000001\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"Port\"=\"open\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"Port\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"N\"=\"\xC3\x28\"\n",
    };
    int kept = 0;
    for (const QByteArray& bytes : damaged) {
        PutFile(bytes);
        const QString keptAs = Path + QStringLiteral(".corrupt") + (kept ? QStringLiteral(".%1").arg(kept) : QString());
        TRegistry reg;
        const std::string m = MessageOf([&] { reg.KeyExists("\\A"); });
        EXPECT_NE(m.find(Path.toStdString()), std::string::npos) << m;
        EXPECT_NE(m.find(keptAs.toStdString()), std::string::npos) << m;
        EXPECT_EQ(FileBytes(keptAs), bytes) << keptAs.toStdString(); // earlier ones never overwritten
        EXPECT_FALSE(QFile::exists(Path));
        ++kept;
        // The store is empty and writable again.
        EXPECT_FALSE(reg.KeyExists("\\A"));
        ASSERT_TRUE(reg.OpenKey("\\A", true));
        reg.WriteInteger("Port", 1);
        EXPECT_EQ(reg.ReadInteger("Port"), 1);
    }
    EXPECT_EQ(FileBytes(Path + ".corrupt"), damaged[0]);

    // A write that finds the damage applies nothing and keeps the file aside too.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\A", false));
    PutFile("junk");
    const std::string m = MessageOf([&] { reg.WriteInteger("Sound", 1); });
    EXPECT_NE(m.find((Path + ".corrupt." + QString::number(kept)).toStdString()), std::string::npos) << m;
    EXPECT_FALSE(reg.KeyExists("\\A"));
    EXPECT_EQ(FileBytes(Path + ".corrupt." + QString::number(kept)), "junk");
}

TEST_F(RegistryTest, FailedWriteLeavesTheOldFileWhole)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, true));
    reg.WriteInteger("Port", 3);
    reg.WriteString("Name", QString::fromUtf8("Прибор"));
    const QByteArray before = FileBytes();
    const QStringList filesBefore = FilesInDir();

    for (long long failAt : {0LL, 10LL, static_cast<long long>(before.size()) - 1}) {
        SetRegistryWriteFailureForTest(failAt); // the disk fills up part-way
        EXPECT_THROW(reg.WriteInteger("Port", 4), ERegistryException) << failAt;
        EXPECT_THROW(reg.CreateKey("\\SOFTWARE\\New"), ERegistryException) << failAt;
        EXPECT_EQ(FileBytes(), before) << failAt;
        EXPECT_EQ(FilesInDir(), filesBefore) << failAt; // no temporary file left behind
    }
    SetRegistryWriteFailureForTest(-1);
    EXPECT_EQ(reg.ReadInteger("Port"), 3);
    reg.WriteInteger("Port", 4); // the lock was released
    EXPECT_EQ(reg.ReadInteger("Port"), 4);
}

TEST_F(RegistryTest, StoreThatCannotBeWrittenOpensForReadingOnly)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", 3);
    }
    const QByteArray before = FileBytes();
    qputenv("OSTAN_REGISTRY_READONLY", "1");
    EXPECT_FALSE(RegistryWritable());

    TRegistry full;
    EXPECT_FALSE(full.OpenKey(Settings, false)); // counts as missing
    EXPECT_FALSE(full.OpenKey(Settings, true));
    EXPECT_FALSE(full.CreateKey("\\SOFTWARE\\New"));
    EXPECT_TRUE(full.KeyExists(Settings));
    ASSERT_TRUE(full.OpenKeyReadOnly(Settings));
    EXPECT_EQ(full.ReadInteger("Port"), 3);
    EXPECT_THROW(full.WriteInteger("Port", 4), ERegistryException);
    EXPECT_FALSE(full.DeleteValue("Port"));

    TRegistry read(RegAccess::Read);
    ASSERT_TRUE(read.OpenKey(Settings, false));
    EXPECT_EQ(read.ReadInteger("Port"), 3);
    EXPECT_FALSE(read.OpenKey("\\SOFTWARE\\New", true));
    EXPECT_THROW(read.WriteInteger("Port", 4), ERegistryException);

    // A damaged file in a store that cannot be written stays where it is.
    PutFile("junk");
    EXPECT_THROW(read.KeyExists(Settings), ERegistryException);
    EXPECT_EQ(FileBytes(), "junk");
    PutFile(before);
    qunsetenv("OSTAN_REGISTRY_READONLY");

    // Permission bits count too, for a user they stop (root they don't).
    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(Path).constData(), 0444);
        EXPECT_FALSE(full.OpenKey(Settings, false));
        EXPECT_TRUE(read.OpenKey(Settings, false));
    }
}

TEST_F(RegistryTest, SerialPortMapMergesSystemDevicesWithTheFile)
{
    struct Case { const char* Device; const char* Com; };
    const Case names[] = {
        {"/dev/ttyS0", "COM1"},     {"/dev/ttyS3", "COM4"},    {"/dev/ttyUSB0", "COM101"},
        {"/dev/ttyUSB12", "COM113"}, {"/dev/ttyACM1", "COM202"}, {"/dev/pts/5", ""},
        {"/dev/ttyS", ""},          {"/dev/ttyXYZ0", ""},      {"/dev/ttyS1x", ""},
    };
    for (const auto& c : names)
        EXPECT_EQ(ComNameForDevice(c.Device), QString(c.Com)) << c.Device;

    // No devices anywhere: the key is missing.
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(SerialComm));
    EXPECT_FALSE(reg.OpenKey(SerialComm, false));
    EXPECT_EQ(SerialDevicePathForPort(1), QString());

    SetSystemSerialDevicesForTest([] {
        return QStringList{"/dev/ttyUSB1", "/dev/ttyS4", "/dev/pts/3", "/dev/ttyS0", "/dev/ttyACM0"};
    });
    EXPECT_TRUE(reg.KeyExists("\\HARDWARE\\DEVICEMAP"));
    EXPECT_FALSE(QFile::exists(Path)); // enumeration writes nothing
    ASSERT_TRUE(reg.OpenKey("hardware\\devicemap\\serialcomm", false));
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"/dev/ttyS0", "/dev/ttyS4", "/dev/ttyUSB1", "/dev/ttyACM0"}));
    EXPECT_EQ(reg.ReadString("/dev/ttyUSB1"), "COM102");
    EXPECT_EQ(reg.CurrentPath(), "HARDWARE\\DEVICEMAP\\SERIALCOMM"); // as the store spells it

    // Entries of the file go there, come first and win over the system's.
    reg.WriteString("/dev/pts/5", "COM7");
    reg.WriteString("/dev/ttyS0", "COM9");
    reg.WriteString("/dev/pts/9", "com5"); // the system gives COM5 to /dev/ttyS4 as well
    EXPECT_EQ(reg.GetValueNames(),
              (QStringList{"/dev/pts/5", "/dev/ttyS0", "/dev/pts/9", "/dev/ttyS4", "/dev/ttyUSB1", "/dev/ttyACM0"}));
    EXPECT_EQ(reg.ReadString("/dev/ttyS0"), "COM9");
    EXPECT_TRUE(FileBytes().contains("[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"/dev/pts/5\"=\"COM7\"\n"));
    EXPECT_FALSE(FileBytes().contains("ttyUSB1"));

    struct Port { int Num; const char* Device; };
    const Port ports[] = {{7, "/dev/pts/5"}, {9, "/dev/ttyS0"}, {1, ""}, {5, "/dev/pts/9"},
                          {102, "/dev/ttyUSB1"}, {201, "/dev/ttyACM0"}, {0, ""}, {8, ""}};
    for (const auto& p : ports)
        EXPECT_EQ(SerialDevicePathForPort(p.Num), QString(p.Device)) << p.Num;

    // A system entry cannot be deleted; the key stays while the system has devices.
    EXPECT_FALSE(reg.DeleteValue("/dev/ttyUSB1"));
    EXPECT_TRUE(reg.DeleteKey(SerialComm));
    EXPECT_TRUE(reg.KeyExists(SerialComm));
    EXPECT_EQ(SerialDevicePathForPort(7), QString());
    SetSystemSerialDevicesForTest([] { return QStringList(); });
    EXPECT_FALSE(reg.KeyExists(SerialComm));
}

TEST_F(RegistryTest, AnOpenSerialKeyListsTheSystemsDevicesOnce)
{
    // Listing the system's devices walks its device tree: reading the names
    // and every value of the open key lists them once, and the next opening
    // sees a device plugged in meanwhile.
    QStringList devices{"/dev/ttyS0", "/dev/ttyUSB1"};
    int listings = 0;
    SetSystemSerialDevicesForTest([&] {
        ++listings;
        return devices;
    });
    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKeyReadOnly(SerialComm));
    QStringList read;
    for (const QString& name : reg.GetValueNames())
        read << reg.ReadString(name);
    EXPECT_EQ(read, (QStringList{"COM1", "COM102"}));
    EXPECT_EQ(listings, 1);

    devices << "/dev/ttyACM0";
    EXPECT_EQ(reg.GetValueNames().size(), 2);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKeyReadOnly(SerialComm));
    EXPECT_EQ(reg.ReadString("/dev/ttyACM0"), "COM201");
    EXPECT_EQ(listings, 2);
}

TEST_F(RegistryTest, TwoWritersKeepEachOthersWrites)
{
    TRegistry a, b;
    ASSERT_TRUE(a.OpenKey(Settings, true));
    ASSERT_TRUE(b.OpenKey(Settings, false));
    a.WriteInteger("Port", 3);
    b.WriteInteger("Sound", 1);
    a.WriteInteger("PortSpeed", 13);
    EXPECT_EQ(b.ReadInteger("Port"), 3);
    EXPECT_EQ(a.GetValueNames(), (QStringList{"Port", "Sound", "PortSpeed"}));

    // Two processes writing at the same time.
    constexpr int Writes = 25;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failed = 0;
        try {
            TRegistry reg;
            if (!reg.OpenKey(Settings, false))
                ::_exit(2);
            for (int i = 0; i < Writes; ++i)
                reg.WriteInteger(QStringLiteral("Child%1").arg(i), i);
        } catch (...) {
            failed = 1;
        }
        ::_exit(failed);
    }
    for (int i = 0; i < Writes; ++i)
        a.WriteInteger(QStringLiteral("Parent%1").arg(i), i);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int i = 0; i < Writes; ++i) {
        EXPECT_EQ(b.ReadInteger(QStringLiteral("Child%1").arg(i)), i);
        EXPECT_EQ(b.ReadInteger(QStringLiteral("Parent%1").arg(i)), i);
    }
    EXPECT_EQ(b.GetValueNames().size(), 3 + 2 * Writes);
}

TEST_F(RegistryTest, StoreFileLocation)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryFilePath(), Path);
    qunsetenv("OSTAN_REGISTRY");
    qputenv("XDG_CONFIG_HOME", "/x/conf");
    EXPECT_EQ(RegistryFilePath(), "/x/conf/ostan/registry.reg");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/u");
    EXPECT_EQ(RegistryFilePath(), "/home/u/.config/ostan/registry.reg");
    qputenv("HOME", home);
    if (!xdg.isEmpty())
        qputenv("XDG_CONFIG_HOME", xdg);

    // Missing folders are created by the first write.
    const QString deep = Store.DirPath() + "/a/b/registry.reg";
    qputenv("OSTAN_REGISTRY", deep.toUtf8());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, true));
    reg.WriteInteger("Port", 1);
    EXPECT_TRUE(QFile::exists(deep));
}

TEST_F(RegistryTest, AHundredThousandValuesLoad)
{
    // Half in one key, half spread over keys of two values each; a later
    // line for a name already there (in another case) replaces it.
    constexpr int InOneKey = 50000, Keys = 25000;
    QByteArray file = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]\n";
    for (int i = 0; i < InOneKey; ++i)
        file += "\"Value" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16) + "\n";
    file += "\"VALUE7\"=\"replaced\"\n";
    for (int k = 0; k < Keys; ++k) {
        file += "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\Key" + QByteArray::number(k) + "]\n";
        file += "@=\"key " + QByteArray::number(k) + "\"\n\"N\"=dword:00000001\n";
    }
    PutFile(file);

    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Big", false));
    const QStringList names = reg.GetValueNames();
    ASSERT_EQ(names.size(), InOneKey);
    EXPECT_EQ(names.first(), "Value0");
    EXPECT_EQ(names.last(), QStringLiteral("Value%1").arg(InOneKey - 1));
    EXPECT_EQ(reg.ReadString("value7"), "replaced");
    EXPECT_EQ(reg.ReadInteger("Value49999"), 49999);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Many", false));
    EXPECT_EQ(reg.GetKeyNames().size(), Keys);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Many\\key24999", false));
    EXPECT_EQ(reg.ReadString(""), "key 24999");
    EXPECT_EQ(reg.ReadInteger("N"), 1);
}

TEST_F(RegistryTest, AnUpdateWritesItsValuesTogetherOrNotAtAll)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, true));
    reg.WriteInteger("Port", 3);
    const QByteArray before = FileBytes();
    {
        TRegistry cut;
        ASSERT_TRUE(cut.OpenKey(Settings, false));
        cut.BeginUpdate();
        cut.WriteInteger("Port", 4);
        cut.WriteString("Name", "x");
        EXPECT_EQ(reg.ReadInteger("Port"), 3); // not before the end
    } // gone without EndUpdate
    EXPECT_EQ(FileBytes(), before);

    reg.BeginUpdate();
    reg.WriteInteger("Port", 4);
    reg.WriteString("Name", "x");
    EXPECT_EQ(FileBytes(), before);
    reg.EndUpdate();
    EXPECT_EQ(reg.ReadInteger("Port"), 4);
    EXPECT_EQ(reg.ReadString("Name"), "x");
}

TEST_F(RegistryTest, AFileEditedInPlaceIsReadAgain)
{
    // Parsed once and kept while unchanged; an edit of the same size in the
    // same file is still seen.
    PutFile("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"V\"=dword:00000001\n");
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(Path).constData(), longAgo, 0), 0);
    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\A", false));
    EXPECT_EQ(reg.ReadInteger("V"), 1);
    EXPECT_EQ(reg.ReadInteger("V"), 1);
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray text = f.readAll();
    f.seek(text.size() - 2);
    f.write("2");
    f.close();
    EXPECT_EQ(reg.ReadInteger("V"), 2);
}

TEST_F(RegistryTest, ABatchWritesTheFileOnceAsTheSameWritesOneByOneWould)
{
    // The same writes, one by one into a store of their own and in a batch;
    // meanwhile the batch's writes are seen by this process's reads only.
    auto writeAll = [] {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", 3);
        reg.WriteString("Name", "x");
        reg.WriteInteger("Port", 4);
        reg.WriteInteger("Gone", 1);
        EXPECT_TRUE(reg.DeleteValue("gone"));
        reg.SetRootKey(HKey::ClassesRoot);
        ASSERT_TRUE(reg.OpenKey("\\CLSID\\{1}\\InprocServer32", true));
        reg.WriteString("", "/lib/one.so");
        ASSERT_TRUE(reg.OpenKey("\\Old\\Sub", true));
        EXPECT_TRUE(reg.DeleteKey("\\Old"));
        ASSERT_TRUE(reg.OpenKey("\\CLSID\\{1}", false));
        EXPECT_EQ(reg.GetKeyNames(), QStringList{"InprocServer32"});
    };
    PutFile("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"V\"=dword:00000001\n");
    const QByteArray before = FileBytes();
    QByteArray oneByOne;
    {
        test::TTempStore other;
        QFile f(other.FilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
        f.close();
        writeAll();
        oneByOne = FileBytes(other.FilePath());
    }

    test::TStoreWrites writes(Path);
    {
        TRegistryBatch batch;
        writeAll();
        {
            TRegistryBatch inner; // joins the outer one, and going away ends nothing
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey(Settings, false));
            reg.WriteInteger("Port", 4); // as it is: changes nothing
        }
        TRegistry reader(RegAccess::Read);
        ASSERT_TRUE(reader.OpenKey(Settings, false));
        EXPECT_EQ(reader.ReadInteger("Port"), 4);
        EXPECT_EQ(reader.ReadString("Name"), "x");
        reader.SetRootKey(HKey::ClassesRoot);
        EXPECT_FALSE(reader.KeyExists("\\Old"));
        EXPECT_TRUE(reader.KeyExists("\\CLSID\\{1}\\InprocServer32"));
        EXPECT_EQ(FileBytes(), before);
        EXPECT_EQ(writes.Count(), 0);
        batch.Commit();
    }
    EXPECT_EQ(writes.Count(), 1);
    EXPECT_EQ(FileBytes().toStdString(), oneByOne.toStdString());

    // A batch whose writes undo each other writes nothing.
    {
        TRegistryBatch batch;
        writeAll();
    }
    EXPECT_EQ(writes.Count(), 1);

    // The commit of any of its batches ends the transaction.
    {
        TRegistryBatch outer;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, false));
        reg.WriteInteger("Port", 5);
        {
            TRegistryBatch inner;
            inner.Commit();
        }
        EXPECT_EQ(writes.Count(), 2);
        reg.WriteInteger("Port", 6); // at once
        EXPECT_EQ(writes.Count(), 3);
        outer.Commit(); // nothing left to write
    }
    EXPECT_EQ(writes.Count(), 3);
    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_EQ(reg.ReadInteger("Port"), 6);
}

TEST_F(RegistryTest, ABatchKeepsTheWritesOfAnotherProcess)
{
    WritePort(3);
    {
        TRegistryBatch batch;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, false));
        reg.WriteInteger("Sound", 1);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child's own copy of the batch is left as it is.
            int failed = 0;
            try {
                const QByteArray text = FileBytes().replace("\"Port\"=dword:00000003", "\"Port\"=dword:00000007");
                QFile f(Path + ".new");
                failed = !f.open(QIODevice::WriteOnly) || f.write(text) != text.size();
                f.close();
                failed = failed || ::rename(QFile::encodeName(Path + ".new").constData(), QFile::encodeName(Path).constData());
            } catch (...) {
                failed = 1;
            }
            ::_exit(failed);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(reg.ReadInteger("Port"), 3); // the batch's own version meanwhile
    }
    TRegistry reg(RegAccess::Read);
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_EQ(reg.ReadInteger("Port"), 7);
    EXPECT_EQ(reg.ReadInteger("Sound"), 1);
}

TEST_F(RegistryTest, ABatchThatCannotBeWrittenRaisesAndLeavesTheFileWhole)
{
    WritePort(3);
    const QByteArray before = FileBytes();
    const QStringList filesBefore = FilesInDir();
    {
        TRegistryBatch batch;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, false));
        reg.WriteInteger("Port", 4);
        SetRegistryWriteFailureForTest(10);
        EXPECT_THROW(batch.Commit(), ERegistryException);
        SetRegistryWriteFailureForTest(-1);
        EXPECT_EQ(reg.ReadInteger("Port"), 3); // the file as it is
    }
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(FilesInDir(), filesBefore);
}

TEST_F(RegistryTest, ABatchEndedByAnErrorWritesWhatItHolds)
{
    try {
        TRegistryBatch batch;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(Settings, true));
        reg.WriteInteger("Port", 3);
        throw std::runtime_error("the next library fails");
    } catch (const std::runtime_error&) {
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    EXPECT_EQ(reg.ReadInteger("Port"), 3);
}

TEST_F(RegistryTest, ReadsTheWindowsRegistryEditorsExportAndWritesItBackAsUtf8)
{
    QFile fixture(QStringLiteral(OSTAN_SOURCE_DIR "/tests/fixtures/registry/regedit-export.reg"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray exported = fixture.readAll();
    ASSERT_TRUE(exported.startsWith("\xFF\xFE"));
    PutFile(exported);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Settings, false));
    struct Number { const char* Name; int32_t Value; };
    for (const Number& n : {Number{"Port", 7}, {"PortSpeed", 13}, {"Sound", 1}, {"AutoSelectPlugin", 0}, {"BLSPinCount", 5}})
        EXPECT_EQ(reg.ReadInteger(n.Name), n.Value) << n.Name;
    EXPECT_EQ(reg.ReadString(QString::fromUtf8("Мастерская")), QString::fromUtf8("Цех №2"));
    EXPECT_THROW(reg.ReadString("Path"), ERegistryException); // hex(2): kept, of another type
    EXPECT_EQ(SerialDevicePathForPort(7), "/dev/pts/5");
    EXPECT_TRUE(FilesInDir().filter(".corrupt").isEmpty());

    reg.WriteInteger("Port", 8);
    const QByteArray written = FileBytes();
    EXPECT_TRUE(written.startsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_TRUE(written.contains(QString::fromUtf8("\"Мастерская\"=\"Цех №2\"\n").toUtf8()));
    EXPECT_TRUE(written.contains("\"Path\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\n"));
    EXPECT_TRUE(written.contains("\"Bin\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18\n"));
    EXPECT_TRUE(written.contains("\"Port\"=dword:00000008\n"));

    // Cut short: damaged, kept aside.
    PutFile(exported.left(exported.size() - 1));
    EXPECT_THAT(MessageOf([&] { reg.KeyExists(Settings); }), ::testing::HasSubstr("UTF-16"));
    EXPECT_EQ(FileBytes(Path + ".corrupt"), exported.left(exported.size() - 1));
}
