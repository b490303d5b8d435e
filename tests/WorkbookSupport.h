#pragma once
// Helpers of the workbook tests: a plug-in that only answers the export's
// questions, the engine's class registered in a store of the test's own,
// and file helpers.
#include "ComServer.h"
#include "CommonInterfaces.h"
#include "QStringPrinting.h"
#include "TempStore.h"
#include "WorkbookApplication.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace ostan::test {

// Caption, column captions and values as given; empty past the last.
class TColumnsPlugin final : public TComObject<IOstanPlugin> {
public:
    QByteArray Caption;
    QList<QByteArray> Captions, Values;

    void Init(QWidget*, int32_t&, int32_t&) override {}
    bool ReceivePacket(const TDynamicByteArray&) override { return false; }
    void SetBounds(int32_t, int32_t, int32_t, int32_t) override {}
    const char* GetCaption() override { return Caption.constData(); }
    const char* GetDescription() override { return ""; }
    intptr_t GetDevicePicture() override { return NoPicture; }
    intptr_t GetConnectionPictureBLS4() override { return NoPicture; }
    intptr_t GetConnectionPictureBLS5() override { return NoPicture; }
    void LoadPictures() override {}
    void ShowPanel() override {}
    const char* GetColumnCaption(int32_t Index) override { return At(Captions, Index); }
    const char* GetColumnValue(int32_t Index) override { return At(Values, Index); }

private:
    static const char* At(const QList<QByteArray>& List, int Index)
    {
        return Index >= 0 && Index < List.size() ? List[Index].constData() : "";
    }
};

inline ComPtr<TColumnsPlugin> MakeColumnsPlugin(const char* Caption, QList<QByteArray> Captions,
                                                QList<QByteArray> Values)
{
    ComPtr<TColumnsPlugin> P(new TColumnsPlugin());
    P->Caption = Caption;
    P->Captions = std::move(Captions);
    P->Values = std::move(Values);
    return P;
}

// A store with the engine's class registered, as the program does at start.
class TWorkbookStore {
public:
    TWorkbookStore() { RegisterWorkbookClass(QStringLiteral("/opt/ostan/ostan")); }
    TTempStore Store;
};

inline QByteArray ReadAll(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

inline void WriteAll(const QString& Path, const QByteArray& Bytes)
{
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Path.toStdString();
    F.write(Bytes);
}

// The names in a folder, hidden ones included.
inline QStringList FolderEntries(const QString& Dir)
{
    return QDir(Dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QString WorkbookFixture(const QString& Name)
{
    return QStringLiteral(OSTAN_SOURCE_DIR "/tests/fixtures/workbooks/") + Name;
}

} // namespace ostan::test
