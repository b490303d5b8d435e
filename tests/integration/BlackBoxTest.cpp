// The real program and the real emulator, as two processes: the bytes on the
// wire at start-up, and a clean close that writes the settings.
#include "LockHolder.h"
#include "Registry.h"
#include "Ticks.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostan;

namespace {

bool WaitForLine(QProcess& P, QByteArray& Seen, const QByteArray& Prefix, int TimeoutMs)
{
    return PumpUntil(
        [&] {
            Seen += P.readAllStandardOutput();
            for (const QByteArray& l : Seen.split('\n'))
                if (l.trimmed().toLower().startsWith(Prefix.toLower()))
                    return true;
            return false;
        },
        uint32_t(TimeoutMs));
}

// A private settings store for the two processes: the emulator's COM7 at
// 115200 bit/s, no sound, automatic selection as given, no settings dialog
// at start.
QProcessEnvironment PrivateStore(const QTemporaryDir& Dir, bool AutoSelect)
{
    const QString store = Dir.filePath("registry.reg");
    qputenv("OSTAN_REGISTRY", store.toUtf8());
    {
        TRegistry r;
        EXPECT_TRUE(r.OpenKey("\\SOFTWARE\\Vantrel\\Ostan\\Settings", true));
        r.WriteInteger("Port", 7);
        r.WriteInteger("PortSpeed", 13);
        r.WriteInteger("Sound", 0);
        r.WriteInteger("AutoSelectPlugin", AutoSelect ? 1 : 0);
        r.WriteInteger("BLSPinCount", 4); // no settings dialog at start
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("OSTAN_REGISTRY", store);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// The emulator on COM7 at 115200 bit/s with firmware 27 and EmuArgs, once
// it is ready; then the program.
void StartBoth(const QProcessEnvironment& Env, const QStringList& EmuArgs, QProcess& Emu, QByteArray& EmuOut,
               QProcess& Ostan)
{
    Emu.setProcessEnvironment(Env);
    Emu.start(EMULATOR_BIN, QStringList{"--port", "7", "--baud", "115200", "--firmware", "27"} + EmuArgs);
    ASSERT_TRUE(WaitForLine(Emu, EmuOut, "ready", 30000)) << EmuOut.toStdString();
    Ostan.setProcessEnvironment(Env);
    Ostan.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Ostan.start(OSTAN_BIN, {});
    ASSERT_TRUE(Ostan.waitForStarted(30000));
}

} // namespace

TEST(BlackBox, AMeterIsChosenByItselfWhileAutomaticSelectionIsOn)
{
    // The emulator as `make run` starts it; the meter's device-ID frame
    // alone makes the program activate its library and select it.
    struct Case { const char* device; const char* select; };
    const Case cases[] = {
        {"TIRA5", "cmd 04 payload 03 03"},
        {"TIRA6", "cmd 04 payload 03 03"},
        {"TIRA4", "cmd 04 payload 04 04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        QProcess emu, ostan;
        QByteArray emuOut;
        ASSERT_NO_FATAL_FAILURE(StartBoth(PrivateStore(dir, true),
                                          {"--status-period", "500", "--stream-on-select", "500", "--device", c.device},
                                          emu, emuOut, ostan));
        EXPECT_TRUE(WaitForLine(emu, emuOut, c.select, 60000)) << emuOut.toStdString();
        ostan.terminate();
        EXPECT_TRUE(ostan.waitForFinished(30000));
        emu.terminate();
        emu.waitForFinished(5000);
    }
}

TEST(BlackBox, ProgramConnectsResetsAndClosesCleanly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess emu, ostan;
    QByteArray emuOut;
    ASSERT_NO_FATAL_FAILURE(StartBoth(PrivateStore(dir, false), {"--status-period", "300"}, emu, emuOut, ostan));

    // The probe twice at the stored speed, then the reset.
    ASSERT_TRUE(WaitForLine(emu, emuOut, "cmd ff", 60000)) << emuOut.toStdString();
    const QList<QByteArray> lines = emuOut.split('\n');
    QList<QByteArray> cmds;
    for (const QByteArray& l : lines)
        if (l.startsWith("cmd "))
            cmds << l.trimmed().toLower();
    // A starved machine may miss the first answer's wait; the search then
    // probes again before the reset.
    ASSERT_GE(cmds.size(), 3);
    const auto reset = std::find_if(cmds.begin(), cmds.end(), [](const QByteArray& c) { return c.startsWith("cmd ff"); });
    ASSERT_NE(reset, cmds.end());
    EXPECT_GE(reset - cmds.begin(), 2);
    EXPECT_TRUE(std::all_of(cmds.begin(), reset, [](const QByteArray& c) { return c.startsWith("cmd 07"); }))
        << emuOut.toStdString();

    // The system asks the program to end: it closes its window and saves.
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\SOFTWARE\\Vantrel\\Ostan\\Settings", false));
        r.WriteInteger("Port", 0); // the close must write the live port again
    }
    ostan.terminate();
    ASSERT_TRUE(ostan.waitForFinished(30000));
    EXPECT_EQ(ostan.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ostan.exitCode(), 0);
    {
        TRegistry r(RegAccess::Read);
        ASSERT_TRUE(r.OpenKeyReadOnly("\\SOFTWARE\\Vantrel\\Ostan\\Settings"));
        EXPECT_EQ(r.ReadInteger("Port"), 7);
        EXPECT_EQ(r.ReadInteger("PortSpeed"), 13);
    }
    emu.terminate();
    emu.waitForFinished(5000);
}

TEST(BlackBox, ServerSwitchesRegisterAndUnregisterWithoutAWindow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString store = dir.filePath("registry.reg");
    qputenv("OSTAN_REGISTRY", store.toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("OSTAN_REGISTRY", store);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString key = "\\CLSID\\{7992746B-D464-484E-86D2-83516A28EB77}";
    auto run = [&](const QString& sw) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(OSTAN_BIN, {sw});
        // No window and no message loop: it ends by itself at once.
        EXPECT_TRUE(p.waitForFinished(10000)) << sw.toStdString();
        EXPECT_EQ(p.exitCode(), 0);
    };
    run("REGSERVER");
    {
        TRegistry r(RegAccess::Read);
        r.SetRootKey(HKey::ClassesRoot);
        EXPECT_TRUE(r.KeyExists(key));
    }
    run("UNREGSERVER");
    {
        TRegistry r(RegAccess::Read);
        r.SetRootKey(HKey::ClassesRoot);
        EXPECT_FALSE(r.KeyExists(key));
    }
}

// A store whose name holds no regular file, or whose lock another process
// holds: the program says so in the store's own box (not as the failure of
// a library's registration), changes nothing, and a request to end ends it
// also while that box is open before the main window is there.
TEST(BlackBox, AStoreItCannotUseIsNamedInItsBoxAndLeftAsItIs)
{
    struct Case {
        const char* What;
        const char* Box; // the start of the traced box
        const char* Says;
    };
    const Case Cases[] = {
        {"a folder", "box 1 Ошибка чтения реестра.", "папка"},
        {"a FIFO", "box 1 Ошибка чтения реестра.", "канал (FIFO)"},
        {"a link to /dev/zero", "box 1 Ошибка чтения реестра.", "устройство"},
        {"a lock held elsewhere", "box 1 Файл настроек", "registry.reg.lock"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        QTemporaryDir dir;
        const QString store = dir.filePath("registry.reg");
        const QByteArray native = QFile::encodeName(store);
        std::unique_ptr<test::TLockHolder> holder;
        const std::string what = C.What;
        if (what == "a folder")
            ASSERT_TRUE(QDir().mkpath(store));
        else if (what == "a FIFO")
            ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
        else if (what == "a link to /dev/zero")
            ASSERT_EQ(::symlink("/dev/zero", native.constData()), 0);
        else
            holder = std::make_unique<test::TLockHolder>(store + ".lock");
        struct stat before {};
        ASSERT_EQ(::lstat(native.constData(), &before) == 0, what != "a lock held elsewhere");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("OSTAN_REGISTRY", store);
        env.insert("OSTAN_TRACE_BOXES", "1");
        env.insert("OSTAN_SYSTEM_SERIAL_DEVICES", "");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess ostan;
        ostan.setProcessEnvironment(env);
        ostan.start(OSTAN_BIN, {});
        ASSERT_TRUE(ostan.waitForStarted(30000));
        QByteArray err;
        const bool boxed = PumpUntil(
            [&] {
                err += ostan.readAllStandardError();
                return err.contains("\nbox ") || err.startsWith("box ");
            },
            60000);
        ASSERT_TRUE(boxed) << err.toStdString();
        PumpUntil([&] { return (err += ostan.readAllStandardError()).contains('\n'); }, 5000);
        const QString text = QString::fromUtf8(err);
        EXPECT_TRUE(text.contains(QString::fromUtf8(C.Box))) << err.toStdString();
        EXPECT_TRUE(text.contains(store)) << err.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(C.Says))) << err.toStdString();
        EXPECT_FALSE(text.contains("зарегистрировать")) << err.toStdString();
        if (holder) {
            EXPECT_TRUE(text.contains(QStringLiteral("процесс %1").arg(holder->Pid))) << err.toStdString();
        }

        ostan.terminate(); // SIGTERM, with the box still open
        EXPECT_TRUE(ostan.waitForFinished(30000));
        EXPECT_EQ(ostan.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(ostan.exitCode(), 0);
        if (holder) {
            holder.reset();
            EXPECT_FALSE(QFile::exists(store)); // nothing was written
        } else {
            struct stat after {};
            ASSERT_EQ(::lstat(native.constData(), &after), 0);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_ino, before.st_ino);
        }
    }
}
