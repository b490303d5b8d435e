#pragma once
// Where the program's own files are. In the build tree (and in any copy laid
// out the same way) the Plugins folder and the help file sit next to the
// executable. Installed, the executable is in the binaries folder and they
// are where the file-system layout puts them: Plugins in the program's
// private library folder, the help file in its data folder, both found
// relative to the executable, so the installed tree can be moved whole.
#include <QString>

namespace ostan {

// The folder that holds "Plugins", for ProgramFolder = the executable's
// folder: ProgramFolder itself when it has a "Plugins" folder, otherwise the
// installed library folder relative to it.
QString ProgramLibraryFolder(const QString& ProgramFolder);
// "Ostan.hlp" next to the executable when it is there, otherwise in the
// installed data folder relative to it.
QString ProgramHelpFile(const QString& ProgramFolder);

// The same for the running program.
QString ProgramLibraryFolder();
QString ProgramHelpFile();

} // namespace ostan
