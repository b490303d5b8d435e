#pragma once
// What the loader may be handed. The dynamic loader maps a library's segments
// as they are written in its header and touches them at once: a file cut
// short (an interrupted copy) ends the process with SIGBUS, and a FIFO blocks
// the open for ever. So a file is read and measured before it is loaded.
#include <QString>

namespace ostan {

// Empty when Path is a regular file holding an ELF shared library for this
// machine whose header and segments lie within the file; otherwise the
// reason, in Russian, for a message that names the file.
QString LibraryFileFault(const QString& Path);

} // namespace ostan
