#include "WorkbookApplication.h"

#include "OoxmlApplication.h"
#include "Registry.h"

namespace ostan {

namespace {

TWorkbookFactory& Factory()
{
    static TWorkbookFactory f;
    return f;
}

// The default value of an HKEY_CLASSES_ROOT key, "" when missing.
QString ClassesRootDefault(TRegistry& Reg, const QString& Key)
{
    if (!Reg.OpenKeyReadOnly(Key) || !Reg.ValueExists(QString()))
        return {};
    return Reg.ReadString(QString());
}

} // namespace

void RegisterWorkbookClass(const QString& ServerPath)
{
    const QString Clsid = CLSID_WorkbookApplication.ToString();
    {
        TRegistry Reg(RegAccess::Read);
        Reg.SetRootKey(HKey::ClassesRoot);
        const QString ClassKey = QStringLiteral("\\CLSID\\") + Clsid;
        if (ClassesRootDefault(Reg, QLatin1Char('\\') + WorkbookClassName + QStringLiteral("\\CLSID")) == Clsid
            && ClassesRootDefault(Reg, ClassKey + QStringLiteral("\\LocalServer32")) == ServerPath
            && ClassesRootDefault(Reg, ClassKey + QStringLiteral("\\ProgID")) == WorkbookClassName)
            return;
    }
    RegisterLocalServer(CLSID_WorkbookApplication, WorkbookClassName, ServerPath, QStringLiteral("Workbook engine"));
}

std::unique_ptr<IWorkbookApplication> CreateOleObject(const QString& ClassName)
{
    if (ProgIDToClassID(ClassName) != CLSID_WorkbookApplication)
        throw EOleSysError(REGDB_E_CLASSNOTREG, ComErrorText(REGDB_E_CLASSNOTREG) + QStringLiteral(": ") + ClassName);
    if (Factory())
        return Factory()();
    return std::make_unique<TOoxmlApplication>();
}

void SetWorkbookFactoryForTest(TWorkbookFactory F) { Factory() = std::move(F); }

} // namespace ostan
