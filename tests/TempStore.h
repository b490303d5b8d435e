#pragma once
// A settings store of the test's own.
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <sys/inotify.h>
#include <unistd.h>

namespace ostan::test {

// Points OSTAN_REGISTRY at a fresh file for its lifetime.
class TTempStore {
public:
    TTempStore() : Old(qgetenv("OSTAN_REGISTRY")), HadOld(qEnvironmentVariableIsSet("OSTAN_REGISTRY"))
    {
        qputenv("OSTAN_REGISTRY", QFile::encodeName(FilePath()));
    }
    ~TTempStore()
    {
        if (HadOld)
            qputenv("OSTAN_REGISTRY", Old);
        else
            qunsetenv("OSTAN_REGISTRY");
    }
    TTempStore(const TTempStore&) = delete;
    TTempStore& operator=(const TTempStore&) = delete;

    bool IsValid() const { return Dir.isValid(); }
    QString DirPath() const { return Dir.path(); }
    // The store file itself.
    QString FilePath() const { return Dir.filePath(QStringLiteral("registry.reg")); }

private:
    QTemporaryDir Dir;
    QByteArray Old;
    bool HadOld;
};

// Counts the writes of a store file from its creation on: every write renames
// a new file onto it.
class TStoreWrites {
public:
    explicit TStoreWrites(const QString& StorePath)
        : Name(QFile::encodeName(QFileInfo(StorePath).fileName())),
          Fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(Fd, QFile::encodeName(QFileInfo(StorePath).absolutePath()).constData(), IN_MOVED_TO);
    }
    ~TStoreWrites() { ::close(Fd); }
    TStoreWrites(const TStoreWrites&) = delete;
    TStoreWrites& operator=(const TStoreWrites&) = delete;

    int Count()
    {
        alignas(inotify_event) char Buffer[4096];
        for (ssize_t N; (N = ::read(Fd, Buffer, sizeof Buffer)) > 0;)
            for (ssize_t At = 0; At < N;) {
                const auto* Event = reinterpret_cast<const inotify_event*>(Buffer + At);
                if (Event->len && Name == Event->name)
                    ++Writes;
                At += static_cast<ssize_t>(sizeof(inotify_event) + Event->len);
            }
        return Writes;
    }

private:
    QByteArray Name;
    int Fd;
    int Writes = 0;
};

} // namespace ostan::test
