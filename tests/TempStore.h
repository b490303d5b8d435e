#pragma once
// A settings store of the test's own.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

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

} // namespace ostan::test
