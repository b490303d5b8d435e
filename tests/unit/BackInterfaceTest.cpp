// The program's callback class and its registration at start.
#include "BackInterface.h"
#include "ComTestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ostan;
using ostan::test::ClassesRootKeyExists;
using ostan::test::ReadClassesRoot;
using ostan::test::TTempStore;

namespace {

class TRecordingSink : public IOstanBackSink {
public:
    void SendPluginPacket(const TDynamicByteArray& Data) override
    {
        if (DuringSend)
            DuringSend();
        Calls.push_back("SendPluginPacket");
        Sent.push_back(Data);
    }
    void RestartDevice() override { Calls.push_back("RestartDevice"); }
    void DisableAutoSwitch() override { Calls.push_back("DisableAutoSwitch"); }

    std::vector<std::string> Calls;
    std::vector<TDynamicByteArray> Sent;
    std::function<void()> DuringSend;
};

class TInstalledSink {
public:
    explicit TInstalledSink(IOstanBackSink* Sink) : Previous(SetOstanBackSink(Sink)) {}
    ~TInstalledSink() { SetOstanBackSink(Previous); }

private:
    IOstanBackSink* Previous;
};

const QString ClassKey = QLatin1String("\\CLSID\\") + CLSID_OstanBack.ToString();

HRESULT CreateBackCode()
{
    try {
        CreateComObject(CLSID_OstanBack);
    } catch (const EOleSysError& E) {
        return E.ErrorCode();
    }
    return S_OK;
}

} // namespace

TEST(BackInterface, RegServerRegistersAndStops)
{
    TTempStore Store;
    const QString Program = ProgramFileName();
    const QString ProgID = QFileInfo(Program).completeBaseName() + QLatin1String(".OstanBack");

    EXPECT_TRUE(StartOstanBackServer({Program, QStringLiteral("/REGSERVER")}));
    EXPECT_EQ(ReadClassesRoot(ClassKey + QLatin1String("\\LocalServer32")), Program);
    EXPECT_EQ(ReadClassesRoot(ClassKey + QLatin1String("\\ProgID")), ProgID);
    EXPECT_EQ(ProgIDToClassID(ProgID), CLSID_OstanBack);
    // Stopped before the class object is offered.
    EXPECT_EQ(CreateBackCode(), REGDB_E_CLASSNOTREG);

    EXPECT_TRUE(StartOstanBackServer({Program, QStringLiteral("-unregserver")}));
    EXPECT_FALSE(ClassesRootKeyExists(ClassKey));
    EXPECT_FALSE(ClassesRootKeyExists(QLatin1Char('\\') + ProgID));
}

TEST(BackInterface, NormalStartRegistersAndOffersTheClass)
{
    TTempStore Store;
    EXPECT_FALSE(StartOstanBackServer({ProgramFileName()}));
    EXPECT_EQ(ReadClassesRoot(ClassKey + QLatin1String("\\LocalServer32")), ProgramFileName());
    {
        ComPtr<IOstanBack> Back = ComCast<IOstanBack>(CreateComObject(CLSID_OstanBack));
        EXPECT_EQ(ProgramComServer().ObjectCount(), 1);
    }
    EXPECT_EQ(ProgramComServer().ObjectCount(), 0);
    StopOstanBackServer();
    EXPECT_EQ(CreateBackCode(), REGDB_E_CLASSNOTREG);
}

TEST(BackInterface, RegistrationFailureMattersOnlyWithRegServer)
{
    // A store that cannot be written: its folder is a file.
    TTempStore Store;
    QFile Blocker(Store.DirPath() + QLatin1String("/blocker"));
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    qputenv("OSTAN_REGISTRY", QFile::encodeName(Blocker.fileName() + QLatin1String("/registry.reg")));

    EXPECT_ANY_THROW(StartOstanBackServer({ProgramFileName(), QStringLiteral("/REGSERVER")}));
    EXPECT_TRUE(StartOstanBackServer({ProgramFileName(), QStringLiteral("/UNREGSERVER")}));
    EXPECT_FALSE(StartOstanBackServer({ProgramFileName()}));
    EXPECT_EQ(CreateBackCode(), S_OK); // the program still serves its plug-ins
    StopOstanBackServer();
}

TEST(BackInterface, RelaysToTheSink)
{
    TTempStore Store;
    ASSERT_FALSE(StartOstanBackServer({ProgramFileName()}));
    ComPtr<IOstanBack> Back = ComCast<IOstanBack>(CreateComObject(CLSID_OstanBack));
    StopOstanBackServer();

    TRecordingSink Sink;
    {
        TInstalledSink Installed(&Sink);
        TDynamicByteArray Command{0x21, 0x05, 0x24};
        // The plug-in reuses its buffer while the program is still busy with it.
        Sink.DuringSend = [&Command] { Command[1] = 0x77; };
        Back->SendPacket(Command);
        Back->RestartDevice();
        Back->DisableAutoSwitch();
    }
    EXPECT_EQ(Sink.Calls, (std::vector<std::string>{"SendPluginPacket", "RestartDevice", "DisableAutoSwitch"}));
    ASSERT_EQ(Sink.Sent.size(), 1u);
    EXPECT_EQ(Sink.Sent[0], (TDynamicByteArray{0x21, 0x05, 0x24}));

    // No main window to relay to.
    ASSERT_EQ(OstanBackSink(), nullptr);
    try {
        Back->RestartDevice();
        ADD_FAILURE() << "no exception";
    } catch (const EOleSysError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Недопустимое приведение типа"));
    }
}
