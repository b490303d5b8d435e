#include "PluginScan.h"

#include "CommonInterfaces.h"
#include "ProgramFiles.h"
#include "Registry.h"

#include <QDir>
#include <QDirIterator>

namespace ostan {

namespace {

// A text of the library, or nothing when it cannot be read.
void ReadText(QString& Target, const char* (IOstanPlugin::*Get)(), IOstanPlugin& Plugin)
{
    try {
        if (const char* Text = (Plugin.*Get)())
            Target = QString::fromUtf8(Text);
    } catch (...) {
        // that one item keeps its default
    }
}

// Our own copy of a picture of the library: the library's goes with its object.
void ReadPicture(std::unique_ptr<TPicture>& Target, intptr_t (IOstanPlugin::*Get)(), IOstanPlugin& Plugin)
{
    try {
        const intptr_t Ref = (Plugin.*Get)();
        if (Ref == NoPicture)
            return;
        Target = std::make_unique<TPicture>();
        Target->Assign(reinterpret_cast<const TPicture*>(Ref));
    } catch (...) {
        // a picture made here stays, possibly empty
    }
}

void CannotStart(TDLLInfo& Info, const QString& Reason)
{
    Info.Description = QStringLiteral("Невозможно запустить модуль");
    Info.HasError = true;
    Info.ErrorString = Reason;
}

} // namespace

TPluginScan::TPluginScan(const QString& FolderName, const QString& ProgramFolder)
    : Folder((ProgramFolder.isEmpty() ? ProgramLibraryFolder() : ProgramFolder) + QLatin1Char('/')
             + FolderName)
{}

void TPluginScan::Scan()
{
    // "." stands for the folder itself; hidden folders are left out.
    QStringList Subfolders;
    QDirIterator Entries(Folder, QDir::Dirs | QDir::Hidden | QDir::System);
    while (Entries.hasNext()) {
        Entries.next();
        const QString Name = Entries.fileName();
        if (Name == QLatin1String(".") || !Name.startsWith(QLatin1Char('.')))
            Subfolders << Name;
    }
    TRegistryBatch Registrations; // every library's registration: one write of the store
    for (const QString& Name : Subfolders) {
        const QString Directory = QDir::cleanPath(Folder + QLatin1Char('/') + Name) + QLatin1Char('/');
        // Without QDir::System, FIFOs, device nodes and broken links are left
        // out, as folders are.
        QDirIterator Libraries(Directory, {QStringLiteral("*.so")},
                               QDir::Files | QDir::Hidden | QDir::CaseSensitive);
        while (Libraries.hasNext()) {
            Libraries.next();
            // A link to a FIFO or a device node still passes the filter; it
            // is no library, whatever its name.
            if (Libraries.fileInfo().isFile())
                AddModule(Directory, Libraries.fileName());
        }
    }
    Registrations.Commit();
}

void TPluginScan::AddModule(const QString& Directory, const QString& FileName)
{
    Modules.push_back(std::make_unique<TDLLInfo>());
    TDLLInfo& Info = *Modules.back();
    const qsizetype Point = FileName.lastIndexOf(QLatin1Char('.'));
    Info.ModuleName = Point < 0 ? FileName : FileName.left(Point);

    RegisterComServer(Directory + FileName); // not guarded: its failure ends the scan

    ComPtr<IOstanPlugin> Plugin;
    try {
        Plugin = ComCast<IOstanPlugin>(CreateComObject(ProgIDToClassID(Info.ModuleName + QLatin1String(".OstanPlugin"))));
        Plugin->LoadPictures();
    } catch (const std::exception& E) {
        CannotStart(Info, QString::fromUtf8(E.what()));
        return;
    } catch (...) {
        CannotStart(Info, QStringLiteral("Неизвестная ошибка."));
        return;
    }
    ReadText(Info.Caption, &IOstanPlugin::GetCaption, *Plugin.Get());
    ReadText(Info.Description, &IOstanPlugin::GetDescription, *Plugin.Get());
    ReadPicture(Info.DevicePicture, &IOstanPlugin::GetDevicePicture, *Plugin.Get());
    ReadPicture(Info.ConnectionPictureBLS4, &IOstanPlugin::GetConnectionPictureBLS4, *Plugin.Get());
    ReadPicture(Info.ConnectionPictureBLS5, &IOstanPlugin::GetConnectionPictureBLS5, *Plugin.Get());
}

} // namespace ostan
