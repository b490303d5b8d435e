#include "BackInterface.h"

namespace ostan {

namespace {
IOstanBackSink*& CurrentSink()
{
    static IOstanBackSink* Sink = nullptr;
    return Sink;
}
} // namespace

IOstanBackSink* SetOstanBackSink(IOstanBackSink* Sink) { return std::exchange(CurrentSink(), Sink); }

IOstanBackSink* OstanBackSink() { return CurrentSink(); }

IOstanBackSink& TOstanBack::Sink()
{
    if (!CurrentSink())
        throw EOleSysError(E_UNEXPECTED, QStringLiteral("Недопустимое приведение типа"));
    return *CurrentSink();
}

void TOstanBack::SendPacket(const TDynamicByteArray& Data)
{
    // Our own copy for the duration of the call: the sink may pump events,
    // and the plug-in may reuse its buffer meanwhile.
    const TDynamicByteArray Copy = Data;
    Sink().SendPluginPacket(Copy);
}

void TOstanBack::RestartDevice() { Sink().RestartDevice(); }

void TOstanBack::DisableAutoSwitch() { Sink().DisableAutoSwitch(); }

TComServer& ProgramComServer()
{
    static TComServer Server(TServerKind::LocalServer);
    return Server;
}

TComObjectFactoryBase& OstanBackFactory()
{
    static TComObjectFactory<TOstanBack> Factory(ProgramComServer(), CLSID_OstanBack, QStringLiteral("OstanBack"),
                                                 QString(), ciMultiInstance, tmSingle);
    return Factory;
}

bool StartOstanBackServer(const QStringList& Args)
{
    TComServer& Server = ProgramComServer();
    if (Server.ServerFileName().isEmpty())
        Server.SetServerFileName(ProgramFileName());
    TComObjectFactoryBase& Factory = OstanBackFactory();
    if (HandleComServerSwitches(Args, [&Factory](bool Register) { Factory.UpdateRegistry(Register); }))
        return true;
    Server.RegisterClassObjects();
    return false;
}

void StopOstanBackServer() { ProgramComServer().RevokeClassObjects(); }

} // namespace ostan
