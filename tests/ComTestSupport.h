#pragma once
// Helpers of the component-model tests: a temporary store and reads of
// HKEY_CLASSES_ROOT.
#include "Registry.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace ostan::test {

// Points OSTAN_REGISTRY at a fresh file for its lifetime.
class TTempStore {
public:
    TTempStore() : Old(qgetenv("OSTAN_REGISTRY")), HadOld(qEnvironmentVariableIsSet("OSTAN_REGISTRY"))
    {
        qputenv("OSTAN_REGISTRY", QFile::encodeName(Dir.filePath(QStringLiteral("registry.reg"))));
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

    QString DirPath() const { return Dir.path(); }

private:
    QTemporaryDir Dir;
    QByteArray Old;
    bool HadOld;
};

// A value under HKEY_CLASSES_ROOT (Name empty: the default value), or nothing.
inline std::optional<QString> ReadClassesRoot(const QString& Key, const QString& Name = QString())
{
    TRegistry Reg(RegAccess::Read);
    Reg.SetRootKey(HKey::ClassesRoot);
    if (!Reg.OpenKeyReadOnly(Key) || !Reg.ValueExists(Name))
        return std::nullopt;
    return Reg.ReadString(Name);
}

inline bool ClassesRootKeyExists(const QString& Key)
{
    TRegistry Reg(RegAccess::Read);
    Reg.SetRootKey(HKey::ClassesRoot);
    return Reg.KeyExists(Key);
}

} // namespace ostan::test
