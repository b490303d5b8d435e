#pragma once
// The server side of the component model: the object base class, class
// factories and the server object of a module (a library or the program).
//
// A library serves its classes like this (one source file of the library):
//
//     OSTAN_COM_LIBRARY()   // ComServer() and the four entry points
//     static ostan::TComObjectFactory<TMyObject> Factory(ostan::ComServer(), CLSID_My,
//         "MyClass", "", ostan::ciSingleInstance, ostan::tmSingle);
//
// and is built with hidden visibility, so that it exports only the entry
// points and keeps its server object, factories and globals to itself. Its
// ProgID is "<file name without extension>.<class name>".
#include "Com.h"

#include <QString>
#include <vector>

namespace ostan {

// How a program offers a class to its own process; an in-process server
// ignores it. ciInternal classes are neither registered nor offered.
enum TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };

enum class TServerKind { InprocServer, LocalServer };

class TComObjectFactoryBase;

class OSTAN_PLATFORM_API TComServer {
public:
    explicit TComServer(TServerKind Kind);
    ~TComServer();
    TComServer(const TComServer&) = delete;
    TComServer& operator=(const TComServer&) = delete;

    TServerKind Kind() const { return ServerKind; }
    // The module's file. A library finds its own (the one holding this
    // object); a program sets it.
    QString ServerFileName() const;
    void SetServerFileName(const QString& Path) { FileName = Path; }
    // The file name without its extension: the first half of every ProgID.
    QString ServerName() const;

    // Factories add and remove themselves (a factory's class object is
    // withdrawn with it).
    void AddFactory(TComObjectFactoryBase* Factory);
    void RemoveFactory(TComObjectFactoryBase* Factory);
    TComObjectFactoryBase* FindFactory(const TGUID& ClassID) const;

    // What the entry points do. UpdateRegistry registers (or removes) every
    // factory's class; an error becomes SELFREG_E_CLASS with its text as the
    // error info.
    HRESULT GetClassObject(const TGUID* ClassID, const TGUID* IID, void** Obj);
    HRESULT CanUnloadNow() const; // S_OK without live objects and locks, else S_FALSE
    HRESULT UpdateRegistry(bool Register) noexcept;

    // A program offers its classes to its own process (see TClassInstancing).
    // Registering twice registers once.
    void RegisterClassObjects();
    void RevokeClassObjects();

    int ObjectCount() const { return Objects; }
    int LockCount() const { return Locks; }
    void CountObject(int Delta) { Objects += Delta; }
    void CountLock(int Delta) { Locks += Delta; }

private:
    TServerKind ServerKind;
    QString FileName;
    std::vector<TComObjectFactoryBase*> Factories;
    std::vector<std::pair<TComObjectFactoryBase*, uint32_t>> Cookies; // of the class objects offered
    int Objects = 0;
    int Locks = 0;
};

// One class of a server. Lives as long as its server (a static object):
// AddRef and Release count, they never free it.
class OSTAN_PLATFORM_API TComObjectFactoryBase : public IClassFactory {
public:
    TComObjectFactoryBase(TComServer& Server, const TGUID& ClassID, const QString& ClassName,
                          const QString& Description, TClassInstancing Instancing, TThreadingModel Threading);
    virtual ~TComObjectFactoryBase();
    TComObjectFactoryBase(const TComObjectFactoryBase&) = delete;
    TComObjectFactoryBase& operator=(const TComObjectFactoryBase&) = delete;

    HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT CreateInstance(IUnknown* Outer, const TGUID& IID, void** Obj) override;
    HRESULT LockServer(bool Lock) override;

    TComServer& Server() const { return Owner; }
    const TGUID& ClassID() const { return Class; }
    const QString& ClassName() const { return Name; }
    const QString& Description() const { return Text; }
    TClassInstancing Instancing() const { return Instances; }
    TThreadingModel ThreadingModel() const { return Threads; }
    QString ProgID() const; // "<server name>.<class name>"

    // Writes (or removes) the class's entries under HKEY_CLASSES_ROOT: an
    // in-process server at the library's path, or a local server at the
    // program's. May raise.
    virtual void UpdateRegistry(bool Register);

protected:
    // A new object, no reference counted yet. May raise: CreateInstance turns
    // the exception into a code and its text into the error info.
    virtual IUnknown* NewObject() = 0;

private:
    TComServer& Owner;
    TGUID Class;
    QString Name;
    QString Text;
    TClassInstancing Instances;
    TThreadingModel Threads;
    uint32_t RefCount = 0;
};

// Reference-counted object implementing the interface Intf (and IUnknown).
// Made by a factory it counts as a live object of that factory's server.
template <class Intf>
class TComObject : public Intf {
public:
    using TInterface = Intf;

    TComObject() = default;
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;

    HRESULT QueryInterface(const TGUID& IID, void** Obj) override
    {
        if (!Obj)
            return E_POINTER;
        if (IID == IID_IUnknown) {
            *Obj = static_cast<IUnknown*>(static_cast<Intf*>(this));
        } else if (IID == IIDOf<Intf>) {
            *Obj = static_cast<Intf*>(this);
        } else {
            *Obj = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++RefCount; }
    uint32_t Release() override
    {
        const uint32_t Left = --RefCount;
        if (Left == 0)
            delete this;
        return Left;
    }

    uint32_t RefCountForTest() const { return RefCount; }
    // By the factory that made the object.
    void AttachServer(TComServer* S)
    {
        Server = S;
        Server->CountObject(+1);
    }

protected:
    virtual ~TComObject()
    {
        if (Server)
            Server->CountObject(-1);
    }

private:
    uint32_t RefCount = 0;
    TComServer* Server = nullptr;
};

// The factory of class T (a TComObject with a default constructor).
template <class T>
class TComObjectFactory : public TComObjectFactoryBase {
public:
    using TComObjectFactoryBase::TComObjectFactoryBase;

protected:
    IUnknown* NewObject() override
    {
        T* Obj = new T();
        Obj->AttachServer(&Server());
        return static_cast<IUnknown*>(static_cast<typename T::TInterface*>(Obj));
    }
};

// The server object of the library that includes this. Hidden: every
// library defines its own (OSTAN_COM_LIBRARY).
OSTAN_MODULE_LOCAL TComServer& ComServer();

} // namespace ostan

#define OSTAN_COM_ENTRY extern "C" __attribute__((visibility("default")))

// Defines ComServer() and the four entry points of an in-process server.
#define OSTAN_COM_LIBRARY()                                                                                   \
    ostan::TComServer& ostan::ComServer()                                                                     \
    {                                                                                                         \
        static ostan::TComServer Server(ostan::TServerKind::InprocServer);                                    \
        return Server;                                                                                        \
    }                                                                                                         \
    OSTAN_COM_ENTRY ostan::HRESULT DllGetClassObject(const ostan::TGUID* ClassID, const ostan::TGUID* IID,    \
                                                     void** Obj)                                              \
    {                                                                                                         \
        return ostan::ComServer().GetClassObject(ClassID, IID, Obj);                                          \
    }                                                                                                         \
    OSTAN_COM_ENTRY ostan::HRESULT DllCanUnloadNow() { return ostan::ComServer().CanUnloadNow(); }            \
    OSTAN_COM_ENTRY ostan::HRESULT DllRegisterServer() { return ostan::ComServer().UpdateRegistry(true); }    \
    OSTAN_COM_ENTRY ostan::HRESULT DllUnregisterServer() { return ostan::ComServer().UpdateRegistry(false); } \
    static_assert(true, "")
