#pragma once
// Helpers of the component-model tests: a temporary store and reads of
// HKEY_CLASSES_ROOT.
#include "Registry.h"
#include "TempStore.h"

#include <QString>
#include <optional>

namespace ostan::test {

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
