#include "ErrorReasons.h"

#include <cerrno>
#include <cstring>
#include <pugixml.hpp>
#include <zlib.h>
#include <zip.h>

namespace ostan {

QString ErrnoReason(int Error)
{
    switch (Error) {
    case 0: return QStringLiteral("причина не сообщена");
    case ENOSPC: return QStringLiteral("на диске нет места");
    case EDQUOT: return QStringLiteral("превышена дисковая квота пользователя");
    case EACCES: return QStringLiteral("нет прав доступа");
    case EPERM: return QStringLiteral("операция не разрешена");
    case EROFS: return QStringLiteral("диск доступен только для чтения");
    case ENOENT: return QStringLiteral("нет такого файла или папки");
    case ENOTDIR: return QStringLiteral("часть пути не является папкой");
    case EISDIR: return QStringLiteral("это папка, а не файл");
    case EEXIST: return QStringLiteral("файл уже существует");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    case ELOOP: return QStringLiteral("слишком много символических ссылок в пути");
    case EXDEV: return QStringLiteral("файл нельзя перенести на другой диск переименованием");
    case EFBIG: return QStringLiteral("файл слишком велик");
    case EIO: return QStringLiteral("ошибка ввода-вывода (диск или устройство неисправны или отключены)");
    case ENOMEM: return QStringLiteral("не хватает памяти");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case EBUSY: return QStringLiteral("устройство или файл заняты");
    case ETXTBSY: return QStringLiteral("файл занят выполняемой программой");
    case EAGAIN: return QStringLiteral("ресурс временно занят");
    case EINTR: return QStringLiteral("операция прервана");
    case ENXIO: return QStringLiteral("нет такого устройства или адреса");
    case ENODEV: return QStringLiteral("нет такого устройства");
    case ENOTTY: return QStringLiteral("устройство не поддерживает эту операцию");
    case EINVAL: return QStringLiteral("недопустимый аргумент");
    case EBADF: return QStringLiteral("файл не открыт");
    case EPIPE: return QStringLiteral("канал закрыт другой стороной");
    case ETIMEDOUT: return QStringLiteral("время ожидания истекло");
    case ESTALE: return QStringLiteral("файл на сетевом диске больше недоступен");
    case ENOLCK: return QStringLiteral("нет свободных блокировок файлов");
    case EOPNOTSUPP: return QStringLiteral("операция не поддерживается");
    default:
        return QStringLiteral("системная ошибка %1 (%2)").arg(Error).arg(QString::fromLocal8Bit(std::strerror(Error)));
    }
}

namespace {

QString ZlibReason(int Error)
{
    switch (Error) {
    case Z_DATA_ERROR: return QStringLiteral("сжатые данные повреждены");
    case Z_MEM_ERROR: return QStringLiteral("не хватает памяти для распаковки");
    case Z_BUF_ERROR: return QStringLiteral("сжатые данные обрываются");
    case Z_STREAM_ERROR: return QStringLiteral("ошибка распаковки");
    default: return QStringLiteral("ошибка распаковки %1").arg(Error);
    }
}

QString LibzipReason(int Error)
{
    switch (Error) {
    case ZIP_ER_OK: return QStringLiteral("ошибки нет");
    case ZIP_ER_MULTIDISK: return QStringLiteral("многотомные архивы не поддерживаются");
    case ZIP_ER_RENAME: return QStringLiteral("не удалось переименовать временный файл");
    case ZIP_ER_CLOSE: return QStringLiteral("не удалось закрыть архив");
    case ZIP_ER_SEEK: return QStringLiteral("ошибка позиционирования в файле");
    case ZIP_ER_READ: return QStringLiteral("ошибка чтения");
    case ZIP_ER_WRITE: return QStringLiteral("ошибка записи");
    case ZIP_ER_CRC: return QStringLiteral("контрольная сумма не сходится");
    case ZIP_ER_ZIPCLOSED: return QStringLiteral("архив уже закрыт");
    case ZIP_ER_CHANGED: return QStringLiteral("часть уже изменена");
    case ZIP_ER_INTERNAL: return QStringLiteral("внутренняя ошибка работы с архивом");
    case ZIP_ER_REMOVE: return QStringLiteral("не удалось удалить файл");
    case ZIP_ER_DELETED: return QStringLiteral("часть удалена");
    case ZIP_ER_RDONLY: return QStringLiteral("архив открыт только для чтения");
    case ZIP_ER_OPNOTSUPP: return QStringLiteral("операция не поддерживается");
    case ZIP_ER_INUSE: return QStringLiteral("ресурс еще используется");
    case ZIP_ER_TELL: return QStringLiteral("не удалось узнать позицию в файле");
    case ZIP_ER_CANCELLED: return QStringLiteral("операция отменена");
    case ZIP_ER_NOENT: return QStringLiteral("нет такой части");
    case ZIP_ER_EXISTS: return QStringLiteral("часть уже есть");
    case ZIP_ER_OPEN: return QStringLiteral("файл не открывается");
    case ZIP_ER_TMPOPEN: return QStringLiteral("не удалось создать временный файл");
    case ZIP_ER_MEMORY: return QStringLiteral("не хватает памяти");
    case ZIP_ER_COMPNOTSUPP: return QStringLiteral("способ сжатия не поддерживается");
    case ZIP_ER_EOF: return QStringLiteral("файл обрывается раньше времени");
    case ZIP_ER_INVAL: return QStringLiteral("недопустимый аргумент");
    case ZIP_ER_NOZIP: return QStringLiteral("это не zip-архив");
    case ZIP_ER_INCONS: return QStringLiteral("оглавление архива не согласуется с его содержимым");
    case ZIP_ER_ENCRNOTSUPP: return QStringLiteral("способ шифрования не поддерживается");
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return QStringLiteral("архив зашифрован паролем");
    case ZIP_ER_COMPRESSED_DATA: return QStringLiteral("сжатые данные повреждены");
#ifdef ZIP_ER_DATA_LENGTH
    case ZIP_ER_DATA_LENGTH: return QStringLiteral("длина данных не совпадает с указанной");
#endif
#ifdef ZIP_ER_TRUNCATED_ZIP
    case ZIP_ER_TRUNCATED_ZIP: return QStringLiteral("архив обрезан");
#endif
    default: {
        zip_error_t e;
        zip_error_init_with_code(&e, Error);
        const QString text = QString::fromUtf8(zip_error_strerror(&e));
        zip_error_fini(&e);
        return QStringLiteral("ошибка архива %1 (%2)").arg(Error).arg(text);
    }
    }
}

} // namespace

QString ZipReason(const zip_error* Error)
{
    if (!Error)
        return LibzipReason(ZIP_ER_INTERNAL);
    const zip_error_t* e = Error;
    const int code = zip_error_code_zip(e);
    if (code == ZIP_ER_ZLIB)
        return ZlibReason(zip_error_code_system(e));
    QString out = LibzipReason(code);
    if (zip_error_system_type(e) == ZIP_ET_SYS && zip_error_code_system(e) != 0)
        out += QStringLiteral(": ") + ErrnoReason(zip_error_code_system(e));
    return out;
}

QString XmlReason(const pugi::xml_parse_result& Result)
{
    QString what;
    switch (Result.status) {
    case pugi::status_ok: return QStringLiteral("ошибки нет");
    case pugi::status_file_not_found: what = QStringLiteral("файл не найден"); break;
    case pugi::status_io_error: what = QStringLiteral("ошибка чтения"); break;
    case pugi::status_out_of_memory: what = QStringLiteral("не хватает памяти"); break;
    case pugi::status_internal_error: what = QStringLiteral("внутренняя ошибка разбора"); break;
    case pugi::status_unrecognized_tag: what = QStringLiteral("нераспознанный тег"); break;
    case pugi::status_bad_pi: what = QStringLiteral("ошибка в инструкции обработки"); break;
    case pugi::status_bad_comment: what = QStringLiteral("ошибка в комментарии"); break;
    case pugi::status_bad_cdata: what = QStringLiteral("ошибка в блоке CDATA"); break;
    case pugi::status_bad_doctype: what = QStringLiteral("ошибка в объявлении типа документа"); break;
    case pugi::status_bad_pcdata: what = QStringLiteral("ошибка в тексте"); break;
    case pugi::status_bad_start_element: what = QStringLiteral("ошибка в открывающем теге"); break;
    case pugi::status_bad_attribute: what = QStringLiteral("ошибка в атрибуте"); break;
    case pugi::status_bad_end_element: what = QStringLiteral("ошибка в закрывающем теге"); break;
    case pugi::status_end_element_mismatch: what = QStringLiteral("закрывающий тег не соответствует открывающему или документ обрывается"); break;
    case pugi::status_append_invalid_root: what = QStringLiteral("недопустимый корневой элемент"); break;
    case pugi::status_no_document_element: what = QStringLiteral("нет корневого элемента"); break;
    default: what = QStringLiteral("ошибка разбора %1").arg(int(Result.status)); break;
    }
    return QStringLiteral("%1, байт %2").arg(what).arg(Result.offset);
}

} // namespace ostan
