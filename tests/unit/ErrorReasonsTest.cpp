// The reasons a box shows for a failed system call, archive or XML part: in
// Russian, without the libraries' English texts.
#include "AtomicFile.h"
#include "ErrorReasons.h"
#include "QStringPrinting.h"
#include "Registry.h"
#include "TempStore.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <zip.h>
#include <zlib.h>

using namespace ostan;

namespace {

// A word of three Latin letters or more: an untranslated text.
bool HasEnglish(const QString& Text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    return Text.contains(word);
}

TEST(ErrorReasons, SystemErrorsTheProgramMeetsReadInRussian)
{
    struct Case { int error; const char* reason; };
    const Case cases[] = {
        {ENOSPC, "на диске нет места"},
        {EDQUOT, "превышена дисковая квота пользователя"},
        {EACCES, "нет прав доступа"},
        {EPERM, "операция не разрешена"},
        {EROFS, "диск доступен только для чтения"},
        {ENOENT, "нет такого файла или папки"},
        {EIO, "ошибка ввода-вывода (диск или устройство неисправны или отключены)"},
        {EBUSY, "устройство или файл заняты"},
        {EISDIR, "это папка, а не файл"},
        {ENOTTY, "устройство не поддерживает эту операцию"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrnoReason(c.error), QString::fromUtf8(c.reason)) << c.error;
    for (int e = 1; e < 134; ++e) {
        if (!ErrnoReason(e).startsWith(QStringLiteral("системная ошибка"))) {
            EXPECT_FALSE(HasEnglish(ErrnoReason(e))) << e;
        }
    }
    // One it does not know keeps its number and the system's words.
    EXPECT_TRUE(ErrnoReason(4242).startsWith(QStringLiteral("системная ошибка 4242 ("))) << ErrnoReason(4242).toStdString();
}

TEST(ErrorReasons, ArchiveErrorsReadInRussian)
{
    struct Case { int zip, system; const char* reason; };
    const Case cases[] = {
        {ZIP_ER_NOZIP, 0, "это не zip-архив"},
        {ZIP_ER_ZLIB, Z_DATA_ERROR, "сжатые данные повреждены"},
        {ZIP_ER_CRC, 0, "контрольная сумма не сходится"},
        {ZIP_ER_INCONS, 0, "оглавление архива не согласуется с его содержимым"},
        {ZIP_ER_READ, EIO, "ошибка чтения: ошибка ввода-вывода (диск или устройство неисправны или отключены)"},
        {ZIP_ER_COMPNOTSUPP, 0, "способ сжатия не поддерживается"},
    };
    for (const Case& c : cases) {
        zip_error_t e;
        zip_error_init(&e);
        zip_error_set(&e, c.zip, c.system);
        EXPECT_EQ(ZipReason(&e), QString::fromUtf8(c.reason)) << c.zip;
        zip_error_fini(&e);
    }
    for (int code = ZIP_ER_OK; code <= ZIP_ER_CANCELLED; ++code) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        QString reason = ZipReason(&e);
        zip_error_fini(&e);
        if (!reason.startsWith(QStringLiteral("ошибка архива"))) {
            EXPECT_FALSE(HasEnglish(reason.remove(QLatin1String("zip")))) << code << " " << reason.toStdString();
        }
    }

    // As libzip reports a file that is no archive.
    const QByteArray bytes(600, 'x');
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* z = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_EQ(z, nullptr);
    EXPECT_EQ(ZipReason(&error), QStringLiteral("это не zip-архив"));
    zip_source_free(source);
    zip_error_fini(&error);
}

TEST(ErrorReasons, XmlErrorsSayWhatAndWhere)
{
    struct Case { const char* xml; const char* reason; };
    const Case cases[] = {
        {"<a><b</a>", "ошибка в открывающем теге, байт 6"},
        {"<a><b></a>", "закрывающий тег не соответствует открывающему или документ обрывается, байт 8"},
        {"<a x=1/>", "ошибка в атрибуте, байт 5"},
        {"", "нет корневого элемента, байт 0"},
    };
    for (const Case& c : cases) {
        pugi::xml_document doc;
        const pugi::xml_parse_result r = doc.load_string(c.xml);
        EXPECT_EQ(XmlReason(r), QString::fromUtf8(c.reason)) << c.xml;
    }
}

TEST(ErrorReasons, AFullDiskIsReportedInRussianByTheWritesOfFilesAndSettings)
{
    QTemporaryDir dir;
    try {
        WriteFileAtomically(dir.filePath(QStringLiteral("f")), QByteArray(100, 'x'), 10);
        ADD_FAILURE() << "the write went through";
    } catch (const EAtomicWriteError& E) {
        EXPECT_EQ(E.Error, ENOSPC);
        EXPECT_EQ(E.Reason(), QStringLiteral("на диске нет места"));
    }

    ostan::test::TTempStore store;
    SetRegistryWriteFailureForTest(0);
    try {
        TRegistry reg(RegAccess::All);
        reg.OpenKey(QStringLiteral("Software\\Ostan"), true);
        reg.WriteInteger(QStringLiteral("Port"), 7);
        ADD_FAILURE() << "the write went through";
    } catch (const ERegistryException& E) {
        const QString text = QString::fromUtf8(E.what());
        EXPECT_TRUE(text.endsWith(QStringLiteral(": на диске нет места"))) << E.what();
    }
    SetRegistryWriteFailureForTest(-1);
}

} // namespace
