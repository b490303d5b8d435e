#pragma once
// A stand-in for the program's callback class: offered under CLSID_OstanBack
// in the process's class-object table for its lifetime, it records every
// creation, call and release in the fixture event log.
#include "CommonInterfaces.h"
#include "ComServer.h"
#include "FixtureEvents.h"
#include "QStringPrinting.h"

#include <functional>

namespace ostan::test {

class TRecordingBack final : public TComObject<IOstanBack> {
public:
    TRecordingBack() { RecordEvent(QStringLiteral("back created")); }
    void SendPacket(const TDynamicByteArray& Data) override
    {
        QStringList Bytes;
        for (int i = 0; i < Data.Length(); ++i)
            Bytes << QStringLiteral("%1").arg(Data[i], 2, 16, QLatin1Char('0')).toUpper();
        RecordEvent(QStringLiteral("SendPacket ") + Bytes.join(QLatin1Char(' ')));
    }
    void RestartDevice() override
    {
        RecordEvent(QStringLiteral("RestartDevice"));
        if (OnRestart)
            OnRestart();
    }
    void DisableAutoSwitch() override { RecordEvent(QStringLiteral("DisableAutoSwitch")); }

    // What the program does in answer to RestartDevice, for a test.
    static inline std::function<void()> OnRestart;

private:
    ~TRecordingBack() override { RecordEvent(QStringLiteral("back released")); }
};

class TOfferedRecordingBack {
public:
    TOfferedRecordingBack() { Server.RegisterClassObjects(); }
    ~TOfferedRecordingBack()
    {
        Server.RevokeClassObjects();
        TRecordingBack::OnRestart = nullptr;
    }
    TOfferedRecordingBack(const TOfferedRecordingBack&) = delete;
    TOfferedRecordingBack& operator=(const TOfferedRecordingBack&) = delete;

    // Live callback objects.
    int Objects() const { return Server.ObjectCount(); }
    void Withdraw() { Server.RevokeClassObjects(); }

private:
    TComServer Server{TServerKind::LocalServer};
    TComObjectFactory<TRecordingBack> Factory{Server,   CLSID_OstanBack, QStringLiteral("OstanBack"), QString(),
                                              ciMultiInstance, tmSingle};
};

} // namespace ostan::test
