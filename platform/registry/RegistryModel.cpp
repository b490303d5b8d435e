#include "RegistryModel.h"

namespace ostan::registry {

bool SameName(QStringView A, QStringView B) { return A.compare(B, Qt::CaseInsensitive) == 0; }

bool IsUnder(const QString& Path, const QString& Ancestor)
{
    if (Path.size() == Ancestor.size())
        return SameName(Path, Ancestor);
    return Path.size() > Ancestor.size() && Path[Ancestor.size()] == u'\\'
        && SameName(QStringView(Path).left(Ancestor.size()), Ancestor);
}

} // namespace ostan::registry
