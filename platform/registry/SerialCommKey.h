#pragma once
// The live key HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: the file's
// entries, then the system's serial devices the file does not name.
#include "RegistryModel.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace ostan::registry {

extern const QString SerialCommKey;

// Test hook's state: replaces the listing of the system's devices when set.
std::function<QStringList()>& SystemLister();

QStringList SystemDevices();

// Path names the live key or a key above it.
bool TouchesLiveKey(const QString& Path);

// The live key merged from File and Devices; nullptr when neither has any
// entry. Made once for each version of the store and list of devices.
std::shared_ptr<const RegKey> MergedLiveKey(const Store& File, const QStringList& Devices);

// The store as a reader sees it: the file, with the live key in place of
// the file's own section of it when the reader concerns it.
struct StoreView {
    std::shared_ptr<const Store> File;
    std::shared_ptr<const RegKey> Live;
    bool LiveAdded = false; // the file has no section of the live key

    const RegKey* Find(const QString& Path) const
    {
        if (Live && SameName(Path, SerialCommKey))
            return Live.get();
        return File->Find(Path);
    }

    bool Exists(const QString& Path) const
    {
        return File->Exists(Path) || (LiveAdded && IsUnder(SerialCommKey, Path));
    }

    // Parts only the live key has are spelled as it is.
    QString Spelled(const QString& Path) const { return File->Spelled(Path, LiveAdded ? SerialCommKey : QString()); }

    QStringList ChildNames(const QString& Path) const
    {
        QStringList names = File->ChildNames(Path);
        if (LiveAdded && SerialCommKey.size() > Path.size() && IsUnder(SerialCommKey, Path)) {
            const QString child = SerialCommKey.mid(Path.size() + 1).section(u'\\', 0, 0);
            if (!names.contains(child, Qt::CaseInsensitive))
                names << child;
        }
        return names;
    }
};

// The store as a reader sees it at Path, with the system's devices as Listed
// holds them or, when it holds none, as they are now.
StoreView LoadView(const QString& Path, const std::optional<QStringList>& Listed = std::nullopt);

// The system's devices for a key about to be opened: listed once, and the
// reads of the open key use that list (listing costs milliseconds).
std::optional<QStringList> ListDevicesFor(const QString& Full);

} // namespace ostan::registry
