// Device libraries built with the plug-in framework, registered with
// RegisterComServer, created by ProgID and driven in the program's order of
// the scan and of an activation. The callback class in the process's
// class-object table records every object it makes. A loaded library stays
// loaded, so every test works on copies with paths of their own.
#include "ComTestSupport.h"
#include "FakePluginIds.h"
#include "Picture.h"
#include "PluginHostSupport.h"
#include "RecordingBack.h"

#include <QFile>
#include <QPointer>
#include <QWidget>
#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace ostan;
using namespace ostan::test;

namespace {

HRESULT CanUnloadNow(const QString& Path)
{
    void* H = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!H)
        return E_FAIL;
    auto* Entry = reinterpret_cast<TDllCanUnloadNow*>(dlsym(H, DllCanUnloadNowName));
    const HRESULT Code = Entry ? Entry() : E_FAIL;
    dlclose(H);
    return Code;
}

void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

bool Near(QRgb P, int R, int G, int B)
{
    return std::abs(qRed(P) - R) < 40 && std::abs(qGreen(P) - G) < 40 && std::abs(qBlue(P) - B) < 40;
}

class PluginLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        Placeholder.resize(640, 480);
        Placeholder.show();
        TakeEvents();
    }
    void TearDown() override
    {
        FlushDeferredDeletes();
        EXPECT_EQ(Back.Objects(), 0);
    }

    TTempStore Store;
    QString Dir = Store.DirPath();
    TOfferedRecordingBack Back;
    QWidget Placeholder;
};

} // namespace

TEST_F(PluginLibrary, RegistersTheProfileClassUnderItsFileName)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFramework"), Dir + QLatin1String("/Plugins"), QStringLiteral("DEV7.so"));
    RegisterComServer(Path);
    const QString Key = QLatin1String("\\CLSID\\") + CLSID_FakeFramework.ToString();
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32")), Path);
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32"), QStringLiteral("ThreadingModel")), QString());
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\ProgID")), QStringLiteral("DEV7.OstanPlugin"));
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("DEV7.OstanPlugin")), CLSID_FakeFramework);
    EXPECT_TRUE(TakeEvents().isEmpty()); // registering makes no object
}

TEST_F(PluginLibrary, ScanNeverMakesTheCallback)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFramework"), Dir, QStringLiteral("Scan.so"));
    RegisterComServer(Path);

    TPicture Copies[3];
    ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("Scan.OstanPlugin"));
    Plugin->LoadPictures();
    const QString Caption = QString::fromUtf8(Plugin->GetCaption());
    const QString Description = QString::fromUtf8(Plugin->GetDescription());
    const intptr_t Pictures[3] = {Plugin->GetDevicePicture(), Plugin->GetConnectionPictureBLS4(),
                                  Plugin->GetConnectionPictureBLS5()};
    for (int i = 0; i < 3; ++i)
        if (Pictures[i] != NoPicture)
            Copies[i].Assign(reinterpret_cast<const TPicture*>(Pictures[i]));
    Plugin.Reset();

    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "panel destroyed"}));
    EXPECT_EQ(Caption, QStringLiteral("Фейк-2"));
    EXPECT_EQ(Description, QStringLiteral("Прибор для испытаний каркаса"));
    // The device picture is the library's own JPEG: green left, yellow right.
    ASSERT_NE(Pictures[0], NoPicture);
    ASSERT_EQ(Copies[0].Width(), 24);
    ASSERT_EQ(Copies[0].Height(), 16);
    EXPECT_TRUE(Near(Copies[0].Graphic().pixel(2, 8), 0, 160, 0));
    EXPECT_TRUE(Near(Copies[0].Graphic().pixel(21, 8), 255, 255, 0));
    EXPECT_EQ(Pictures[1], NoPicture);
    ASSERT_NE(Pictures[2], NoPicture);
    EXPECT_TRUE(Copies[2].Empty());
    EXPECT_EQ(CanUnloadNow(Path), S_OK);
}

TEST_F(PluginLibrary, ActivationInTheProgramsOrder)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFramework"), Dir, QStringLiteral("Active.so"));
    RegisterComServer(Path);
    ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("Active.OstanPlugin"));
    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;
    Plugin->Init(&Placeholder, PacketLength, DeviceCode);
    EXPECT_EQ(PacketLength, 6);
    EXPECT_EQ(DeviceCode, 3);
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "back created"}));
    QWidget* Panel = Placeholder.findChild<QWidget*>(QStringLiteral("Form1"));
    ASSERT_NE(Panel, nullptr);
    EXPECT_FALSE(Panel->isVisible());

    Plugin->SetBounds(1, 1, Placeholder.width() - 2, Placeholder.height() - 2);
    EXPECT_EQ(Panel->geometry(), QRect(1, 1, 638, 478));
    Plugin->ShowPanel();
    EXPECT_TRUE(Panel->isVisible());
    EXPECT_EQ(TakeEvents(), (QStringList{"shown", "RestartDevice"}));

    EXPECT_TRUE(Plugin->ReceivePacket({0x5F, 0x0E, 0x02, 0x04, 0x08, 0x00}));
    EXPECT_FALSE(Plugin->ReceivePacket({0x5F, 0x0E, 0x02, 0x04, 0x08, 0x01}));
    EXPECT_FALSE(Plugin->ReceivePacket({0x5F, 0x0E, 0x02, 0x04, 0x08, 0x00, 0x00}));
    EXPECT_EQ(TakeEvents(),
              (QStringList{"CheckPacket", "ProcessPacket 5F 0E 02 04 08 00", "CheckPacket"}));

    // The export: captions until the first empty one, then the values.
    QStringList Captions;
    for (int i = 0; *Plugin->GetColumnCaption(i); ++i)
        Captions << QString::fromUtf8(Plugin->GetColumnCaption(i));
    EXPECT_EQ(Captions, (QStringList{"Дата, время", "Байт 2"}));
    EXPECT_FALSE(QString::fromUtf8(Plugin->GetColumnValue(0)).isEmpty());
    EXPECT_STREQ(Plugin->GetColumnValue(1), "14");
    EXPECT_STREQ(Plugin->GetColumnValue(2), "");

    const QPointer<QWidget> Watch(Panel);
    Plugin.Reset();
    EXPECT_EQ(TakeEvents(), (QStringList{"back released"}));
    FlushDeferredDeletes();
    EXPECT_FALSE(Watch);
    EXPECT_EQ(TakeEvents(), (QStringList{"panel destroyed"}));
    EXPECT_EQ(CanUnloadNow(Path), S_OK);
}

// Damaged JPEG data in the panel: its construction raises, out of
// LoadPictures (the scan's problem) and out of Init (before the callback).
TEST_F(PluginLibrary, APanelThatCannotBeBuilt)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFrameworkBadPicture"), Dir, QStringLiteral("Broken.so"));
    RegisterComServer(Path);
    ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("Broken.OstanPlugin"));
    const auto RaisedText = [](const std::function<void()>& Call) {
        try {
            Call();
        } catch (const std::exception& E) {
            return QString::fromUtf8(E.what());
        }
        return QString();
    };
    EXPECT_TRUE(RaisedText([&] { Plugin->LoadPictures(); }).startsWith(QStringLiteral("JPEG error #")));
    EXPECT_EQ(Plugin->GetDevicePicture(), NoPicture);
    EXPECT_EQ(Plugin->GetConnectionPictureBLS5(), NoPicture);
    EXPECT_STREQ(Plugin->GetCaption(), "Фейк-2");

    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;
    EXPECT_TRUE(RaisedText([&] { Plugin->Init(&Placeholder, PacketLength, DeviceCode); })
                    .startsWith(QStringLiteral("JPEG error #")));
    EXPECT_FALSE(Plugin->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Placeholder.findChild<QWidget*>(QStringLiteral("Form1")), nullptr);
    Plugin.Reset();
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "panel created"}));
    EXPECT_EQ(CanUnloadNow(Path), S_OK);
}

TEST_F(PluginLibrary, ARegistrationThatCannotBeWrittenNamesTheFile)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFramework"), Dir, QStringLiteral("Unwritten.so"));
    // A store whose folder is a file: nothing can be written there.
    QFile Blocker(Dir + QLatin1String("/blocker"));
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    qputenv("OSTAN_REGISTRY", QFile::encodeName(Blocker.fileName() + QLatin1String("/registry.reg")));
    try {
        RegisterComServer(Path);
        ADD_FAILURE() << "registered";
    } catch (const EOleSysError& E) {
        EXPECT_EQ(E.ErrorCode(), SELFREG_E_CLASS);
        EXPECT_TRUE(E.Message().contains(Path)) << E.Message().toStdString();
    }
}

TEST_F(PluginLibrary, InitFailsWhenTheCallbackClassIsNotOffered)
{
    const QString Path = PlaceLibrary(QStringLiteral("FakeFramework"), Dir, QStringLiteral("Alone.so"));
    RegisterComServer(Path);
    ComPtr<IOstanPlugin> Plugin = CreatePlugin(QStringLiteral("Alone.OstanPlugin"));
    Back.Withdraw();
    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;
    try {
        Plugin->Init(&Placeholder, PacketLength, DeviceCode);
        ADD_FAILURE() << "initialised";
    } catch (const EOleSysError& E) {
        EXPECT_EQ(E.ErrorCode(), REGDB_E_CLASSNOTREG);
        EXPECT_TRUE(E.Message().contains(CLSID_OstanBack.ToString())) << E.Message().toStdString();
    }
    EXPECT_NE(Placeholder.findChild<QWidget*>(QStringLiteral("Form1")), nullptr);
    EXPECT_FALSE(Plugin->ReceivePacket({0x5F, 0x0E, 0x02, 0x04, 0x08, 0x00}));
    Plugin.Reset();
    FlushDeferredDeletes();
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "panel destroyed"}));
}
