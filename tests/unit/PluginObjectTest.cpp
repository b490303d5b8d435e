// The plug-in object of the framework, driven as the program drives it, with
// panels of the test's own and a recording callback class in the process's
// class-object table.
#include "ChartView.h"
#include "ComTestSupport.h"
#include "CommonPlugInMethods.h"
#include "Image.h"
#include "RecordingBack.h"
#include "RecordingPanel.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostan;
using namespace ostan::test;

namespace {

// Two charts (the first is the trend's), the three picture components in
// their three kinds, a value label, a button that calls the program, a timer.
class TTestPanel : public TRecordingPanel {
public:
    TTestPanel()
    {
        auto* Layout = new QVBoxLayout(this);
        LValue = new QLabel(this);
        Layout->addWidget(LValue);
        auto* Main = new TImage(this);
        Main->setObjectName(QStringLiteral("MainImage"));
        QImage Graphic(8, 4, QImage::Format_RGB32);
        Graphic.fill(Qt::green);
        TPicture P;
        P.SetGraphic(Graphic);
        Main->SetPicture(P);
        (new QLabel(this))->setObjectName(QStringLiteral("ConnectionBLD4")); // not an image
        (new TImage(this))->setObjectName(QStringLiteral("ConnectionBLD5")); // an image without a picture
        auto* Group = new QWidget(this);
        auto* Inner = new QVBoxLayout(Group);
        Trend = new TChartView(Group);
        Trend->Chart().AddSeries(TVertAxis::Left);
        Trend->Chart().AddSeries(TVertAxis::Right);
        Inner->addWidget(Trend);
        Layout->addWidget(Group, 1);
        Other = new TChartView(this);
        Other->Chart().AddSeries(TVertAxis::Left);
        Layout->addWidget(Other);
        BReset = new QPushButton(QStringLiteral("Сброс"), this);
        Layout->addWidget(BReset);
        QObject::connect(BReset, &QPushButton::clicked, this, [this] { BResetClick(); });
        Timer = new QTimer(this);
        Timer->start(60000);
    }
    ~TTestPanel() override { RecordEvent(QStringLiteral("panel destroyed")); }

    void ProcessPacket() override
    {
        LValue->setText(PacketHex(1, PluginPacket->InLen()));
        TRecordingPanel::ProcessPacket();
    }
    QString GetColumnCaption(int Index) override
    {
        return Index == 1 ? QStringLiteral("Байты") : TPluginForm::GetColumnCaption(Index);
    }
    QString GetColumnValue(int Index) override
    {
        return Index == 1 ? LValue->text() : TPluginForm::GetColumnValue(Index);
    }

    QLabel* LValue;
    TChartView* Trend;
    TChartView* Other;
    QPushButton* BReset;
    QTimer* Timer;

private:
    void BResetClick()
    {
        const QPointer<TTestPanel> Self(this);
        if (HostCallback)
            HostCallback->RestartDevice();
        RecordEvent(Self ? QStringLiteral("handler went on") : QStringLiteral("panel freed under its handler"));
        if (Self)
            LValue->setText(QStringLiteral("reset"));
    }
};

class TBarePanel : public TPluginForm {
public:
    void ProcessPacket() override {}
};

constexpr TGUID CLSID_Test = MakeGUID("{5B0C8E61-2F4D-4A7B-9C3E-1D6F8A2B4C01}");
constexpr TPluginChartVariant TestTrend{.Divisor = 25, .ScaleLeftAxis = true, .ScaleSeries0 = true};
constexpr PluginProfile TestProfile{.Caption = "Тест-1", .Description = "Прибор для испытаний", .PacketLength = 6,
                                    .CommandLength = 3, .Span0 = 10.0, .Span1 = 20.0, .Trend = TestTrend,
                                    .ClassID = CLSID_Test};
constexpr PluginProfile BareProfile{.Caption = "Голый", .Description = "Без графика", .PacketLength = 4,
                                    .CommandLength = 3, .Span0 = 1.0, .Span1 = 1.0, .Trend = TestTrend,
                                    .ClassID = CLSID_Test};
static_assert(ValidProfile(TestProfile));
static_assert(!ValidProfile({.Caption = "a", .Description = "b", .PacketLength = 0, .CommandLength = 3,
                             .ClassID = CLSID_Test}));
static_assert(!ValidProfile({.Caption = "a", .Description = "b", .PacketLength = 4, .CommandLength = 3,
                             .Trend = TestTrend}));
// A trend left unwritten, or one that could hold no point, is refused where the profile is written.
static_assert(!ValidProfile({.Caption = "a", .Description = "b", .PacketLength = 4, .CommandLength = 3,
                             .ClassID = CLSID_Test}));
static_assert(!ValidProfile({.Caption = "a", .Description = "b", .PacketLength = 4, .CommandLength = 3,
                             .Trend = TPluginChartVariant{.Divisor = 0}, .ClassID = CLSID_Test}));

TPluginForm* NewTestPanel() { return new TTestPanel(); }
TPluginForm* NewBarePanel() { return new TBarePanel(); }
const TPluginLibrary TestLibrary{TestProfile, &NewTestPanel};
const TPluginLibrary BareLibrary{BareProfile, &NewBarePanel};

struct TObject {
    TOstanPlugin* Impl;
    ComPtr<IOstanPlugin> Ref;
    TTestPanel* Panel() const { return static_cast<TTestPanel*>(Impl->Panel()); }
};

TObject Make(const TPluginLibrary& Library = TestLibrary)
{
    auto* Impl = new TOstanPlugin(Library);
    return {Impl, ComPtr<IOstanPlugin>(Impl)};
}

void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

HRESULT RaisedCode(const std::function<void()>& Call)
{
    try {
        Call();
    } catch (const EOleSysError& E) {
        return E.ErrorCode();
    }
    return S_OK;
}

class PluginObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        Placeholder.resize(802, 602);
        Placeholder.show();
        TakeEvents();
    }
    void TearDown() override
    {
        FlushDeferredDeletes();
        EXPECT_EQ(Back.Objects(), 0);
        EXPECT_FALSE(PluginPacket);
        EXPECT_FALSE(PluginChart);
        EXPECT_FALSE(HostCallback);
    }
    // Init with the placeholder; the lengths it reported.
    std::pair<int32_t, int32_t> Init(const TObject& O)
    {
        int32_t PacketLength = 0;
        int32_t DeviceCode = 0;
        O.Ref->Init(&Placeholder, PacketLength, DeviceCode);
        return {PacketLength, DeviceCode};
    }
    void Activate(const TObject& O)
    {
        Init(O);
        O.Ref->SetBounds(1, 1, Placeholder.width() - 2, Placeholder.height() - 2);
        O.Ref->ShowPanel();
    }

    TTempStore Store;
    TOfferedRecordingBack Back;
    QWidget Placeholder;
};

} // namespace

TEST_F(PluginObject, ActivationBuildsPlacesShowsAndTakesDown)
{
    TObject O = Make();
    EXPECT_EQ(Init(O), std::make_pair(int32_t(6), int32_t(3)));
    TTestPanel* Panel = O.Panel();
    ASSERT_NE(Panel, nullptr);
    EXPECT_EQ(Panel->parentWidget(), &Placeholder);
    EXPECT_FALSE(Panel->isVisible());
    EXPECT_EQ(Panel->windowTitle(), QStringLiteral("Тест-1"));
    ASSERT_TRUE(PluginPacket);
    EXPECT_EQ(PluginPacket->InLen(), 6);
    EXPECT_EQ(PluginPacket->OutLen(), 3);
    ASSERT_TRUE(PluginChart);
    EXPECT_EQ(PluginChart->Chart(), &Panel->Trend->Chart()); // the first chart, inside its group
    EXPECT_EQ(PluginChart->Span0(), 10.0);
    EXPECT_EQ(PluginChart->Span1(), 20.0);
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "back created"}));

    // Placed before it is shown: the chart's point count follows at once.
    O.Ref->SetBounds(1, 1, 800, 600);
    EXPECT_EQ(Panel->geometry(), QRect(1, 1, 800, 600));
    const int ChartWidth = Panel->Trend->width();
    EXPECT_GT(ChartWidth, 700);
    EXPECT_EQ(Panel->Trend->Chart().Series(0).Count(), ChartWidth / 25);
    EXPECT_EQ(Panel->Trend->Chart().Series(1).Count(), ChartWidth / 25);

    O.Ref->ShowPanel();
    EXPECT_TRUE(Panel->isVisible());
    EXPECT_EQ(TakeEvents(), (QStringList{"shown", "RestartDevice"}));

    // Commands reach the program through the callback object, trailer set.
    PluginPacket->Send({0x10, 0x20, 0x00});
    EXPECT_EQ(TakeEvents(), (QStringList{"SendPacket 10 20 30"}));

    const QPointer<TTestPanel> Watch(Panel);
    O.Ref.Reset();
    EXPECT_FALSE(PluginPacket);
    EXPECT_FALSE(PluginChart);
    EXPECT_EQ(TakeEvents(), (QStringList{"back released"}));
    // Hidden at once, freed from the event loop, its timer stopped meanwhile.
    ASSERT_TRUE(Watch);
    EXPECT_FALSE(Watch->isVisible());
    EXPECT_FALSE(Watch->Timer->isActive());
    FlushDeferredDeletes();
    EXPECT_FALSE(Watch);
    EXPECT_EQ(TakeEvents(), (QStringList{"panel destroyed"}));
}

TEST_F(PluginObject, ReceivePacketCopiesChecksAndDecodes)
{
    TObject O = Make();
    Activate(O);
    TakeEvents();
    struct Case {
        TDynamicByteArray Packet;
        bool Accepted;
        QStringList Events;
        QString Buffer; // bytes 1..6 afterwards
        QString Shown;
    };
    const Case Cases[] = {
        {{0x5F, 0x01, 0x02, 0x04, 0x08, 0x0F}, true, {"CheckPacket", "ProcessPacket 5F 01 02 04 08 0F"},
         "5F 01 02 04 08 0F", "5F 01 02 04 08 0F"},
        // A failing check: the bytes stay, the panel keeps the last good packet.
        {{0x5F, 0x01, 0x02, 0x04, 0x08, 0x00}, false, {"CheckPacket"}, "5F 01 02 04 08 00", "5F 01 02 04 08 0F"},
        // Longer than the packet length: nothing copied, the panel not asked.
        {{0x5F, 0, 0, 0, 0, 0, 0}, false, {}, "5F 01 02 04 08 00", "5F 01 02 04 08 0F"},
        // Shorter: only its own bytes; the tail is the previous packet's.
        {{0x5F, 0x0E}, true, {"CheckPacket", "ProcessPacket 5F 0E 02 04 08 00"}, "5F 0E 02 04 08 00",
         "5F 0E 02 04 08 00"},
        // None: the check and the decoding run again over the same bytes.
        {{}, true, {"CheckPacket", "ProcessPacket 5F 0E 02 04 08 00"}, "5F 0E 02 04 08 00", "5F 0E 02 04 08 00"},
        // The header byte is not part of the check.
        {{0xFF}, true, {"CheckPacket", "ProcessPacket FF 0E 02 04 08 00"}, "FF 0E 02 04 08 00",
         "FF 0E 02 04 08 00"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Buffer.toStdString());
        EXPECT_EQ(O.Ref->ReceivePacket(C.Packet), C.Accepted);
        EXPECT_EQ(TakeEvents(), C.Events);
        EXPECT_EQ(PacketHex(1, 6), C.Buffer);
        EXPECT_EQ(O.Panel()->LValue->text(), C.Shown);
    }
    // The accepted packets went to the trend: byte 2 on the left, byte 3 on the right.
    const TFastLineSeries& Left = O.Panel()->Trend->Chart().Series(0);
    EXPECT_EQ(Left.YValue(Left.Count() - 1), 0x0E);
    O.Ref.Reset();
}

TEST_F(PluginObject, ColumnsGoThroughOneBufferPerOperation)
{
    TObject O = Make();
    Activate(O);
    O.Ref->ReceivePacket({0x5F, 0x01, 0x01, 0, 0, 0});

    const char* Caption0 = O.Ref->GetColumnCaption(0);
    EXPECT_STREQ(Caption0, "Дата, время");
    const QDateTime Before = QDateTime::currentDateTime();
    const QString Moment = QString::fromUtf8(O.Ref->GetColumnValue(0));
    const QDateTime After = QDateTime::currentDateTime();
    const QDateTime Read = QDateTime::fromString(Moment, QStringLiteral("dd.MM.yyyy H:mm:ss"));
    ASSERT_TRUE(Read.isValid()) << Moment.toStdString();
    EXPECT_GE(Read, Before.addMSecs(-Before.time().msec()));
    EXPECT_LE(Read, After);
    // A call of the other operation leaves the caption text alone.
    EXPECT_STREQ(Caption0, "Дата, время");

    EXPECT_STREQ(O.Ref->GetColumnCaption(1), "Байты");
    EXPECT_STREQ(O.Ref->GetColumnValue(1), "5F 01 01 00 00 00");
    for (int Past : {2, 3, 100, -1}) {
        const char* C = O.Ref->GetColumnCaption(Past);
        const char* V = O.Ref->GetColumnValue(Past);
        ASSERT_NE(C, nullptr);
        ASSERT_NE(V, nullptr);
        EXPECT_STREQ(C, "");
        EXPECT_STREQ(V, "");
    }
    O.Ref.Reset();
}

TEST(DateTimeText, ShortDateThenLongTime)
{
    EXPECT_EQ(DateTimeText(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 5))), QStringLiteral("05.03.2024 9:07:05"));
    EXPECT_EQ(DateTimeText(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999))),
              QStringLiteral("31.12.2023 23:59:59"));
}

TEST_F(PluginObject, BeforeInitThereIsNoPanel)
{
    TObject O = Make();
    EXPECT_FALSE(O.Ref->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    O.Ref->SetBounds(1, 1, 100, 100);
    O.Ref->ShowPanel();
    EXPECT_STREQ(O.Ref->GetColumnCaption(0), "");
    EXPECT_STREQ(O.Ref->GetColumnValue(0), "");
    EXPECT_EQ(O.Ref->GetDevicePicture(), NoPicture);
    EXPECT_STREQ(O.Ref->GetCaption(), "Тест-1");
    EXPECT_STREQ(O.Ref->GetDescription(), "Прибор для испытаний");
    O.Ref.Reset();
    EXPECT_TRUE(TakeEvents().isEmpty()); // no panel, no callback
}

TEST_F(PluginObject, ScanLoadsPicturesFromATemporaryPanel)
{
    TObject O = Make();
    O.Ref->LoadPictures();
    // Made and freed within the call; no callback object.
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "panel destroyed"}));

    const intptr_t Main = O.Ref->GetDevicePicture();
    ASSERT_NE(Main, NoPicture);
    const auto* Picture = reinterpret_cast<const TPicture*>(Main);
    EXPECT_EQ(Picture->Width(), 8);
    EXPECT_EQ(Picture->Graphic().pixel(3, 2), QColor(Qt::green).rgb());
    EXPECT_EQ(O.Ref->GetConnectionPictureBLS4(), NoPicture); // a label of that name
    const intptr_t Bls5 = O.Ref->GetConnectionPictureBLS5();
    ASSERT_NE(Bls5, NoPicture);
    EXPECT_TRUE(reinterpret_cast<const TPicture*>(Bls5)->Empty());
    EXPECT_STREQ(O.Ref->GetCaption(), "Тест-1");
    O.Ref.Reset();
    EXPECT_TRUE(TakeEvents().isEmpty());

    TObject Bare = Make(BareLibrary);
    Bare.Ref->LoadPictures();
    EXPECT_EQ(Bare.Ref->GetDevicePicture(), NoPicture);
    EXPECT_EQ(Bare.Ref->GetConnectionPictureBLS5(), NoPicture);
}

// The last Init holds the library's packet and chart; releasing another
// object of the library (one made for the scan above all) leaves them.
TEST_F(PluginObject, OnlyTheInitialisedObjectTakesTheLibraryObjectsDown)
{
    TObject Active = Make();
    Activate(Active);
    TObject Scanned = Make();
    Scanned.Ref->LoadPictures();
    EXPECT_FALSE(Scanned.Ref->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    Scanned.Ref.Reset();
    ASSERT_TRUE(PluginPacket);
    ASSERT_TRUE(PluginChart);
    TakeEvents();
    EXPECT_TRUE(Active.Ref->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    EXPECT_EQ(TakeEvents(), (QStringList{"CheckPacket", "ProcessPacket 5F 00 00 00 00 00"}));

    // A second activation replaces them; the first object then takes nothing.
    TObject Next = Make();
    Init(Next);
    EXPECT_EQ(TakeEvents(), (QStringList{"panel created", "back released", "back created"}));
    Active.Ref.Reset();
    EXPECT_TRUE(PluginPacket);
    Next.Ref.Reset();
}

TEST_F(PluginObject, LoadPicturesAfterInitFreesTheEmbeddedPanel)
{
    TObject O = Make();
    Activate(O);
    const QPointer<TTestPanel> Watch(O.Panel());
    O.Ref->LoadPictures();
    EXPECT_NE(O.Ref->GetDevicePicture(), NoPicture);
    EXPECT_EQ(O.Impl->Panel(), nullptr);
    EXPECT_FALSE(PluginChart); // it drew on that panel
    EXPECT_FALSE(O.Ref->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Watch);
    EXPECT_FALSE(Watch->isVisible());
    FlushDeferredDeletes();
    EXPECT_FALSE(Watch);
    O.Ref.Reset();
}

TEST_F(PluginObject, NoTrendWithoutAChart)
{
    // No chart: no trend; the bounds only place the panel.
    TObject Bare = Make(BareLibrary);
    Init(Bare);
    EXPECT_TRUE(PluginPacket);
    EXPECT_FALSE(PluginChart);
    Bare.Ref->SetBounds(2, 3, 40, 50);
    EXPECT_EQ(Bare.Impl->Panel()->geometry(), QRect(2, 3, 40, 50));
    Bare.Ref.Reset();
    TakeEvents();
}

TEST_F(PluginObject, InitFailsWithoutTheCallbackClass)
{
    TObject Earlier = Make();
    Init(Earlier);
    Back.Withdraw(); // the earlier object's callback stays alive
    TObject O = Make();
    int32_t PacketLength = 0;
    int32_t DeviceCode = 0;
    EXPECT_EQ(RaisedCode([&] { O.Ref->Init(&Placeholder, PacketLength, DeviceCode); }), REGDB_E_CLASSNOTREG);
    // The panel is in place; no packet, no chart, nothing received.
    ASSERT_NE(O.Panel(), nullptr);
    EXPECT_EQ(O.Panel()->parentWidget(), &Placeholder);
    EXPECT_FALSE(PluginPacket);
    EXPECT_FALSE(PluginChart);
    EXPECT_FALSE(HostCallback);
    EXPECT_FALSE(O.Ref->ReceivePacket({0x5F, 0, 0, 0, 0, 0}));
    O.Ref->SetBounds(1, 1, 300, 200);
    O.Ref->ShowPanel();
    EXPECT_TRUE(O.Panel()->isVisible());
    Earlier.Ref.Reset();
    O.Ref.Reset();
}

// The program may release the plug-in from inside a callback that a panel
// handler makes (its exception handler unloads the plug-in, for one): the
// handler must go on running on a live panel.
TEST_F(PluginObject, APanelHandlerOutlivesTheReleaseItCaused)
{
    TObject O = Make();
    Activate(O);
    const QPointer<TTestPanel> Watch(O.Panel());
    TRecordingBack::OnRestart = [&] { O.Ref.Reset(); };
    TakeEvents();
    Watch->BReset->click();
    EXPECT_EQ(TakeEvents(), (QStringList{"RestartDevice", "back released", "handler went on"}));
    ASSERT_TRUE(Watch);
    EXPECT_EQ(Watch->LValue->text(), QStringLiteral("reset"));
    FlushDeferredDeletes();
    EXPECT_FALSE(Watch);
}

// The same when showing the panel leads to the release.
TEST_F(PluginObject, ShowPanelSurvivesAReleaseFromTheCallback)
{
    TObject O = Make();
    Init(O);
    O.Ref->SetBounds(1, 1, 400, 300);
    IOstanPlugin* Raw = O.Ref.Get();
    TRecordingBack::OnRestart = [&] { O.Ref.Reset(); };
    TakeEvents();
    Raw->ShowPanel();
    EXPECT_FALSE(O.Ref);
    EXPECT_EQ(TakeEvents(), (QStringList{"shown", "RestartDevice", "back released"}));
}
