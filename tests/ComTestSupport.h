#pragma once
// Helpers of the component-model tests: a temporary store, reads of
// HKEY_CLASSES_ROOT and plug-in objects made by ProgID.
#include "Com.h"
#include "CommonInterfaces.h"
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

// A plug-in object made by ProgID, as the program makes them.
inline ComPtr<IOstanPlugin> CreatePlugin(const QString& ProgID)
{
    return ComCast<IOstanPlugin>(CreateComObject(ProgIDToClassID(ProgID)));
}

} // namespace ostan::test
