// The component model: GUIDs, counted references, interface queries, class
// factories, the process's class-object table, class registration and the
// server switches.
#include "ComServer.h"
#include "ComTestSupport.h"
#include "CommonInterfaces.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ostan;
using ostan::test::ClassesRootKeyExists;
using ostan::test::ReadClassesRoot;
using ostan::test::TTempStore;

namespace {

std::vector<std::string> Log;

// An object that logs its destruction.
class TLogged : public TComObject<IUnknown> {
public:
    explicit TLogged(std::string Name = "obj") : Name(std::move(Name)) {}
    ~TLogged() override { Log.push_back("~" + Name); }
    ComPtr<IUnknown> Held;           // a reference it keeps
    ComPtr<IUnknown>* Watched = nullptr; // what it looks at while it goes
    IUnknown* SeenInWatched = nullptr;

private:
    std::string Name;
};

class TLoggedHolder : public TLogged {
public:
    using TLogged::TLogged;
    ~TLoggedHolder() override
    {
        if (Watched)
            SeenInWatched = Watched->Get();
        Log.push_back("holder saw " + std::string(SeenInWatched == Held.Get() ? "the new value" : "another value"));
    }
};

class TBackProbe : public TComObject<IOstanBack> {
public:
    void SendPacket(const TDynamicByteArray&) override {}
    void RestartDevice() override {}
    void DisableAutoSwitch() override {}
};

class TThrowingObject : public TComObject<IUnknown> {
public:
    TThrowingObject() { throw std::runtime_error("no device on this port"); }
};

constexpr TGUID TestClassID = MakeGUID("{0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0}");

uint32_t RefCount(IUnknown* Obj)
{
    Obj->AddRef();
    return Obj->Release();
}

template <class F>
HRESULT RaisedCode(F&& Call, QString* Message = nullptr)
{
    try {
        Call();
    } catch (const EOleSysError& E) {
        if (Message)
            *Message = E.Message();
        return E.ErrorCode();
    }
    return S_OK;
}

} // namespace

// ---------------------------------------------------------------- GUIDs

TEST(ComGuid, ParsesAndFormats)
{
    const auto G = TGUID::FromString(QStringLiteral("{fa5ddaa6-868a-4e5f-b4d0-589581bd1bc2}"));
    ASSERT_TRUE(G);
    EXPECT_EQ(*G, IID_IOstanPlugin);
    EXPECT_EQ(G->D1, 0xFA5DDAA6u);
    EXPECT_EQ(G->D2, 0x868Au);
    EXPECT_EQ(G->D3, 0x4E5Fu);
    EXPECT_EQ(G->D4[0], 0xB4);
    EXPECT_EQ(G->D4[7], 0xC2);
    EXPECT_EQ(G->ToString(), QStringLiteral("{FA5DDAA6-868A-4E5F-B4D0-589581BD1BC2}"));
    EXPECT_EQ(IID_IOstanBack.ToString(), QStringLiteral("{86B8A22A-564D-48E3-9607-F284F10D8319}"));
    EXPECT_EQ(CLSID_OstanBack.ToString(), QStringLiteral("{7992746B-D464-484E-86D2-83516A28EB77}"));
    EXPECT_EQ(StringToGUID(CLSID_OstanBack.ToString()), CLSID_OstanBack);
    EXPECT_LT(MakeGUID("{00000000-0000-0000-0000-000000000001}"), MakeGUID("{00000000-0000-0000-0000-000000000002}"));
    EXPECT_NE(IID_IOstanPlugin, IID_IOstanBack);
}

TEST(ComGuid, RefusesMalformedText)
{
    const char* Bad[] = {
        "",
        "FA5DDAA6-868A-4E5F-B4D0-589581BD1BC2",    // no braces
        "{FA5DDAA6-868A-4E5F-B4D0-589581BD1BC2",   // no closing brace
        "{FA5DDAA6-868A-4E5F-B4D0-589581BD1BC2} ", // trailing space
        "{FA5DDAA6_868A-4E5F-B4D0-589581BD1BC2}",  // separator
        "{FA5DDAA6-868A-4E5F-B4D05-89581BD1BC2}",  // dash misplaced
        "{FA5DDAG6-868A-4E5F-B4D0-589581BD1BC2}",  // not hex
        "{FA5DDAA6-868A-4E5F-B4D0-589581BD1B+2}",
    };
    for (const char* T : Bad) {
        EXPECT_FALSE(TGUID::FromString(QString::fromLatin1(T))) << T;
        EXPECT_EQ(RaisedCode([&] { StringToGUID(QString::fromLatin1(T)); }), CO_E_CLASSSTRING) << T;
    }
    // A character outside Latin-1 must not pass as a digit.
    EXPECT_FALSE(TGUID::FromString(QStringLiteral("{FA5DDAA6-868A-4E5F-B4D0-589581BD1BC\u0432}")));
}

// ---------------------------------------------------------------- errors

TEST(ComError, CarriesCodeAndReadableText)
{
    const EOleSysError Plain(REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Plain.ErrorCode(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Plain.Message(), QStringLiteral("Класс не зарегистрирован"));
    EXPECT_EQ(EOleSysError(E_FAIL, QStringLiteral("Порт занят")).Message(), QStringLiteral("Порт занят"));
    EXPECT_EQ(ComErrorText(MakeHResult(0x80041234u)), QStringLiteral("Ошибка 0x80041234"));

    // OleCheck prefers the text a server left, and uses it once.
    SetComErrorInfo(QStringLiteral("the store is read-only"));
    QString Message;
    EXPECT_EQ(RaisedCode([] { OleCheck(SELFREG_E_CLASS); }, &Message), SELFREG_E_CLASS);
    EXPECT_EQ(Message, QStringLiteral("the store is read-only"));
    EXPECT_EQ(RaisedCode([] { OleCheck(SELFREG_E_CLASS); }, &Message), SELFREG_E_CLASS);
    EXPECT_EQ(Message, ComErrorText(SELFREG_E_CLASS));
    EXPECT_NO_THROW(OleCheck(S_FALSE));
}

// ---------------------------------------------------------------- counted references

TEST(ComPtrTest, CountsCopiesMovesAndResets)
{
    Log.clear();
    auto* Obj = new TLogged("a");
    {
        ComPtr<IUnknown> A(Obj);
        EXPECT_EQ(Obj->RefCountForTest(), 1u);
        ComPtr<IUnknown> B = A;
        EXPECT_EQ(Obj->RefCountForTest(), 2u);
        ComPtr<IUnknown> C = std::move(B);
        EXPECT_FALSE(B);
        EXPECT_EQ(Obj->RefCountForTest(), 2u);
        C.Reset();
        EXPECT_EQ(Obj->RefCountForTest(), 1u);

        // Self-assignment in every form keeps the object and its count.
        A = A;
        A = A.Get();
        ComPtr<IUnknown>& Same = A;
        A = std::move(Same);
        EXPECT_EQ(Obj->RefCountForTest(), 1u);
        EXPECT_TRUE(Log.empty());

        IUnknown* Raw = A.Detach();
        EXPECT_FALSE(A);
        A = ComPtr<IUnknown>::Adopt(Raw);
        EXPECT_EQ(Obj->RefCountForTest(), 1u);
    }
    EXPECT_EQ(Log, std::vector<std::string>{"~a"});
}

// The object released by an assignment holds the last other reference to the
// one assigned: counting the new one first keeps it alive, and while the old
// one goes the holder already shows the new value.
TEST(ComPtrTest, AssignmentCountsNewBeforeReleasingOld)
{
    for (const bool FromComPtr : {false, true}) {
        Log.clear();
        auto* Inner = new TLogged("inner");
        auto* Holder = new TLoggedHolder("holder");
        Holder->Held = Inner;
        ComPtr<IUnknown> P(Holder);
        Holder->Watched = &P;
        EXPECT_EQ(Inner->RefCountForTest(), 1u);

        if (FromComPtr)
            P = Holder->Held; // a reference owned by the object being released
        else
            P = Holder->Held.Get();

        EXPECT_EQ(Log, (std::vector<std::string>{"holder saw the new value", "~holder"})) << FromComPtr;
        ASSERT_EQ(P.Get(), Inner);
        EXPECT_EQ(Inner->RefCountForTest(), 1u);
        P.Reset();
        EXPECT_EQ(Log.back(), "~inner");
    }
}

TEST(ComPtrTest, FailedQueryInterfaceLeavesNothingBehind)
{
    Log.clear();
    auto* Obj = new TLogged("plain");
    ComPtr<IUnknown> P(Obj);

    void* Raw = &Raw;
    EXPECT_EQ(P->QueryInterface(IID_IOstanBack, &Raw), E_NOINTERFACE);
    EXPECT_EQ(Raw, nullptr);
    EXPECT_EQ(P->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_FALSE(P.As<IOstanPlugin>());
    QString Message;
    EXPECT_EQ(RaisedCode([&] { ComCast<IOstanBack>(P); }, &Message), E_NOINTERFACE);
    EXPECT_TRUE(Message.contains(IID_IOstanBack.ToString())) << Message.toStdString();
    EXPECT_EQ(RaisedCode([] { ComCast<IOstanBack>(ComPtr<IUnknown>()); }), E_POINTER);
    EXPECT_EQ(Obj->RefCountForTest(), 1u);

    // A supported interface is the same object, counted once more.
    ComPtr<IUnknown> Back(new TBackProbe);
    ComPtr<IOstanBack> AsBack = ComCast<IOstanBack>(Back);
    EXPECT_EQ(static_cast<IUnknown*>(AsBack.Get()), Back.Get());
    EXPECT_EQ(RefCount(Back.Get()), 2u);
}

// ---------------------------------------------------------------- factories and the class-object table

TEST(ComFactory, ProcessTableServesItsClasses)
{
    TTempStore Store;
    TComServer Server(TServerKind::LocalServer);
    Server.SetServerFileName(QStringLiteral("/opt/ostan/ostan"));
    TComObjectFactory<TBackProbe> Factory(Server, TestClassID, QStringLiteral("Probe"), QString(), ciMultiInstance,
                                          tmSingle);
    EXPECT_EQ(Factory.ProgID(), QStringLiteral("ostan.Probe"));

    QString Message;
    EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }, &Message), REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(Message.contains(TestClassID.ToString())) << Message.toStdString();

    Server.RegisterClassObjects();
    Server.RegisterClassObjects(); // once only
    {
        ComPtr<IUnknown> A = CreateComObject(TestClassID);
        ComPtr<IUnknown> B = CreateComObject(TestClassID);
        EXPECT_NE(A, B);
        EXPECT_TRUE(A.As<IOstanBack>());
        EXPECT_EQ(Server.ObjectCount(), 2);
        EXPECT_EQ(Server.CanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(Server.ObjectCount(), 0);
    EXPECT_EQ(Server.CanUnloadNow(), S_OK);

    Server.RevokeClassObjects();
    EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }), REGDB_E_CLASSNOTREG);
}

TEST(ComFactory, InstancingDecidesWhatTheTableOffers)
{
    TTempStore Store;
    TComServer Server(TServerKind::LocalServer);
    {
        TComObjectFactory<TBackProbe> Single(Server, TestClassID, QStringLiteral("Probe"), QString(),
                                             ciSingleInstance, tmSingle);
        Server.RegisterClassObjects();
        EXPECT_NO_THROW(CreateComObject(TestClassID));
        EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }), REGDB_E_CLASSNOTREG);
    }
    {
        TComObjectFactory<TBackProbe> Internal(Server, TestClassID, QStringLiteral("Probe"), QString(), ciInternal,
                                               tmSingle);
        Server.RevokeClassObjects();
        Server.RegisterClassObjects();
        EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }), REGDB_E_CLASSNOTREG);
        Internal.UpdateRegistry(true);
        EXPECT_FALSE(ClassesRootKeyExists(QLatin1String("\\CLSID\\") + TestClassID.ToString()));
    }
    {
        // A factory that goes away takes its class object with it.
        TComObjectFactory<TBackProbe> Multi(Server, TestClassID, QStringLiteral("Probe"), QString(), ciMultiInstance,
                                            tmSingle);
        Server.RevokeClassObjects();
        Server.RegisterClassObjects();
        EXPECT_NO_THROW(CreateComObject(TestClassID));
    }
    EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }), REGDB_E_CLASSNOTREG);
}

TEST(ComFactory, CreateInstanceFailures)
{
    TComServer Server(TServerKind::LocalServer);
    TComObjectFactory<TBackProbe> Factory(Server, TestClassID, QStringLiteral("Probe"), QString(), ciMultiInstance,
                                          tmSingle);
    void* Raw = &Raw;
    ComPtr<IUnknown> Outer(new TLogged("outer"));
    EXPECT_EQ(Factory.CreateInstance(Outer.Get(), IID_IUnknown, &Raw), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(Raw, nullptr);
    EXPECT_EQ(Factory.CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    // An object without the interface asked for is freed at once.
    EXPECT_EQ(Factory.CreateInstance(nullptr, IID_IOstanPlugin, &Raw), E_NOINTERFACE);
    EXPECT_EQ(Raw, nullptr);
    EXPECT_EQ(Server.ObjectCount(), 0);
    EXPECT_EQ(Factory.LockServer(true), S_OK);
    EXPECT_EQ(Server.CanUnloadNow(), S_FALSE);
    Factory.LockServer(false);
    EXPECT_EQ(Server.CanUnloadNow(), S_OK);

    // The text of an exception in the object's constructor reaches the creator.
    TComServer Other(TServerKind::LocalServer);
    constexpr TGUID ThrowingID = MakeGUID("{0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F1}");
    TComObjectFactory<TThrowingObject> Throwing(Other, ThrowingID, QStringLiteral("Throwing"), QString(),
                                                ciMultiInstance, tmSingle);
    Other.RegisterClassObjects();
    QString Message;
    EXPECT_EQ(RaisedCode([&] { CreateComObject(ThrowingID); }, &Message), E_FAIL);
    EXPECT_TRUE(Message.contains(QLatin1String("no device on this port"))) << Message.toStdString();
    EXPECT_TRUE(TakeComErrorInfo().isEmpty());
}

// ---------------------------------------------------------------- registration

TEST(ComRegistration, WritesAndRemovesTheClassEntries)
{
    TTempStore Store;
    const QString Key = QLatin1String("\\CLSID\\") + TestClassID.ToString();
    RegisterInprocServer(TestClassID, QStringLiteral("TIRA5.OstanPlugin"), QStringLiteral("/opt/Plugins/TIRA5.so"),
                         tmSingle);
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32")), QStringLiteral("/opt/Plugins/TIRA5.so"));
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32"), QStringLiteral("ThreadingModel")), QString());
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\ProgID")), QStringLiteral("TIRA5.OstanPlugin"));
    EXPECT_EQ(ReadClassesRoot(QStringLiteral("\\TIRA5.OstanPlugin\\CLSID")), TestClassID.ToString());
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("TIRA5.OstanPlugin")), TestClassID);
    EXPECT_EQ(ProgIDToClassID(QStringLiteral("tira5.ostanplugin")), TestClassID);

    RegisterInprocServer(TestClassID, QStringLiteral("TIRA5.OstanPlugin"), QStringLiteral("/opt/Plugins/TIRA5.so"),
                         tmApartment);
    EXPECT_EQ(ReadClassesRoot(Key + QLatin1String("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));

    // Registered but missing: the file is named.
    QString Message;
    EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }, &Message), CO_E_DLLNOTFOUND);
    EXPECT_TRUE(Message.contains(QLatin1String("/opt/Plugins/TIRA5.so"))) << Message.toStdString();

    UnregisterComClass(TestClassID, QStringLiteral("TIRA5.OstanPlugin"));
    EXPECT_FALSE(ClassesRootKeyExists(Key));
    EXPECT_FALSE(ClassesRootKeyExists(QStringLiteral("\\TIRA5.OstanPlugin")));
    EXPECT_EQ(RaisedCode([] { ProgIDToClassID(QStringLiteral("TIRA5.OstanPlugin")); }), CO_E_CLASSSTRING);
    EXPECT_EQ(RaisedCode([] { CreateComObject(TestClassID); }), REGDB_E_CLASSNOTREG);
}

TEST(ComRegistration, UnknownProgIDsRaise)
{
    TTempStore Store;
    {
        TRegistry Reg;
        Reg.SetRootKey(HKey::ClassesRoot);
        ASSERT_TRUE(Reg.OpenKey(QStringLiteral("\\Broken.OstanPlugin\\CLSID"), true));
        Reg.WriteString(QString(), QStringLiteral("{not a guid}"));
        ASSERT_TRUE(Reg.OpenKey(QStringLiteral("\\Empty.OstanPlugin"), true));
        Reg.WriteString(QString(), QString());
    }
    for (const QString& ProgID : {QStringLiteral("PIP_DELM.OstanPlugin"), QString(), QStringLiteral("Broken.OstanPlugin"),
                                 QStringLiteral("Empty.OstanPlugin"), QStringLiteral("Broken.OstanPlugin\\CLSID\\..")}) {
        QString Message;
        EXPECT_EQ(RaisedCode([&] { ProgIDToClassID(ProgID); }, &Message), CO_E_CLASSSTRING) << ProgID.toStdString();
        EXPECT_TRUE(Message.contains(QLatin1Char('"') + ProgID + QLatin1Char('"'))) << Message.toStdString();
    }
}

// ---------------------------------------------------------------- server switches

TEST(ComSwitches, RegisterUnregisterAndStop)
{
    struct Case {
        QStringList Args;
        bool Fails;             // the registration raises
        std::vector<bool> Calls; // arguments RegisterSelf got
        bool Stop;
        bool Raises;
    };
    const QString P = QStringLiteral("/usr/bin/ostan");
    const Case Cases[] = {
        {{P}, false, {true}, false, false},
        {{P, QStringLiteral("/REGSERVER")}, false, {true}, true, false},
        {{P, QStringLiteral("-regserver")}, false, {true}, true, false},
        {{P, QStringLiteral("/UnRegServer")}, false, {false}, true, false},
        {{P, QStringLiteral("REGSERVER")}, false, {true}, true, false}, // the plain word, as typed on Linux
        {{P, QStringLiteral("REGSERVERX")}, false, {true}, false, false},
        {{QStringLiteral("/REGSERVER")}, false, {true}, false, false},   // the program itself is not a switch
        {{P, QStringLiteral("/EMBEDDING"), QStringLiteral("/REGSERVER")}, false, {true}, false, false},
        {{P, QStringLiteral("-Automation"), QStringLiteral("/UNREGSERVER")}, false, {true}, false, false},
        {{P, QStringLiteral("/UNREGSERVER"), QStringLiteral("/REGSERVER")}, false, {true}, true, false},
        {{P}, true, {true}, false, false},
        {{P, QStringLiteral("/REGSERVER")}, true, {true}, true, true},
        {{P, QStringLiteral("/UNREGSERVER")}, true, {false}, true, false},
    };
    for (const Case& C : Cases) {
        const std::string Name = C.Args.join(QLatin1Char(' ')).toStdString() + (C.Fails ? " (failing)" : "");
        std::vector<bool> Calls;
        auto RegisterSelf = [&](bool Register) {
            Calls.push_back(Register);
            if (C.Fails)
                throw EOleSysError(REGDB_E_WRITEREGDB);
        };
        bool Stop = false;
        bool Raised = false;
        try {
            Stop = HandleComServerSwitches(C.Args, RegisterSelf);
        } catch (const EOleSysError& E) {
            Raised = true;
            EXPECT_EQ(E.ErrorCode(), REGDB_E_WRITEREGDB) << Name;
        }
        EXPECT_EQ(Calls, C.Calls) << Name;
        EXPECT_EQ(Raised, C.Raises) << Name;
        if (!C.Raises) {
            EXPECT_EQ(Stop, C.Stop) << Name;
        }
    }
}
