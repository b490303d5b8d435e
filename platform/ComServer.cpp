#include "ComServer.h"

#include <QFileInfo>
#include <algorithm>

namespace ostan {

// ---------------------------------------------------------------- TComServer

TComServer::TComServer(TServerKind Kind) : ServerKind(Kind) {}

TComServer::~TComServer() { RevokeClassObjects(); }

QString TComServer::ServerFileName() const
{
    if (FileName.isEmpty() && ServerKind == TServerKind::InprocServer)
        return ModuleFileNameOf(this); // this object lives in the library's own data
    return FileName;
}

QString TComServer::ServerName() const { return QFileInfo(ServerFileName()).completeBaseName(); }

void TComServer::AddFactory(TComObjectFactoryBase* Factory) { Factories.push_back(Factory); }

void TComServer::RemoveFactory(TComObjectFactoryBase* Factory)
{
    Factories.erase(std::remove(Factories.begin(), Factories.end(), Factory), Factories.end());
    for (auto It = Cookies.begin(); It != Cookies.end(); ++It) {
        if (It->first == Factory) {
            const uint32_t Cookie = It->second;
            Cookies.erase(It);
            RevokeClassObject(Cookie);
            break;
        }
    }
}

TComObjectFactoryBase* TComServer::FindFactory(const TGUID& ClassID) const
{
    for (TComObjectFactoryBase* F : Factories)
        if (F->ClassID() == ClassID)
            return F;
    return nullptr;
}

HRESULT TComServer::GetClassObject(const TGUID* ClassID, const TGUID* IID, void** Obj)
{
    if (!Obj)
        return E_POINTER;
    *Obj = nullptr;
    if (!ClassID || !IID)
        return E_POINTER;
    TComObjectFactoryBase* F = FindFactory(*ClassID);
    if (!F)
        return CLASS_E_CLASSNOTAVAILABLE;
    return F->QueryInterface(*IID, Obj);
}

HRESULT TComServer::CanUnloadNow() const { return Objects == 0 && Locks == 0 ? S_OK : S_FALSE; }

HRESULT TComServer::UpdateRegistry(bool Register) noexcept
{
    try {
        for (TComObjectFactoryBase* F : Factories)
            F->UpdateRegistry(Register);
        return S_OK;
    } catch (const std::exception& E) {
        SetComErrorInfo(QString::fromUtf8(E.what()));
    } catch (...) {
        SetComErrorInfo(ComErrorText(SELFREG_E_CLASS));
    }
    return SELFREG_E_CLASS;
}

void TComServer::RegisterClassObjects()
{
    if (!Cookies.empty())
        return;
    for (TComObjectFactoryBase* F : Factories)
        if (F->Instancing() != ciInternal)
            Cookies.emplace_back(F, RegisterClassObject(F->ClassID(), F, F->Instancing() == ciMultiInstance));
}

void TComServer::RevokeClassObjects()
{
    for (const auto& Entry : std::exchange(Cookies, {}))
        RevokeClassObject(Entry.second);
}

// ---------------------------------------------------------------- factories

TComObjectFactoryBase::TComObjectFactoryBase(TComServer& Server, const TGUID& ClassID, const QString& ClassName,
                                             const QString& Description, TClassInstancing Instancing,
                                             TThreadingModel Threading)
    : Owner(Server), Class(ClassID), Name(ClassName), Text(Description), Instances(Instancing), Threads(Threading)
{
    Owner.AddFactory(this);
}

TComObjectFactoryBase::~TComObjectFactoryBase() { Owner.RemoveFactory(this); }

HRESULT TComObjectFactoryBase::QueryInterface(const TGUID& IID, void** Obj)
{
    if (!Obj)
        return E_POINTER;
    if (IID == IID_IUnknown || IID == IID_IClassFactory) {
        *Obj = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *Obj = nullptr;
    return E_NOINTERFACE;
}

uint32_t TComObjectFactoryBase::AddRef() { return ++RefCount; }

uint32_t TComObjectFactoryBase::Release() { return RefCount > 0 ? --RefCount : 0; }

HRESULT TComObjectFactoryBase::CreateInstance(IUnknown* Outer, const TGUID& IID, void** Obj)
{
    if (!Obj)
        return E_POINTER;
    *Obj = nullptr;
    if (Outer)
        return CLASS_E_NOAGGREGATION;
    try {
        IUnknown* New = NewObject();
        // Held while it is asked, so an object without the interface is freed.
        New->AddRef();
        const HRESULT Code = New->QueryInterface(IID, Obj);
        New->Release();
        return Code;
    } catch (const EOleSysError& E) {
        SetComErrorInfo(E.Message());
        return E.ErrorCode();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& E) {
        SetComErrorInfo(QString::fromUtf8(E.what()));
        return E_FAIL;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT TComObjectFactoryBase::LockServer(bool Lock)
{
    Owner.CountLock(Lock ? +1 : -1);
    return S_OK;
}

QString TComObjectFactoryBase::ProgID() const { return Owner.ServerName() + QLatin1Char('.') + Name; }

void TComObjectFactoryBase::UpdateRegistry(bool Register)
{
    if (Instances == ciInternal)
        return;
    if (!Register) {
        UnregisterComClass(Class, ProgID());
        return;
    }
    if (Owner.Kind() == TServerKind::InprocServer)
        RegisterInprocServer(Class, ProgID(), Owner.ServerFileName(), Threads, Text);
    else
        RegisterLocalServer(Class, ProgID(), Owner.ServerFileName(), Text);
}

} // namespace ostan
