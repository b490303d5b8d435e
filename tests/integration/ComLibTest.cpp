// Real in-process servers: the fake plug-in libraries, registered with
// RegisterComServer and created by ProgID, calling back into the program's
// TOstanBack. A loaded library stays loaded, so every test works on copies
// with paths of its own.
#include "BackInterface.h"
#include "ComTestSupport.h"
#include "FakePluginIds.h"
#include "PluginHostSupport.h"

#include <QDir>
#include <QFile>
#include <dlfcn.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ostan;
using namespace ostan::test;

namespace {

QString ClassKey(const TGUID& ClassID) { return QLatin1String("\\CLSID\\") + ClassID.ToString(); }

struct TRaised {
    HRESULT Code = S_OK;
    QString Message;
};

template <class F>
TRaised Raised(F&& Call)
{
    try {
        Call();
    } catch (const EOleSysError& E) {
        return {E.ErrorCode(), E.Message()};
    }
    return {};
}

bool IsLoaded(const QString& Path)
{
    void* H = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (H)
        dlclose(H);
    return H != nullptr;
}

class TRecordingSink : public IOstanBackSink {
public:
    void SendPluginPacket(const TDynamicByteArray& Data) override { Sent.push_back(Data); }
    void RestartDevice() override { ++Restarts; }
    void DisableAutoSwitch() override {}
    std::vector<TDynamicByteArray> Sent;
    int Restarts = 0;
};

class ComLibrary : public ::testing::Test {
protected:
    TTempStore Store;
    QString Dir = Store.DirPath();
};

} // namespace

TEST_F(ComLibrary, RegistersCreatesByProgIDAndUnregisters)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakePlugin"), Dir + QLatin1String("/Plugins"), QStringLiteral("TIRA9.so"));
    RegisterComServer(Path);
    // Loaded for the call, unloaded again.
    EXPECT_FALSE(IsLoaded(Path));

    const QString Key = ClassKey(CLSID_FakePlugin);
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32")), Path);
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32"), QStringLiteral("ThreadingModel")), QString());
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\ProgID")), QStringLiteral("TIRA9.OstanPlugin"));
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("TIRA9.OstanPlugin")), CLSID_FakePlugin);

    {
        ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("TIRA9.OstanPlugin"));
        EXPECT_STREQ(Plugin->GetCaption(), "Fake");
        EXPECT_EQ(QString::fromUtf8(Plugin->GetDescription()), Path);
        EXPECT_EQ(Plugin->GetDevicePicture(), NoPicture);
        EXPECT_STREQ(Plugin->GetColumnCaption(0), "Объект");
        ASSERT_NE(Plugin->GetColumnCaption(1), nullptr);
        EXPECT_STREQ(Plugin->GetColumnCaption(1), "");
    }
    EXPECT_TRUE(IsLoaded(Path)); // created from: stays

    UnregisterComServer(Path);
    EXPECT_FALSE(ClassesRootKeyExists(Key));
    EXPECT_FALSE(ClassesRootKeyExists(QStringLiteral("\\TIRA9.OstanPlugin")));
    EXPECT_EQ(Raised([] { ProgIDToClassID(QStringLiteral("TIRA9.OstanPlugin")); }).Code, CO_E_CLASSSTRING);
}

// Init creates the program's callback through the one class-object table, and
// errors cross from the plug-in to the program as exceptions.
TEST_F(ComLibrary, PluginCallsBackIntoTheProgram)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakePlugin"), Dir, QStringLiteral("Callback.so"));
    RegisterComServer(Path);
    ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("Callback.OstanPlugin"));
    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;

    StopOstanBackServer();
    const TRaised NotOffered = Raised([&] { Plugin->Init(nullptr, PacketLength, DeviceCode); });
    EXPECT_EQ(NotOffered.Code, REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(NotOffered.Message.contains(CLSID_OstanBack.ToString())) << NotOffered.Message.toStdString();

    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    TRecordingSink Sink;
    IOstanBackSink* Previous = SetOstanBackSink(&Sink);
    Plugin->Init(nullptr, PacketLength, DeviceCode);
    EXPECT_EQ(PacketLength, FakePacketLength);
    EXPECT_EQ(DeviceCode, FakeDeviceCode);
    EXPECT_EQ(ProgramComServer().ObjectCount(), 1);
    Plugin->ShowPanel();
    EXPECT_EQ(Sink.Restarts, 1);
    const TDynamicByteArray Packet{0x5F, 0x01, 0x02, 0x03, 0x00};
    EXPECT_TRUE(Plugin->ReceivePacket(Packet));
    ASSERT_EQ(Sink.Sent.size(), 1u);
    EXPECT_EQ(Sink.Sent[0], Packet);

    Plugin.Reset(); // its callback goes with it
    EXPECT_EQ(ProgramComServer().ObjectCount(), 0);
    SetOstanBackSink(Previous);
    StopOstanBackServer();
}

TEST_F(ComLibrary, LoadsEachPathOnce)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakePlugin"), Dir, QStringLiteral("Once.so"));
    const QString ProgID = QStringLiteral("Once.OstanPlugin");
    RegisterComServer(Path);
    ComPtr<IOstanPlugin> First = CreatePlugin(ProgID);
    ComPtr<IOstanPlugin> Second = CreatePlugin(ProgID);
    EXPECT_STREQ(First->GetColumnValue(0), "1");
    EXPECT_STREQ(Second->GetColumnValue(0), "2");
    // Registering again loads and unloads once more; the library stays with its state.
    RegisterComServer(Path);
    EXPECT_STREQ(CreatePlugin(ProgID)->GetColumnValue(0), "3");
    EXPECT_EQ(LoadedComServerFiles().count(Path), 1);
}

// Copies of one library register the same class: the last registration
// decides which file serves it, under every ProgID registered.
TEST_F(ComLibrary, LastRegistrationOfACopyDecides)
{
    const QString Alpha = PlaceLibrary(QStringLiteral("FakePlugin"), Dir, QStringLiteral("Alpha.so"));
    const QString Beta = PlaceLibrary(QStringLiteral("FakePlugin"), Dir, QStringLiteral("Beta.so"));
    RegisterComServer(Alpha);
    RegisterComServer(Beta);
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("Alpha.OstanPlugin")), CLSID_FakePlugin);
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("Beta.OstanPlugin")), CLSID_FakePlugin);
    EXPECT_EQ(QString::fromUtf8(CreatePlugin(QStringLiteral("Alpha.OstanPlugin"))->GetDescription()), Beta);
    RegisterComServer(Alpha);
    EXPECT_EQ(QString::fromUtf8(CreatePlugin(QStringLiteral("Beta.OstanPlugin"))->GetDescription()), Alpha);

    // The same file name in two folders: one ProgID, the later file.
    const QString First = PlaceLibrary(QStringLiteral("FakePlugin"), Dir + QLatin1String("/one"), QStringLiteral("Gamma.so"));
    const QString Second = PlaceLibrary(QStringLiteral("FakePlugin"), Dir + QLatin1String("/two"), QStringLiteral("Gamma.so"));
    RegisterComServer(First);
    RegisterComServer(Second);
    EXPECT_EQ(QString::fromUtf8(CreatePlugin(QStringLiteral("Gamma.OstanPlugin"))->GetDescription()), Second);
}

TEST_F(ComLibrary, RegistrationFailuresNameTheFile)
{
    QFile Text(Dir + QLatin1String("/Notes.so"));
    ASSERT_TRUE(Text.open(QIODevice::WriteOnly));
    Text.write("not a library");
    Text.close();
    const QString Pipe = Dir + QLatin1String("/Pipe.so");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(Dir + QLatin1String("/Folder.so")));
    QFile Whole(FixtureLibrary(QStringLiteral("FakePlugin")));
    ASSERT_TRUE(Whole.open(QIODevice::ReadOnly));
    QFile Short(Dir + QLatin1String("/Cut.so"));
    ASSERT_TRUE(Short.open(QIODevice::WriteOnly));
    Short.write(Whole.read(4000)); // an interrupted copy
    Short.close();
    const QString Cut = Short.fileName();

    struct Case {
        QString Path;
        HRESULT Code;
        QString Says;
    };
    const Case Cases[] = {
        {PlaceLibrary(QStringLiteral("FakePluginNoEntry"), Dir, QStringLiteral("NoEntry.so")), CO_E_ERRORINDLL,
         QStringLiteral("нет точки входа для регистрации")},
        {PlaceLibrary(QStringLiteral("FakePluginRegFails"), Dir, QStringLiteral("Refuses.so")), SELFREG_E_CLASS,
         QString::fromUtf8(FakeRegistrationError)},
        {Text.fileName(), CO_E_ERRORINDLL, QString()},
        {Dir + QLatin1String("/Missing.so"), CO_E_DLLNOTFOUND, QString()},
        // None of these reaches the loader: one would block it, the other end the process with SIGBUS.
        {Pipe, CO_E_ERRORINDLL, QStringLiteral("это не обычный файл")},
        {Dir + QLatin1String("/Folder.so"), CO_E_ERRORINDLL, QStringLiteral("это не обычный файл")},
        {Cut, CO_E_ERRORINDLL, QStringLiteral("файл обрезан")},
    };
    for (const Case& C : Cases) {
        const TRaised R = Raised([&] { RegisterComServer(C.Path); });
        EXPECT_EQ(R.Code, C.Code) << C.Path.toStdString();
        EXPECT_TRUE(R.Message.startsWith(QStringLiteral("Не удалось "))) << R.Message.toStdString();
        EXPECT_TRUE(R.Message.contains(C.Path)) << R.Message.toStdString();
        EXPECT_TRUE(R.Message.contains(C.Says)) << R.Message.toStdString();
    }
    EXPECT_FALSE(ClassesRootKeyExists(QStringLiteral("\\Refuses.OstanPlugin")));
    EXPECT_FALSE(ClassesRootKeyExists(ClassKey(CLSID_FakeRegistrationFails)));
}

TEST_F(ComLibrary, CreationFailures)
{
    // An object without IOstanPlugin: refused, and released again.
    const QString Plain = PlaceLibrary(QStringLiteral("FakePluginNoInterface"), Dir, QStringLiteral("Plain.so"));
    RegisterComServer(Plain);
    EXPECT_EQ(Raised([] { CreatePlugin(QStringLiteral("Plain.OstanPlugin")); }).Code, E_NOINTERFACE);
    void* H = dlopen(QFile::encodeName(Plain).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(H, nullptr);
    auto* CanUnload = reinterpret_cast<TDllCanUnloadNow*>(dlsym(H, DllCanUnloadNowName));
    ASSERT_NE(CanUnload, nullptr);
    EXPECT_EQ(CanUnload(), S_OK);
    dlclose(H);

    // A class registered at a library without DllGetClassObject.
    const QString NoEntry = PlaceLibrary(QStringLiteral("FakePluginNoEntry"), Dir, QStringLiteral("Bare.so"));
    constexpr TGUID Stray = MakeGUID("{3C6F1E2A-9B7D-4C58-A1E4-5D2B7F90C3FF}");
    RegisterInprocServer(Stray, QStringLiteral("Bare.OstanPlugin"), NoEntry, tmSingle);
    TRaised R = Raised([] { CreatePlugin(QStringLiteral("Bare.OstanPlugin")); });
    EXPECT_EQ(R.Code, CO_E_ERRORINDLL);
    EXPECT_TRUE(R.Message.contains(NoEntry)) << R.Message.toStdString();

    // A class registered at a library that serves another one.
    RegisterInprocServer(Stray, QStringLiteral("Bare.OstanPlugin"), Plain, tmSingle);
    R = Raised([] { CreatePlugin(QStringLiteral("Bare.OstanPlugin")); });
    EXPECT_EQ(R.Code, CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_TRUE(R.Message.contains(Plain)) << R.Message.toStdString();
}
