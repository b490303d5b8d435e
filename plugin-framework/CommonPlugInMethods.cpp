#include "CommonPlugInMethods.h"

#include "ChartView.h"
#include "Image.h"

#include <QLayout>
#include <QTimer>

namespace ostan {

namespace {

// Which object's Init made the library's PluginPacket and PluginChart. Only
// that object frees them, so the release of any other object of the library
// (a scanned one above all) leaves the active panel working.
const TOstanPlugin* LibraryObjectsOwner = nullptr;

intptr_t PictureRef(const std::unique_ptr<TPicture>& P)
{
    return P ? reinterpret_cast<intptr_t>(P.get()) : NoPicture;
}

// A TImage of that name on the panel: its picture, copied into a new one.
void CopyPicture(const QWidget* Panel, const char* Name, std::unique_ptr<TPicture>& Into) noexcept
{
    try {
        const auto* Image = qobject_cast<const TImage*>(Panel->findChild<QObject*>(QLatin1String(Name)));
        if (!Image)
            return;
        Into = std::make_unique<TPicture>();
        Into->Assign(&Image->Picture());
    } catch (...) {
        // The other pictures are still loaded.
    }
}

// Qt lays out a hidden widget only when it is shown; the chart's width must
// follow the bounds at once, before the panel is shown.
void LayOutNow(QWidget* W)
{
    if (QLayout* L = W->layout())
        L->setGeometry(W->testAttribute(Qt::WA_LayoutOnEntireRect) ? W->rect() : W->contentsRect()); // below a group box title
    for (QWidget* Child : W->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!Child->isWindow())
            LayOutNow(Child);
}

} // namespace

TOstanPlugin::TOstanPlugin(const TPluginLibrary& Library) : Library(Library) {}

TOstanPlugin::~TOstanPlugin()
{
    if (OwnsLibraryObjects())
        FreeLibraryObjects();
    DevicePicture.reset();
    ConnectionPictureBLS4.reset();
    ConnectionPictureBLS5.reset();
    ReleasePanel();
}

bool TOstanPlugin::OwnsLibraryObjects() const { return LibraryObjectsOwner == this; }

void TOstanPlugin::FreeLibraryObjects()
{
    PluginPacket.reset(); // releases HostCallback
    PluginChart.reset();
    LibraryObjectsOwner = nullptr;
}

void TOstanPlugin::ReleasePanel()
{
    TPluginForm* P = FPanel.data();
    FPanel.clear();
    if (!P)
        return;
    if (OwnsLibraryObjects())
        PluginChart.reset(); // it draws on the panel's chart
    try {
        P->close();
        P->hide();
        for (QTimer* T : P->findChildren<QTimer*>())
            T->stop();
    } catch (...) {
        // Freed all the same.
    }
    P->deleteLater();
}

void TOstanPlugin::Init(QWidget* Parent, int32_t& PacketLength, int32_t& DeviceCode)
{
    const ComPtr<IOstanPlugin> Hold(this);
    const PluginProfile& Profile = Library.Profile;
    PacketLength = Profile.PacketLength;
    DeviceCode = Profile.CommandLength;

    ReleasePanel(); // of an earlier Init
    FPanel = Library.NewPanel();
    FPanel->setParent(Parent);
    FPanel->setWindowTitle(QString::fromUtf8(Profile.Caption));

    // Whatever an earlier object left goes first, so a failure below leaves
    // both unset.
    FreeLibraryObjects();
    LibraryObjectsOwner = this;
    PluginPacket = std::make_unique<TPluginPacket>(Profile.PacketLength, Profile.CommandLength,
                                                   HostCallbackFactory(&ConnectOstanBack));

    // findChildren walks depth first in creation order: the first chart of
    // the panel is the trend's.
    const QList<TChartView*> Charts = FPanel->findChildren<TChartView*>();
    if (!Charts.isEmpty())
        PluginChart = std::make_unique<TPluginChart>(&Charts.front()->Chart(), Profile.Span0, Profile.Span1, Profile.Trend);
}

bool TOstanPlugin::ReceivePacket(const TDynamicByteArray& Packet)
{
    const ComPtr<IOstanPlugin> Hold(this);
    if (!OwnsLibraryObjects() || !PluginPacket || Packet.Length() > PluginPacket->InLen())
        return false;
    for (int i = 0; i < Packet.Length(); ++i)
        PluginPacket->SetIn(i + 1, Packet[i]);
    if (!FPanel || !FPanel->CheckPacket())
        return false;
    FPanel->HoldPainting();
    FPanel->ProcessPacket();
    return true;
}

void TOstanPlugin::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height)
{
    const ComPtr<IOstanPlugin> Hold(this);
    if (!FPanel)
        return;
    FPanel->move(Left, Top);
    FPanel->resize(Width, Height);
    FPanel->PlaceComponents();
    LayOutNow(FPanel);
    if (OwnsLibraryObjects() && PluginChart)
        PluginChart->Resize();
}

const char* TOstanPlugin::GetCaption() { return Library.Profile.Caption; }

const char* TOstanPlugin::GetDescription() { return Library.Profile.Description; }

intptr_t TOstanPlugin::GetDevicePicture() { return PictureRef(DevicePicture); }

intptr_t TOstanPlugin::GetConnectionPictureBLS4() { return PictureRef(ConnectionPictureBLS4); }

intptr_t TOstanPlugin::GetConnectionPictureBLS5() { return PictureRef(ConnectionPictureBLS5); }

void TOstanPlugin::LoadPictures()
{
    const ComPtr<IOstanPlugin> Hold(this);
    std::unique_ptr<TPluginForm> Temporary;
    const TPluginForm* Source = FPanel.data();
    if (!Source) {
        Temporary.reset(Library.NewPanel());
        Source = Temporary.get();
    }
    CopyPicture(Source, "MainImage", DevicePicture);
    CopyPicture(Source, "ConnectionBLD4", ConnectionPictureBLS4);
    CopyPicture(Source, "ConnectionBLD5", ConnectionPictureBLS5);
    // A temporary panel never ran a handler: it goes at once.
    if (!Temporary)
        ReleasePanel();
}

void TOstanPlugin::ShowPanel()
{
    const ComPtr<IOstanPlugin> Hold(this);
    if (!FPanel)
        return;
    FPanel->show();
    if (FPanel) // the panel's own code ran while it was shown
        FPanel->repaint();
}

const char* TOstanPlugin::GetColumnCaption(int32_t Index)
{
    CaptionBuffer.clear();
    if (FPanel)
        CaptionBuffer = FPanel->GetColumnCaption(Index).toUtf8();
    return CaptionBuffer.constData();
}

const char* TOstanPlugin::GetColumnValue(int32_t Index)
{
    ValueBuffer.clear();
    if (FPanel)
        ValueBuffer = FPanel->GetColumnValue(Index).toUtf8();
    return ValueBuffer.constData();
}

// ---------------------------------------------------------------- factory

TOstanPluginFactory::TOstanPluginFactory(TComServer& Server, const TPluginLibrary& Library)
    : TComObjectFactoryBase(Server, Library.Profile.ClassID, QStringLiteral("OstanPlugin"), QString(),
                            ciSingleInstance, tmSingle),
      Library(Library)
{}

IUnknown* TOstanPluginFactory::NewObject()
{
    auto* Obj = new TOstanPlugin(Library);
    Obj->AttachServer(&Server());
    return static_cast<IUnknown*>(static_cast<IOstanPlugin*>(Obj));
}

} // namespace ostan
