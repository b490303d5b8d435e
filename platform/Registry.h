#pragma once
// The settings store: one text file in the .reg export format, shared by the
// program, the plug-ins, the tools and the tests of one machine.
//
// File: $OSTAN_REGISTRY when set, else $XDG_CONFIG_HOME/ostan/registry.reg
// (~/.config/ostan/registry.reg). Key and value names compare
// case-insensitively; values are typed. Every write is atomic and done under
// a lock file; a store that is a symbolic link is written through it (the
// file it names is replaced in its own folder, the link stays). A write that
// changes nothing writes nothing (so it also succeeds on a store that cannot
// be written), and a writer removes the temporary files a killed writer left
// beside the store. A file that cannot be parsed is renamed aside
// (".corrupt") and the operation that found it raises ERegistryException
// naming both files. Only a regular file is read (a FIFO or a device under
// the name is refused without waiting), and at most 16 MB of it.
//
// Every operation reads the file afresh, so two processes see each other's
// writes; a write re-reads it under the lock, so neither loses the other's.
// A missing file is an empty store.
//
// The store counts as not writable when the file or its folder is not
// writable for this user (a file without write permission bits also for
// root, as a workbook), or when $OSTAN_REGISTRY_READONLY is set to anything
// but "" or "0" (the way to test it as root).
//
// The key HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM is live: the
// system's serial devices (value name = device path, data = "COMn") merged
// with the entries the file itself holds under that key (file entries win and
// come first, then the system's in the order of their COM numbers). Writes to
// it go to the file. $OSTAN_SYSTEM_SERIAL_DEVICES, when set, replaces the
// system's list (device paths separated by ":"; empty: none), so that a test
// of the whole program sees only the ports it maps itself.
// An open key of that tree keeps the system's devices as they were when it
// was opened, until it is closed or another key is opened.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace ostan {

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A damaged store was renamed aside: the store starts afresh, and the next
// operation finds it empty.
class EStoreKeptAside : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

enum class HKey { LocalMachine, ClassesRoot };

enum class RegAccess { All, Read };

// Path of the store file in use.
QString RegistryFilePath();

// "HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM" data for system devices:
// /dev/ttyS<n> -> COM(n+1), /dev/ttyUSB<n> -> COM(101+n), /dev/ttyACM<n> -> COM(201+n).
QString ComNameForDevice(const QString& DevicePath);

// Whether a write to the store could succeed (see above).
bool RegistryWritable();

// Why the store cannot be read at all ("" when it can, also when it is
// missing or was damaged and has been kept aside): its file is no regular
// file, cannot be opened or read, is too large, or is damaged and cannot be
// kept aside. Every operation would fail the same way.
QString StoreReadFailure();

// A write waits this long for the store's lock file while another process
// holds it (3000 ms; a termination signal ends the wait early, and after
// one it is at most 500 ms), then raises naming the lock file and its
// holder. Test hook.
void SetStoreLockWaitForTest(int Ms);

// Test hook: the system's serial device paths (replaces enumeration; an empty
// function restores it).
void SetSystemSerialDevicesForTest(std::function<QStringList()> Lister);

// Test hook: the next writes of the store file fail with "no space" after
// this many bytes of the new file (-1: off), as a full disk would.
void SetRegistryWriteFailureForTest(long long FailAfterBytes);

// The report of a damaged store found since the last call (the file it was
// kept aside as, or why it was left as it is), for the box that tells the
// user; empty when there is none. An operation that finds one raises too,
// but its caller may not be the one that shows a box.
QString TakeStoreDamageReport();

// Test hook: runs after every value a TRegistry writes (fault injection:
// a hook that ends the process is a kill between two values).
void SetRegistryValueHookForTest(std::function<void(const QString& Name)> Hook);

// Device path that "COM<n>" names in the live SERIALCOMM key, or an empty
// string when none does.
QString SerialDevicePathForPort(int PortNum);

// One transaction for every write of this process while a batch is open:
// the writes reach the file together, in one atomic replacement, when the
// transaction ends. A batch opened while another is open joins its
// transaction. The transaction ends when any of its batches commits, or when
// the outermost one goes away; batches still open then write no more into it.
// Reads of this process see the writes at once; while writes are pending they
// see the store as it was at the first of them, not what other processes
// write meanwhile, so a transaction spans a short burst of writes such as the
// registrations of a start. Other processes see the writes when it ends; one
// that ends on a file another process changed meanwhile applies its writes to
// that version. A write to a store that cannot be written raises at once, as
// outside a batch.
class TRegistryBatch {
public:
    TRegistryBatch();
    // The outermost batch, gone before its transaction ended, ends it as
    // Commit does; a failure then goes only to the log (the batch may be
    // going because of another error).
    ~TRegistryBatch();
    TRegistryBatch(const TRegistryBatch&) = delete;
    TRegistryBatch& operator=(const TRegistryBatch&) = delete;

    // Ends the transaction, writing the file; raises ERegistryException when
    // it cannot (its writes are then lost). Nothing once it has ended.
    void Commit();

private:
    void EndTransaction();
    uint64_t Generation;
};

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

    // Every operation raises ERegistryException when the file cannot be read
    // or parsed (a damaged file is kept aside first, see above).

    // False when the key is missing and CanCreate is false, or when the access
    // asked for cannot be had (full access to a store that cannot be written).
    // Creating needs full access and creates the missing parents too.
    bool OpenKey(const QString& Key, bool CanCreate);
    // Opens an existing key for reading, whatever the access; writes to it raise.
    bool OpenKeyReadOnly(const QString& Key);
    void CloseKey();
    bool KeyExists(const QString& Key);
    // False without full access to a writable store; true when the key exists.
    bool CreateKey(const QString& Key);
    bool DeleteKey(const QString& Key); // the key, its values and subkeys

    // With no key open these work on the root key.
    QStringList GetValueNames(); // of the current key, in stored order
    QStringList GetKeyNames();   // direct subkeys of the current key
    bool ValueExists(const QString& Name);
    bool DeleteValue(const QString& Name); // false when missing or not writable

    // Raise ERegistryException when the value is missing or of another type.
    QString ReadString(const QString& Name);
    int32_t ReadInteger(const QString& Name);
    bool ReadBool(const QString& Name); // any non-zero DWORD is true

    // Raise ERegistryException when no key is open, the access is read-only or
    // the store cannot be written. The value "" is the key's default value.
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, int32_t Value);
    void WriteBool(const QString& Name, bool Value);

    // One transaction: the values written from BeginUpdate on reach the file
    // together, in one atomic replacement, at EndUpdate; an object destroyed
    // before (or a process killed) writes none of them. Reads meanwhile see
    // the file as it is. Keys are created at once, as without a transaction.
    void BeginUpdate();
    void EndUpdate();

private:
    struct PendingWrites;

    QString FullPath(const QString& Key) const; // with the hive's name
    void CheckWritable(const QString& Name) const;
    void WriteValue(const QString& Name, bool IsDword, uint32_t Dword, const QString& Text);

    HKey Root = HKey::LocalMachine;
    RegAccess Mode;
    QString Current;
    bool CurrentReadOnly = false;
    std::optional<QStringList> ListedDevices; // for the open key, when it is in the live tree
    std::unique_ptr<PendingWrites> Pending; // inside BeginUpdate ... EndUpdate
};

} // namespace ostan
