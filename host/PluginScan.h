#pragma once
// The plug-in libraries found at start: each is registered, one object of it
// is created to read its caption, description and pictures, and released.
#include "Picture.h"

#include <QString>
#include <memory>
#include <vector>

namespace ostan {

// One found library. It owns its pictures (copies of the library's).
class TDLLInfo {
public:
    QString ModuleName; // file name without its extension; + ".OstanPlugin" is the ProgID
    QString Caption = QStringLiteral("Неизвестный модуль");
    QString Description = QStringLiteral("Информация о модуле не найдена");
    std::unique_ptr<TPicture> DevicePicture;
    std::unique_ptr<TPicture> ConnectionPictureBLS4;
    std::unique_ptr<TPicture> ConnectionPictureBLS5;
    // The library could not be started; ErrorString says why.
    bool HasError = false;
    QString ErrorString;
};

class TPluginScan {
public:
    // Folder := ProgramFolder + "/" + FolderName. An empty ProgramFolder is
    // the running program's library folder (ProgramLibraryFolder).
    explicit TPluginScan(const QString& FolderName, const QString& ProgramFolder = QString());

    // Every regular file "*.so" in Folder and in its direct subfolders that
    // are not hidden (a name beginning with "."), in the order the file system
    // lists them. A registration failure raises and ends the scan; the entries
    // made so far stay.
    void Scan();
    // Directory ends with "/".
    void AddModule(const QString& Directory, const QString& FileName);

    QString Folder;
    std::vector<std::unique_ptr<TDLLInfo>> Modules; // in the order found; never removed
};

} // namespace ostan
