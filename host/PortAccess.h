#pragma once
// The ports a search could not open, and what the user is to do about them:
// shown under the "not found" result, so that a technician whose account may
// not open the serial devices learns why the adapter was not found.
#include <QString>
#include <vector>

namespace ostan {

struct TUnopenedPort {
    int Port = 0;    // COM<Port>
    QString Device;  // the device path
    int Errno = 0;   // why the open failed
    QString Message; // the serial component's own sentence
};

// The group that owns Device, empty when it cannot be told.
QString DeviceGroup(const QString& Device);

// One line a port, in Russian; for a port the user may not open, the group
// that owns the device and the remedy. Empty for no ports.
QString UnopenedPortsText(const std::vector<TUnopenedPort>& Ports);

} // namespace ostan
