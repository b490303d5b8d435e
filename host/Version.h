#pragma once
// The program's version resource and its reader. The resource is a table
// compiled into the program: string tables keyed by translation ("041904E3":
// Russian, code page 1251), read through GetFileVersionInfo/VerQueryValue-
// shaped functions so that TVersion reads it as it would a file's resource.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace ostan {

struct TVersionStringTable {
    QString Translation; // e.g. "041904E3"
    std::vector<std::pair<QString, QString>> Strings;
};

// A whole resource. No string table at all: the program has no resource.
struct TVersionInfo {
    std::vector<TVersionStringTable> StringFileInfo;
};

// The resource linked into this program (or the test substitute).
const TVersionInfo& GetFileVersionInfoTable();

// Size of FileName's resource in bytes; 0 when it has none. Only the running
// program (QCoreApplication::applicationFilePath()) carries one.
uint32_t GetFileVersionInfoSize(const QString& FileName);
// Reads FileName's resource into Data; false when Size is too small or the
// file has none.
bool GetFileVersionInfo(const QString& FileName, uint32_t Size, TVersionInfo& Data);
// SubBlock "\StringFileInfo\<translation>\<key>" (the leading backslash is
// optional; names compare case-insensitively). False when it is not there.
bool VerQueryValue(const TVersionInfo& Data, const QString& SubBlock, QString& Value);

// Test hook: serve Table instead of the built-in resource (nullopt restores
// it). An empty TVersionInfo stands for a program without a resource.
void SetVersionInfoTableForTest(std::optional<TVersionInfo> Table);

class TVersion {
public:
    TVersion();

    bool ReadVersionInfo();
    const QStringList& GetVersionParts() const { return VersionParts; }
    QString GetLegalText() const;
    // "Версия <major>.<minor>", or empty when the resource gave fewer than two
    // version parts (the windows then keep their design text).
    QString GetVersionText() const;

    QStringList VersionParts;
    QString LegalText;
    bool VersionFound = false;
};

} // namespace ostan
