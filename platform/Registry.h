#pragma once
// The settings store: one text file in the .reg export format, shared by the
// program, the plug-ins, the tools and the tests of one machine.
//
// File: $OSTAN_REGISTRY when set, else $XDG_CONFIG_HOME/ostan/registry.reg
// (~/.config/ostan/registry.reg). Key and value names compare
// case-insensitively; values are typed. Every write is atomic and done under
// a lock file. A file that cannot be parsed is renamed aside (".corrupt") and
// the operation that found it raises ERegistryException naming both files.
//
// The key HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is live: the
// system's serial devices (value name = device path, data = "COMn") merged
// with the entries the file itself holds under that key (file entries win).
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace ostan {

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class HKey { LocalMachine, ClassesRoot };

enum class RegAccess { All, Read };

// Path of the store file in use.
QString RegistryFilePath();

// "HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM" data for system devices:
// /dev/ttyS<n> -> COM(n+1), /dev/ttyUSB<n> -> COM(101+n), /dev/ttyACM<n> -> COM(201+n).
QString ComNameForDevice(const QString& DevicePath);

// Test hook: the system's serial device paths (replaces enumeration; an empty
// function restores it).
void SetSystemSerialDevicesForTest(std::function<QStringList()> Lister);

// Device path that "COM<n>" names in the live SERIALCOMM key, or an empty
// string when none does.
QString SerialDevicePathForPort(int PortNum);

// Shaped like the toolkit's registry object: a root key, one current key, typed
// reads and writes. Key paths use "\"; a leading "\" is from the root, otherwise
// relative to the current key.
class TRegistry {
public:
    explicit TRegistry(RegAccess Access = RegAccess::All);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKey RootKey() const { return Root; }
    void SetRootKey(HKey Key) { Root = Key; CloseKey(); }
    RegAccess Access() const { return Mode; }
    QString CurrentPath() const { return Current; } // "" while no key is open

    // False when the key is missing and CanCreate is false, or when the access
    // asked for cannot be had (full access to a store that cannot be written).
    bool OpenKey(const QString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString& Key);
    void CloseKey();
    bool KeyExists(const QString& Key);
    bool CreateKey(const QString& Key);
    bool DeleteKey(const QString& Key); // the key, its values and subkeys

    QStringList GetValueNames(); // of the current key, in stored order
    QStringList GetKeyNames();   // direct subkeys of the current key
    bool ValueExists(const QString& Name);
    bool DeleteValue(const QString& Name);

    // Raise ERegistryException when the value is missing or of another type.
    QString ReadString(const QString& Name);
    int32_t ReadInteger(const QString& Name);
    bool ReadBool(const QString& Name); // any non-zero DWORD is true

    // Raise ERegistryException when no key is open, the access is read-only or
    // the store cannot be written.
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, int32_t Value);
    void WriteBool(const QString& Name, bool Value);

private:
    HKey Root = HKey::LocalMachine;
    RegAccess Mode;
    QString Current;
};

} // namespace ostan
