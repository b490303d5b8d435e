#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// Given by the build: the installed library and data folders as paths
// relative to the installed binaries folder.
#ifndef OSTAN_LIBRARY_FROM_BINARIES
#define OSTAN_LIBRARY_FROM_BINARIES "../lib/ostan"
#endif
#ifndef OSTAN_DATA_FROM_BINARIES
#define OSTAN_DATA_FROM_BINARIES "../share/ostan"
#endif

namespace ostan {

namespace {

const QString HelpFileName = QStringLiteral("Ostan.hlp");

QString Installed(const QString& ProgramFolder, const char* Relative)
{
    return QDir::cleanPath(ProgramFolder + QLatin1Char('/') + QLatin1String(Relative));
}

} // namespace

QString ProgramLibraryFolder(const QString& ProgramFolder)
{
    if (QFileInfo(ProgramFolder + QStringLiteral("/Plugins")).isDir())
        return ProgramFolder;
    const QString Folder = Installed(ProgramFolder, OSTAN_LIBRARY_FROM_BINARIES);
    // Neither: the scan finds nothing next to the program, as before.
    return QFileInfo(Folder + QStringLiteral("/Plugins")).isDir() ? Folder : ProgramFolder;
}

QString ProgramHelpFile(const QString& ProgramFolder)
{
    const QString Beside = ProgramFolder + QLatin1Char('/') + HelpFileName;
    if (QFileInfo::exists(Beside))
        return Beside;
    const QString InData = Installed(ProgramFolder, OSTAN_DATA_FROM_BINARIES) + QLatin1Char('/') + HelpFileName;
    // Neither: the help reports the file missing under its usual name.
    return QFileInfo::exists(InData) ? InData : Beside;
}

QString ProgramLibraryFolder() { return ProgramLibraryFolder(QCoreApplication::applicationDirPath()); }

QString ProgramHelpFile() { return ProgramHelpFile(QCoreApplication::applicationDirPath()); }

} // namespace ostan
