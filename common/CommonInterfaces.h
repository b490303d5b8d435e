#pragma once
// Declarations shared by the program and the plug-in libraries: the byte
// array both exchange and the two interfaces of the plug-in contract.
//
// How values cross (program and libraries are built alike):
// - texts are zero-terminated UTF-8 (const char*), owned by the side that
//   returns them; the receiver copies them at once;
// - a picture is a pointer-sized integer: NoPicture (-1), or a TPicture* that
//   the plug-in object keeps owning;
// - byte arrays cross by const reference and are not kept after the call;
// - errors are C++ exceptions: every module shares one C++ runtime.
// Program and plug-ins also share one Qt runtime (one qApp, one set of
// screens), so Init takes only the parent widget: there is no application or
// screen object of the library's own to swap for the program's.
#include "Com.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

class QWidget;

namespace ostan {

// A growable byte array that owns its storage: the unit of exchange for data
// frames handed to a plug-in and for commands handed back to the program.
// Elements are numbered from 0.
class TDynamicByteArray {
public:
    TDynamicByteArray() = default;
    TDynamicByteArray(std::initializer_list<uint8_t> Bytes) : Data(Bytes) {}
    explicit TDynamicByteArray(std::vector<uint8_t> Bytes) : Data(std::move(Bytes)) {}

    int Length() const { return static_cast<int>(Data.size()); }
    void SetLength(int N) { Data.resize(N > 0 ? static_cast<size_t>(N) : 0); }
    uint8_t& operator[](int I) { return Data[static_cast<size_t>(I)]; }
    uint8_t operator[](int I) const { return Data[static_cast<size_t>(I)]; }
    const uint8_t* Bytes() const { return Data.data(); }
    uint8_t* Bytes() { return Data.data(); }
    const std::vector<uint8_t>& Vector() const { return Data; }
    bool operator==(const TDynamicByteArray&) const = default;

private:
    std::vector<uint8_t> Data;
};

// What a picture getter returns for "no such picture".
inline constexpr intptr_t NoPicture = -1;

inline constexpr TGUID IID_IOstanPlugin = MakeGUID("{FA5DDAA6-868A-4E5F-B4D0-589581BD1BC2}");
inline constexpr TGUID IID_IOstanBack = MakeGUID("{86B8A22A-564D-48E3-9607-F284F10D8319}");
// The program's callback class.
inline constexpr TGUID CLSID_OstanBack = MakeGUID("{7992746B-D464-484E-86D2-83516A28EB77}");

// Implemented by every plug-in object. The methods stay in this order.
class IOstanPlugin : public IUnknown {
public:
    // First call of an activation: builds the panel as a child of Parent (not
    // yet shown), reports the data-frame length (header byte included) and
    // the device code (its low byte goes to the adapter), and creates the
    // program's callback object. A failure there raises.
    virtual void Init(QWidget* Parent, int32_t& PacketLength, int32_t& DeviceCode) = 0;
    // A complete data frame, header byte first; true when accepted.
    virtual bool ReceivePacket(const TDynamicByteArray& Packet) = 0;
    // Pixels in the client area of the parent.
    virtual void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) = 0;
    // Constant texts of the library.
    virtual const char* GetCaption() = 0;
    virtual const char* GetDescription() = 0;
    // NoPicture or a TPicture* owned by the object (valid after LoadPictures).
    virtual intptr_t GetDevicePicture() = 0;
    virtual intptr_t GetConnectionPictureBLS4() = 0;
    virtual intptr_t GetConnectionPictureBLS5() = 0;
    virtual void LoadPictures() = 0;
    virtual void ShowPanel() = 0;
    // Valid until the next call of the same method; never null, empty past
    // the last column.
    virtual const char* GetColumnCaption(int32_t Index) = 0;
    virtual const char* GetColumnValue(int32_t Index) = 0;

protected:
    ~IOstanPlugin() = default;
};

// The program's callback, created by a plug-in by CLSID_OstanBack. The
// methods stay in this order.
class IOstanBack : public IUnknown {
public:
    // A device command, its XOR trailer already in the last byte.
    virtual void SendPacket(const TDynamicByteArray& Data) = 0;
    virtual void RestartDevice() = 0;
    virtual void DisableAutoSwitch() = 0;

protected:
    ~IOstanBack() = default;
};

template <>
struct TInterfaceID<IOstanPlugin> {
    static constexpr const TGUID& Value = IID_IOstanPlugin;
};
template <>
struct TInterfaceID<IOstanBack> {
    static constexpr const TGUID& Value = IID_IOstanBack;
};

} // namespace ostan
