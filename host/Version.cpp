#include "Version.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ostan {

namespace {

struct Entry {
    const char* Key;
    const char* Value; // UTF-8
};

// The program's own resource, fixed at build time.
constexpr char BuiltInTranslation[] = "041904E3";
constexpr Entry BuiltInStrings[] = {
    {"CompanyName", "Vantrel"},
    {"FileDescription", "Программа управления технологическим адаптером"},
    {"FileVersion", "2.4.0.184"},
    {"InternalName", "Ostan"},
    {"LegalCopyright", "© Мастерская Vantrel, 2024"},
    {"OriginalFilename", "ostan.exe"},
    {"ProductName", "Ostan"},
    {"ProductVersion", "2.2.0.0"},
};

TVersionInfo MakeBuiltIn()
{
    TVersionStringTable t;
    t.Translation = QString::fromLatin1(BuiltInTranslation);
    for (const Entry& e : BuiltInStrings)
        t.Strings.emplace_back(QString::fromUtf8(e.Key), QString::fromUtf8(e.Value));
    return TVersionInfo{{t}};
}

std::optional<TVersionInfo>& Substitute()
{
    static std::optional<TVersionInfo> s;
    return s;
}

uint32_t SizeOf(const TVersionInfo& Info)
{
    if (Info.StringFileInfo.empty())
        return 0;
    // As a resource would hold it: UTF-16 texts with their terminators.
    uint32_t size = 64;
    for (const auto& t : Info.StringFileInfo) {
        size += 2 * (t.Translation.size() + 1) + 16;
        for (const auto& [k, v] : t.Strings)
            size += 2 * (k.size() + v.size() + 2) + 8;
    }
    return size;
}

bool IsRunningProgram(const QString& FileName)
{
    const QString self = QCoreApplication::applicationFilePath();
    return !FileName.isEmpty() && !self.isEmpty()
        && QFileInfo(FileName).canonicalFilePath() == QFileInfo(self).canonicalFilePath();
}

} // namespace

const TVersionInfo& GetFileVersionInfoTable()
{
    static const TVersionInfo builtIn = MakeBuiltIn();
    return Substitute() ? *Substitute() : builtIn;
}

void SetVersionInfoTableForTest(std::optional<TVersionInfo> Table) { Substitute() = std::move(Table); }

uint32_t GetFileVersionInfoSize(const QString& FileName)
{
    return IsRunningProgram(FileName) ? SizeOf(GetFileVersionInfoTable()) : 0;
}

bool GetFileVersionInfo(const QString& FileName, uint32_t Size, TVersionInfo& Data)
{
    const uint32_t needed = GetFileVersionInfoSize(FileName);
    if (needed == 0 || Size < needed)
        return false;
    Data = GetFileVersionInfoTable();
    return true;
}

bool VerQueryValue(const TVersionInfo& Data, const QString& SubBlock, QString& Value)
{
    QStringList path = SubBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (path.size() != 3 || path[0].compare(QLatin1String("StringFileInfo"), Qt::CaseInsensitive) != 0)
        return false;
    for (const auto& t : Data.StringFileInfo) {
        if (t.Translation.compare(path[1], Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [k, v] : t.Strings) {
            if (k.compare(path[2], Qt::CaseInsensitive) == 0) {
                Value = v;
                return true;
            }
        }
    }
    return false;
}

TVersion::TVersion() { VersionFound = ReadVersionInfo(); }

bool TVersion::ReadVersionInfo()
{
    const QString self = QCoreApplication::applicationFilePath();
    const uint32_t size = GetFileVersionInfoSize(self);
    if (size == 0)
        return false;
    TVersionInfo block;
    if (!GetFileVersionInfo(self, size, block))
        return false;
    bool result = false;
    QString value;
    if (VerQueryValue(block, QStringLiteral("StringFileInfo\\041904E3\\FileVersion"), value)) {
        VersionParts.append(value.split(QLatin1Char('.'), Qt::SkipEmptyParts));
        if (VersionParts.size() >= 2)
            result = true;
    }
    if (VerQueryValue(block, QStringLiteral("StringFileInfo\\041904E3\\LegalCopyright"), value)) {
        LegalText = value;
        result = true;
    }
    return result;
}

QString TVersion::GetLegalText() const
{
    return VersionFound ? LegalText : QStringLiteral("Информация о разработчике не найдена");
}

QString TVersion::GetVersionText() const
{
    if (!VersionFound || VersionParts.size() < 2)
        return QString();
    return QStringLiteral("Версия ") + VersionParts[0] + QLatin1Char('.') + VersionParts[1];
}

} // namespace ostan
