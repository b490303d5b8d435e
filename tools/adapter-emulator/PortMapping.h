#pragma once
// The emulator's entry in the settings store's serial device map
// (HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: name = device path,
// data = "COM<n>"), through which the program finds "COM<n>".
#include <QString>

namespace adapteremu {

QString ComName(int PortNum);

// Maps DevicePath to COM<PortNum>. Entries of the store's own file that name
// the same COM number are removed first: they are left over from an emulator
// that did not end cleanly and would shadow this one. False with Error set
// when the store cannot be written.
bool MapPort(const QString& DevicePath, int PortNum, QString* Error);
// Removes DevicePath's entry; a failure is reported through Error only.
bool UnmapPort(const QString& DevicePath, QString* Error = nullptr);

} // namespace adapteremu
