#pragma once
// The plug-in class of every device library, TOstanPlugin, and the few lines
// that declare a library around its profile and its panel:
//
//     // Profile.h of the library
//     inline constexpr ostan::PluginProfile Profile{
//         .Caption = "...", .Description = "...",
//         .PacketLength = PacketLength, .CommandLength = CommandLength, // of its Tables.h
//         .Span0 = ..., .Span1 = ...,
//         .Trend = ostan::TPluginChartVariant{.Divisor = ..., ...},
//         .ClassID = ostan::MakeGUID("{...}"),
//     };
//
//     // FormUnit of the library
//     class TForm1 : public ostan::TPluginForm { ... CheckPacket, ProcessPacket, columns ... };
//     OSTAN_PLUGIN_LIBRARY(TForm1, Profile);
//
// and in its CMakeLists.txt: ostan_add_plugin(TIRA5 SOURCES FormUnit.cpp PICTURES ...).
#include "CommonInterfacesImp.h"
#include "ComServer.h"
#include "PluginProfile.h"
#include "Picture.h"
#include "PluginForm.h"

#include <QByteArray>
#include <QPointer>
#include <memory>

namespace ostan {

using TPanelMaker = TPluginForm* (*)();

// What one library contributes: its profile and how to make its panel.
struct TPluginLibrary {
    const PluginProfile& Profile;
    TPanelMaker NewPanel;
};

// Every operation that runs panel code holds a reference of its own for the
// call: the panel may call back into the program, which may release the
// object meanwhile.
class TOstanPlugin final : public TComObject<IOstanPlugin> {
public:
    explicit TOstanPlugin(const TPluginLibrary& Library);

    // Makes the panel as a hidden child of Parent, reports the profile's
    // lengths, creates PluginPacket (and with it the program's callback
    // object: its error leaves Init, the panel already in place) and, on the
    // panel's first chart, PluginChart.
    void Init(QWidget* Parent, int32_t& PacketLength, int32_t& DeviceCode) override;
    bool ReceivePacket(const TDynamicByteArray& Packet) override;
    void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) override;
    const char* GetCaption() override;
    const char* GetDescription() override;
    intptr_t GetDevicePicture() override;
    intptr_t GetConnectionPictureBLS4() override;
    intptr_t GetConnectionPictureBLS5() override;
    // Copies the pictures of "MainImage", "ConnectionBLD4" and
    // "ConnectionBLD5" out of a temporary panel (or the embedded one, which
    // goes then). An error making the temporary panel leaves it.
    void LoadPictures() override;
    void ShowPanel() override;
    const char* GetColumnCaption(int32_t Index) override;
    const char* GetColumnValue(int32_t Index) override;

    // The embedded panel; null before Init and after the panel went.
    TPluginForm* Panel() const { return FPanel.data(); }

private:
    // Frees the packet, the chart, the pictures and the panel.
    ~TOstanPlugin() override;

    // The library's PluginPacket and PluginChart were made by this object's
    // Init (and are not another object's since).
    bool OwnsLibraryObjects() const;
    void FreeLibraryObjects();
    // Hides the panel, stops its timers and deletes it once control is back
    // in the event loop: a panel handler that led to this release may still
    // be running on it.
    void ReleasePanel();

    const TPluginLibrary& Library;
    std::unique_ptr<TPicture> DevicePicture;
    std::unique_ptr<TPicture> ConnectionPictureBLS4;
    std::unique_ptr<TPicture> ConnectionPictureBLS5;
    QByteArray CaptionBuffer;
    QByteArray ValueBuffer;
    QPointer<TPluginForm> FPanel; // the placeholder may delete it first
};

// The factory of a library's TOstanPlugin: the profile's class identifier,
// "OstanPlugin", no description, ciSingleInstance, tmSingle.
class TOstanPluginFactory final : public TComObjectFactoryBase {
public:
    TOstanPluginFactory(TComServer& Server, const TPluginLibrary& Library);

protected:
    IUnknown* NewObject() override;

private:
    const TPluginLibrary& Library;
};

} // namespace ostan

// Declares a device library: its COM server with the four entry points and
// the factory of TOstanPlugin around PanelClass (default-constructible, a
// TPluginForm) and Profile (a constexpr PluginProfile). Once per library, in
// one source file. The ProgID is "<file name without extension>.OstanPlugin".
#define OSTAN_PLUGIN_LIBRARY(PanelClass, Profile)                                                         \
    static_assert(ostan::ValidProfile(Profile), "incomplete plug-in profile");                           \
    OSTAN_COM_LIBRARY();                                                                                  \
    namespace {                                                                                           \
    ostan::TPluginForm* OstanNewPluginPanel() { return new PanelClass(); }                                \
    const ostan::TPluginLibrary OstanPluginLibrary{(Profile), &OstanNewPluginPanel};                      \
    ostan::TOstanPluginFactory OstanPluginFactory(ostan::ComServer(), OstanPluginLibrary);                \
    }                                                                                                     \
    static_assert(true, "")
