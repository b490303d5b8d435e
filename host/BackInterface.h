#pragma once
// The program's callback class for the plug-ins, TOstanBack, and the
// program's side as the COM server that offers it.
//
// main() calls StartOstanBackServer(arguments) first thing: it registers the
// class under HKEY_CLASSES_ROOT at every start (or removes it with
// "UNREGSERVER"), and, unless a switch says stop, offers the class object to
// this process, where a plug-in's CreateComObject(CLSID_OstanBack) finds it.
#include "CommonInterfaces.h"
#include "ComServer.h"

#include <QStringList>

namespace ostan {

// What the callback relays to: the main window implements it and installs
// itself for its lifetime.
class IOstanBackSink {
public:
    virtual ~IOstanBackSink() = default;
    virtual void SendPluginPacket(const TDynamicByteArray& Data) = 0;
    virtual void RestartDevice() = 0;
    virtual void DisableAutoSwitch() = 0;
};

// Returns the previous sink; nullptr uninstalls.
IOstanBackSink* SetOstanBackSink(IOstanBackSink* Sink);
IOstanBackSink* OstanBackSink();

// A thin relay to the sink. Called without one (no main window yet) it
// raises EOleSysError(E_UNEXPECTED, "Invalid class typecast").
class TOstanBack final : public TComObject<IOstanBack> {
public:
    void SendPacket(const TDynamicByteArray& Data) override;
    void RestartDevice() override;
    void DisableAutoSwitch() override;

private:
    ~TOstanBack() override = default;
    static IOstanBackSink& Sink();
};

// The program's server object (a local server at the program's own path) and
// the factory of TOstanBack: "OstanBack", multiple instances, single-threaded.
TComServer& ProgramComServer();
TComObjectFactoryBase& OstanBackFactory();

// Registration at start: HandleComServerSwitches with the factory's
// registration (its errors ignored unless "REGSERVER" was given, when they
// propagate). Returns true when the program must stop now ("REGSERVER",
// "UNREGSERVER"); otherwise the class object is offered to this process.
bool StartOstanBackServer(const QStringList& Args);
// Withdraws the class object (at exit).
void StopOstanBackServer();

} // namespace ostan
