#pragma once
// The component model the program and the plug-in libraries meet through:
// GUIDs, result codes, IUnknown and IClassFactory, a counted reference, the
// registration of classes under HKEY_CLASSES_ROOT of the store, loading of
// in-process servers and creation of objects by class identifier.
//
// In-process servers are shared libraries exporting the four entry points
// below (see ComServer.h for the server side). A library is loaded with
// RTLD_LOCAL, once per path, and never unloaded. Everything runs on the GUI
// thread; nothing here is locked.
//
// Failures raise EOleSysError, which carries the result code and a readable
// message. All modules share one C++ runtime, so interface methods may raise
// too: an exception thrown inside a plug-in reaches its caller in the program.
#include "PlatformApi.h"

#include <QString>
#include <QStringList>
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

namespace ostan {

// ---------------------------------------------------------------- GUIDs

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    std::array<uint8_t, 8> D4{};

    friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
    friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;

    // Exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hex digits of either case.
    static constexpr std::optional<TGUID> FromText(std::string_view Text);
    static std::optional<TGUID> FromString(const QString& Text);
    // Upper-case hex digits in braces.
    QString ToString() const;
};

namespace detail {
constexpr int HexDigitValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

constexpr bool ParseHex(std::string_view Text, size_t Pos, size_t Count, uint32_t& Out)
{
    Out = 0;
    for (size_t I = Pos; I < Pos + Count; ++I) {
        const int D = HexDigitValue(Text[I]);
        if (D < 0)
            return false;
        Out = (Out << 4) | static_cast<uint32_t>(D);
    }
    return true;
}
} // namespace detail

constexpr std::optional<TGUID> TGUID::FromText(std::string_view Text)
{
    if (Text.size() != 38 || Text[0] != '{' || Text[37] != '}' || Text[9] != '-' || Text[14] != '-'
        || Text[19] != '-' || Text[24] != '-')
        return std::nullopt;
    TGUID G;
    uint32_t V = 0;
    if (!detail::ParseHex(Text, 1, 8, V))
        return std::nullopt;
    G.D1 = V;
    if (!detail::ParseHex(Text, 10, 4, V))
        return std::nullopt;
    G.D2 = static_cast<uint16_t>(V);
    if (!detail::ParseHex(Text, 15, 4, V))
        return std::nullopt;
    G.D3 = static_cast<uint16_t>(V);
    constexpr size_t BytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (size_t I = 0; I < 8; ++I) {
        if (!detail::ParseHex(Text, BytePos[I], 2, V))
            return std::nullopt;
        G.D4[I] = static_cast<uint8_t>(V);
    }
    return G;
}

// For identifiers fixed at build time: a malformed text does not compile.
consteval TGUID MakeGUID(std::string_view Text)
{
    const std::optional<TGUID> G = TGUID::FromText(Text);
    if (!G)
        throw "malformed GUID literal";
    return *G;
}

// Raises EOleSysError(CO_E_CLASSSTRING) for a malformed text.
OSTAN_PLATFORM_API TGUID StringToGUID(const QString& Text);

// ---------------------------------------------------------------- result codes

using HRESULT = int32_t;

constexpr HRESULT MakeHResult(uint32_t Bits) { return static_cast<HRESULT>(Bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150u);
inline constexpr HRESULT REGDB_E_WRITEREGDB = MakeHResult(0x80040151u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9u);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201u);

constexpr bool Succeeded(HRESULT Code) { return Code >= 0; }
constexpr bool Failed(HRESULT Code) { return Code < 0; }

// A readable text for a code ("Class not registered"); unknown codes give
// "Error 0x80041234".
OSTAN_PLATFORM_API QString ComErrorText(HRESULT Code);

class OSTAN_PLATFORM_API EOleSysError : public std::runtime_error {
public:
    // An empty Message takes the code's text.
    explicit EOleSysError(HRESULT Code, const QString& Message = QString());
    ~EOleSysError() override;
    HRESULT ErrorCode() const noexcept { return Code; }
    QString Message() const;

private:
    HRESULT Code;
};

// Raises EOleSysError for a failure code: the message is the error info a
// server left (see below), else the code's text.
OSTAN_PLATFORM_API void OleCheck(HRESULT Code);

// Error info: a server that returns a failure code may leave a readable text
// here first, for the caller that turns the code into an exception. One slot
// per process (the platform library is shared).
OSTAN_PLATFORM_API void SetComErrorInfo(const QString& Text);
OSTAN_PLATFORM_API QString TakeComErrorInfo(); // and clears it

// ---------------------------------------------------------------- interfaces

// Every interface specialises this with its identifier.
template <class T>
struct TInterfaceID;
template <class T>
inline constexpr const TGUID& IIDOf = TInterfaceID<T>::Value;

// Objects free themselves on their last Release, so no interface is deleted
// through a pointer: the destructors are protected and not virtual, which
// keeps the method tables to the methods declared.
class IUnknown {
public:
    virtual HRESULT QueryInterface(const TGUID& IID, void** Obj) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* Outer, const TGUID& IID, void** Obj) = 0;
    virtual HRESULT LockServer(bool Lock) = 0;

protected:
    ~IClassFactory() = default;
};

inline constexpr TGUID IID_IUnknown = MakeGUID("{00000000-0000-0000-C000-000000000046}");
inline constexpr TGUID IID_IClassFactory = MakeGUID("{00000001-0000-0000-C000-000000000046}");
template <>
struct TInterfaceID<IUnknown> {
    static constexpr const TGUID& Value = IID_IUnknown;
};
template <>
struct TInterfaceID<IClassFactory> {
    static constexpr const TGUID& Value = IID_IClassFactory;
};

// ---------------------------------------------------------------- counted reference

// Holds one counted reference. Taking a raw pointer counts a new reference;
// Adopt takes over one already counted (the result of QueryInterface).
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ComPtr(T* P) noexcept : Ptr(P)
    {
        if (Ptr)
            Ptr->AddRef();
    }
    ComPtr(const ComPtr& Other) noexcept : ComPtr(Other.Ptr) {}
    ComPtr(ComPtr&& Other) noexcept : Ptr(std::exchange(Other.Ptr, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(const ComPtr<U>& Other) noexcept : ComPtr(static_cast<T*>(Other.Get()))
    {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    ComPtr(ComPtr<U>&& Other) noexcept : Ptr(Other.Detach())
    {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(T* P) noexcept
    {
        Assign(P);
        return *this;
    }
    ComPtr& operator=(const ComPtr& Other) noexcept
    {
        Assign(Other.Ptr);
        return *this;
    }
    ComPtr& operator=(ComPtr&& Other) noexcept
    {
        if (this != &Other) {
            T* Old = std::exchange(Ptr, std::exchange(Other.Ptr, nullptr));
            if (Old)
                Old->Release();
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Reset();
        return *this;
    }

    static ComPtr Adopt(T* P) noexcept
    {
        ComPtr R;
        R.Ptr = P;
        return R;
    }
    // Gives the reference up without releasing it.
    T* Detach() noexcept { return std::exchange(Ptr, nullptr); }
    void Reset() noexcept { Assign(nullptr); }

    T* Get() const noexcept { return Ptr; }
    T* operator->() const noexcept { return Ptr; }
    explicit operator bool() const noexcept { return Ptr != nullptr; }
    friend bool operator==(const ComPtr& A, const ComPtr& B) noexcept { return A.Ptr == B.Ptr; }
    friend bool operator==(const ComPtr& A, std::nullptr_t) noexcept { return A.Ptr == nullptr; }

    // The object's interface I, or null when it has none (or this is null).
    template <class I>
    ComPtr<I> As() const
    {
        void* Raw = nullptr;
        if (!Ptr || Failed(Ptr->QueryInterface(IIDOf<I>, &Raw)))
            return nullptr;
        return ComPtr<I>::Adopt(static_cast<I*>(Raw));
    }

private:
    // The new reference is counted before the old one is dropped, and the
    // holder already shows the new value while it is dropped: the release may
    // destroy the object that held the last other reference to P, or P itself
    // on self-assignment, and may run code that looks at this holder.
    void Assign(T* P) noexcept
    {
        if (P)
            P->AddRef();
        T* Old = std::exchange(Ptr, P);
        if (Old)
            Old->Release();
    }

    T* Ptr = nullptr;
};

// The object's interface I; raises EOleSysError(E_NOINTERFACE) when it has
// none, EOleSysError(E_POINTER) for a null reference.
template <class I, class U>
ComPtr<I> ComCast(const ComPtr<U>& Obj)
{
    if (!Obj)
        throw EOleSysError(E_POINTER);
    void* Raw = nullptr;
    const HRESULT Code = Obj->QueryInterface(IIDOf<I>, &Raw);
    if (Failed(Code))
        throw EOleSysError(Code, ComErrorText(Code) + QLatin1String(": ") + IIDOf<I>.ToString());
    return ComPtr<I>::Adopt(static_cast<I*>(Raw));
}

// ---------------------------------------------------------------- in-process servers

// The four entry points of an in-process server library, by these names.
extern "C" {
using TDllGetClassObject = HRESULT(const TGUID* ClassID, const TGUID* IID, void** Obj);
using TDllCanUnloadNow = HRESULT();
using TDllRegisterServer = HRESULT();
using TDllUnregisterServer = HRESULT();
}
inline constexpr const char* DllGetClassObjectName = "DllGetClassObject";
inline constexpr const char* DllCanUnloadNowName = "DllCanUnloadNow";
inline constexpr const char* DllRegisterServerName = "DllRegisterServer";
inline constexpr const char* DllUnregisterServerName = "DllUnregisterServer";

enum TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth };

// The value written as ThreadingModel: "" (single), "Apartment", "Free", "Both".
OSTAN_PLATFORM_API QString ThreadingModelText(TThreadingModel Model);

// Registration under HKEY_CLASSES_ROOT of the store:
//   CLSID\{clsid}                   @ = Description
//   CLSID\{clsid}\InprocServer32    @ = Path, ThreadingModel = ThreadingModelText
//     (a program: CLSID\{clsid}\LocalServer32 @ = Path)
//   CLSID\{clsid}\ProgID            @ = ProgID
//   <ProgID>                        @ = Description
//   <ProgID>\CLSID                  @ = {clsid}
// A class registered again overwrites its entries, so the last registration
// decides which file serves it. Write failures raise
// EOleSysError(REGDB_E_WRITEREGDB).
OSTAN_PLATFORM_API void RegisterInprocServer(const TGUID& ClassID, const QString& ProgID, const QString& Path,
                                             TThreadingModel Threading, const QString& Description = QString());
OSTAN_PLATFORM_API void RegisterLocalServer(const TGUID& ClassID, const QString& ProgID, const QString& Path,
                                            const QString& Description = QString());
// Removes CLSID\{clsid} and <ProgID> with everything below them.
OSTAN_PLATFORM_API void UnregisterComClass(const TGUID& ClassID, const QString& ProgID);

// Loads the library (RTLD_NOW | RTLD_LOCAL), calls its DllRegisterServer
// (DllUnregisterServer) and unloads it again. Raises EOleSysError naming the
// file when it cannot be loaded, has no such entry point or reports failure.
OSTAN_PLATFORM_API void RegisterComServer(const QString& FileName);
OSTAN_PLATFORM_API void UnregisterComServer(const QString& FileName);

// <ProgID>\CLSID; raises EOleSysError(CO_E_CLASSSTRING) naming the ProgID
// when it is not registered or its class identifier is malformed.
OSTAN_PLATFORM_API TGUID ProgIDToClassID(const QString& ProgID);

// A new object of the class, as its IUnknown. Served by the process's own
// class object when one is registered for ClassID, otherwise by the
// in-process server that HKEY_CLASSES_ROOT names (loaded at its first use).
// Raises EOleSysError: REGDB_E_CLASSNOTREG when neither exists,
// CO_E_DLLNOTFOUND / CO_E_ERRORINDLL when the library cannot be loaded or has
// no DllGetClassObject, or what the server reports.
OSTAN_PLATFORM_API ComPtr<IUnknown> CreateComObject(const TGUID& ClassID);

// The library files CreateComObject has loaded, in load order.
OSTAN_PLATFORM_API QStringList LoadedComServerFiles();

// The process's class-object table. A single-use entry serves one creation
// and is withdrawn; a multiple-use entry serves until revoked. The table
// holds a reference to the factory. Returns a cookie for RevokeClassObject.
OSTAN_PLATFORM_API uint32_t RegisterClassObject(const TGUID& ClassID, IClassFactory* Factory, bool MultipleUse);
OSTAN_PLATFORM_API void RevokeClassObject(uint32_t Cookie); // an unknown cookie is ignored

// Absolute path of the module (library or program) that contains Address.
OSTAN_PLATFORM_API QString ModuleFileNameOf(const void* Address);
// Absolute path of the running program.
OSTAN_PLATFORM_API QString ProgramFileName();

// ---------------------------------------------------------------- server switches

// "-Name" or "/Name" in any case, among the arguments after the first (which
// is the program, as in QCoreApplication::arguments()).
OSTAN_PLATFORM_API bool FindCmdLineSwitch(const QStringList& Args, const QString& Name);

enum class TComStartMode { Normal, Automation, RegServer, UnregServer };

// "AUTOMATION" or "EMBEDDING", else "REGSERVER", else "UNREGSERVER".
OSTAN_PLATFORM_API TComStartMode ComStartMode(const QStringList& Args);

// Start of a program that is a COM server: calls RegisterSelf(true), or
// RegisterSelf(false) with "UNREGSERVER". Its errors are ignored unless
// "REGSERVER" was given, when they propagate. Returns true when the program
// must stop now ("REGSERVER" or "UNREGSERVER").
OSTAN_PLATFORM_API bool HandleComServerSwitches(const QStringList& Args,
                                                const std::function<void(bool Register)>& RegisterSelf);

} // namespace ostan
