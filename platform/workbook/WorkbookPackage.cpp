#include "WorkbookPackage.h"

#include "ErrorReasons.h"
#include "WorkbookXml.h"

#include <QString>
#include <cstring>
#include <deque>
#include <exception>
#include <pugixml.hpp>
#include <zip.h>

namespace ostan::ooxml {

namespace {

// Start tags in [From, To) of a text that ends at End (a name may run past
// To): all of them, and those whose local name is Name.
struct TTagCount {
    long long Elements = 0, Named = 0;
};

void CountTags(const char* From, const char* To, const char* End, std::string_view Name, TTagCount& Count)
{
    for (const char* p = From; p < To;) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(To - p)));
        if (!p)
            return;
        const char* n = ++p;
        if (n == End || *n == '/' || *n == '?' || *n == '!')
            continue;
        ++Count.Elements;
        const char* local = n;
        const char* e = n;
        for (; e < End && *e != '>' && *e != '/' && *e != ' ' && *e != '\t' && *e != '\r' && *e != '\n'; ++e)
            if (*e == ':')
                local = e + 1;
        if (!Name.empty() && std::string_view(local, size_t(e - local)) == Name)
            ++Count.Named;
    }
}

// A part made as libzip asks for its bytes. What the writer raises is kept
// for the caller: nothing may pass through libzip's C frames.
struct TWriterSource {
    TPartWriter Writer;
    std::exception_ptr& Failure;
    std::string Pending;
    size_t Offset = 0;
    bool Ended = false;
    zip_error_t Error;
};

zip_int64_t WriterSource(void* State, void* Data, zip_uint64_t Length, zip_source_cmd_t Command)
{
    auto* w = static_cast<TWriterSource*>(State);
    switch (Command) {
    case ZIP_SOURCE_OPEN: return 0;
    case ZIP_SOURCE_READ:
        try {
            while (!w->Ended && w->Pending.size() - w->Offset < Length) {
                w->Pending.erase(0, w->Offset);
                w->Offset = 0;
                w->Ended = !w->Writer(w->Pending);
            }
        } catch (...) {
            w->Failure = std::current_exception();
            zip_error_set(&w->Error, ZIP_ER_INTERNAL, 0);
            return -1;
        }
        {
            const size_t n = std::min<size_t>(size_t(Length), w->Pending.size() - w->Offset);
            std::memcpy(Data, w->Pending.data() + w->Offset, n);
            w->Offset += n;
            return zip_int64_t(n);
        }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(Data);
        zip_stat_init(st);
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&w->Error, Data, Length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&w->Error);
        delete w;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&w->Error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

// The archive being written, straight into the bytes handed back: no copy
// of the whole package is made at the end.
struct TBytesSink {
    QByteArray Bytes, Writing;
    qint64 WriteAt = 0, ReadAt = 0;
    zip_error_t Error;
};

zip_int64_t BytesSink(void* State, void* Data, zip_uint64_t Length, zip_source_cmd_t Command)
{
    auto* s = static_cast<TBytesSink*>(State);
    switch (Command) {
    case ZIP_SOURCE_OPEN: s->ReadAt = 0; return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = std::min<qint64>(qint64(Length), s->Bytes.size() - s->ReadAt);
        std::memcpy(Data, s->Bytes.constData() + s->ReadAt, size_t(n));
        s->ReadAt += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t at = zip_source_seek_compute_offset(zip_uint64_t(s->ReadAt), zip_uint64_t(s->Bytes.size()),
                                                              Data, Length, &s->Error);
        if (at < 0)
            return -1;
        s->ReadAt = at;
        return 0;
    }
    case ZIP_SOURCE_TELL: return s->ReadAt;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(Data);
        zip_stat_init(st);
        st->size = zip_uint64_t(s->Bytes.size());
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_BEGIN_WRITE:
        s->Writing.clear();
        s->WriteAt = 0;
        return 0;
    case ZIP_SOURCE_WRITE: {
        const qint64 end = s->WriteAt + qint64(Length);
        if (end > s->Writing.size()) {
            // Grown by half at a time, as a buffer that fills is.
            if (end > s->Writing.capacity())
                s->Writing.reserve(std::max<qint64>(end, s->Writing.capacity() + s->Writing.capacity() / 2));
            s->Writing.resize(end);
        }
        std::memcpy(s->Writing.data() + s->WriteAt, Data, size_t(Length));
        s->WriteAt = end;
        return zip_int64_t(Length);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t at = zip_source_seek_compute_offset(zip_uint64_t(s->WriteAt), zip_uint64_t(s->Writing.size()),
                                                              Data, Length, &s->Error);
        if (at < 0)
            return -1;
        s->WriteAt = at;
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE: return s->WriteAt;
    case ZIP_SOURCE_COMMIT_WRITE:
        s->Bytes = std::move(s->Writing);
        s->Writing = QByteArray();
        return 0;
    case ZIP_SOURCE_ROLLBACK_WRITE: s->Writing = QByteArray(); return 0;
    case ZIP_SOURCE_REMOVE: s->Bytes = QByteArray(); return 0;
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&s->Error, Data, Length);
    case ZIP_SOURCE_FREE: return 0; // the caller owns the state
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_SEEK,
                                              ZIP_SOURCE_TELL, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE,
                                              ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                                              ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_REMOVE, -1);
    default: zip_error_set(&s->Error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

} // namespace

TWorkbookLimits& Limits()
{
    static TWorkbookLimits limits;
    return limits;
}

std::string FolderOf(const std::string& Part)
{
    const auto p = Part.rfind('/');
    return p == std::string::npos ? std::string() : Part.substr(0, p + 1);
}

std::string Resolve(const std::string& Folder, const std::string& Target)
{
    const std::string joined = !Target.empty() && Target[0] == '/' ? Target.substr(1) : Folder + Target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string seg = joined.substr(start, end - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string RelsOf(const std::string& Part)
{
    return FolderOf(Part) + "_rels/" + Part.substr(FolderOf(Part).size()) + ".rels";
}

TPackage::TPackage(const QByteArray& Bytes)
{
    CheckSize(Bytes.size());
    Original = Bytes;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(Original.constData(), zip_uint64_t(Original.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    Zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!Zip) {
        zip_source_free(source);
        const QString why = ZipReason(&error);
        zip_error_fini(&error);
        // The binary workbooks of older spreadsheet programs.
        if (Bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")))
            Raise(QStringLiteral("Файл — книга старого формата (.xls), а дописывать строки можно только в книгу "
                                 "Office Open XML (.xlsx). Сохраните ее как .xlsx в программе электронных таблиц "
                                 "или выберите другой файл."));
        Damaged(QStringLiteral("архив не читается: %1").arg(why));
    }
    zip_error_fini(&error);
}

TPackage::~TPackage()
{
    if (Zip)
        zip_discard(Zip);
}

void TPackage::CheckSize(qint64 Bytes)
{
    if (Bytes > Limits().PackageBytes)
        TooLarge(QStringLiteral("файл больше %1 МБ").arg(Megabytes(Limits().PackageBytes)));
}

QByteArray TPackage::Pack(const std::vector<std::pair<const char*, const char*>>& Parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    for (const auto& [name, text] : Parts)
        zip_file_add(z, name, zip_source_buffer(z, text, strlen(text), 0), ZIP_FL_ENC_UTF_8);
    zip_close(z);
    QByteArray bytes;
    zip_stat_t st;
    if (zip_source_open(out) == 0) {
        zip_source_stat(out, &st);
        bytes.resize(qsizetype(st.size));
        zip_source_read(out, bytes.data(), st.size);
        zip_source_close(out);
    }
    zip_source_free(out);
    return bytes;
}

bool TPackage::Has(const std::string& Part) const
{
    return zip_name_locate(Zip, Part.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW) >= 0;
}

TPartReader::TPartReader(TPackage& Package, const std::string& Part, std::string_view Counted, bool Count)
    : Package(Package), Name(Part), Counted(Counted), Count(Count)
{
    const QString part = QString::fromStdString(Part);
    zip_t* z = Package.Zip;
    const zip_int64_t index = zip_name_locate(z, Part.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    if (index < 0)
        Damaged(QStringLiteral("нет части %1").arg(part));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)
        || !(st.valid & ZIP_STAT_COMP_SIZE))
        Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_get_error(z))));
    Declared = qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(1) << 60));
    Compressed = qint64(std::min<zip_uint64_t>(st.comp_size, zip_uint64_t(1) << 60));
    // Checked on what the archive says before anything is unpacked, and
    // again on what really comes out.
    Check(Declared);
    File = zip_fopen_index(z, zip_uint64_t(index), 0);
    if (!File)
        Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_get_error(z))));
}

TPartReader::~TPartReader()
{
    if (File)
        zip_fclose(File);
}

void TPartReader::Check(qint64 Bytes) const
{
    if (!Count)
        return;
    const TWorkbookLimits& limits = Limits();
    if (Bytes > limits.ExpansionFrom && double(Bytes) > double(Compressed) * limits.Expansion)
        Raise(QStringLiteral("Файл не похож на книгу: часть %1 распаковывается из %2 КБ в %3 МБ, "
                             "больше чем в %4 раз; так устроены файлы, которые переполняют память.")
                  .arg(QString::fromStdString(Name))
                  .arg((Compressed + 1023) / 1024)
                  .arg(Megabytes(Bytes))
                  .arg(limits.Expansion));
    if (Package.Unpacked + Bytes > limits.UnpackedBytes)
        TooLarge(QStringLiteral("ее части занимают больше %1 МБ").arg(Megabytes(limits.UnpackedBytes)));
}

bool TPartReader::Next(std::string& Out)
{
    if (Done)
        return false;
    Pace();
    constexpr size_t Chunk = 65536, NameRoom = 256;
    char piece[Chunk];
    const zip_int64_t n = zip_fread(File, piece, zip_uint64_t(Chunk));
    const QString part = QString::fromStdString(Name);
    if (n < 0)
        Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_file_get_error(File))));
    Out.append(piece, size_t(n));
    Size += n;
    if (Size > Declared)
        Damaged(QStringLiteral("часть %1 длиннее, чем сказано в оглавлении архива").arg(part));
    Check(Size);
    Done = n == 0;
    if (!Count)
        return !Done;
    const TWorkbookLimits& limits = Limits();
    // Tags are counted once a name that starts in them can be read whole:
    // those of the carried end of the last piece with the start of this one
    // beside them, then this piece's but its end.
    TTagCount tags;
    const size_t head = std::min<size_t>(size_t(n), NameRoom);
    const size_t carried = Carry.size();
    Carry.append(piece, head);
    CountTags(Carry.data(), Carry.data() + carried, Carry.data() + Carry.size(), Counted, tags);
    if (size_t(n) > NameRoom)
        CountTags(piece, piece + n - NameRoom, piece + n, Counted, tags);
    Carry.assign(piece + (size_t(n) > NameRoom ? size_t(n) - NameRoom : 0), size_t(n) > NameRoom ? NameRoom : size_t(n));
    Elements += tags.Elements;
    Named += tags.Named;
    if (Package.Elements + Elements > limits.Elements)
        TooLarge(QStringLiteral("в части %1 больше %2 элементов").arg(part, Thousands(limits.Elements - Package.Elements)));
    if (Counted == "c" && Named > limits.Cells)
        TooLarge(QStringLiteral("на листе больше %1 ячеек").arg(Thousands(limits.Cells)));
    if (Counted == "si" && Named > limits.Strings)
        TooLarge(QStringLiteral("в ней больше %1 строк текста").arg(Thousands(limits.Strings)));
    if (Done) {
        Package.Unpacked += Size;
        Package.Elements += Elements;
    }
    return !Done;
}

std::unique_ptr<TPartReader> TPackage::Open(const std::string& Part, std::string_view Counted, bool Count)
{
    return std::unique_ptr<TPartReader>(new TPartReader(*this, Part, Counted, Count));
}

QByteArray TPackage::Read(const std::string& Part, std::string_view Counted)
{
    const std::unique_ptr<TPartReader> reader = Open(Part, Counted, true);
    std::string bytes;
    bytes.reserve(size_t(reader->Declared));
    while (reader->Next(bytes)) {
    }
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

void TPackage::Load(const std::string& Part, pugi::xml_document& Doc, std::string_view Root, std::string_view Counted)
{
    Parse(Doc, Read(Part, Counted), Part);
    if (Local(Doc.document_element()) != Root)
        Damaged(QStringLiteral("часть %1 не та, что нужна").arg(QString::fromStdString(Part)));
}

std::string TPackage::Target(const pugi::xml_document& Rels, const std::string& Folder, std::string_view TypeEnd,
                             const char* Id)
{
    for (const pugi::xml_node r : Children(Rels.document_element(), "Relationship")) {
        if (std::string_view(r.attribute("TargetMode").value()) == "External")
            continue;
        if (Id ? std::string_view(r.attribute("Id").value()) == Id : EndsWith(r.attribute("Type").value(), TypeEnd))
            return Resolve(Folder, r.attribute("Target").value());
    }
    return {};
}

void TPackage::Hold(const std::string& Part, pugi::xml_document& Doc) { Held.emplace_back(Part, &Doc); }

void TPackage::Stream(const std::string& Part, std::function<TPartWriter()> Make)
{
    Streamed.emplace_back(Part, std::move(Make));
}

void TPackage::MarkChanged(const std::string& Part) { Changed.insert(Part); }

void TPackage::Add(const std::string& Part, pugi::xml_document& Doc)
{
    Hold(Part, Doc);
    NewParts.insert(Part);
}

pugi::xml_document* TPackage::DocOf(const std::string& Part) const
{
    for (const auto& [part, doc] : Held)
        if (QString::fromStdString(part).compare(QString::fromStdString(Part), Qt::CaseInsensitive) == 0)
            return doc;
    return nullptr;
}

bool TPackage::IsChanged(const std::string& Part) const
{
    for (const std::string& c : Changed)
        if (QString::fromStdString(c).compare(QString::fromStdString(Part), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray TPackage::ToBytes() const
{
    zip_error_t error;
    zip_error_init(&error);
    TBytesSink sink;
    zip_error_init(&sink.Error);
    struct TSinkError {
        zip_error_t& E;
        ~TSinkError() { zip_error_fini(&E); }
    } sinkError{sink.Error};
    zip_source_t* out = zip_source_function_create(BytesSink, &sink, &error);
    if (!out)
        throw std::bad_alloc();
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!z) {
        zip_source_free(out);
        Raise(QStringLiteral("Не удалось собрать книгу."));
    }
    auto fail = [&](const QString& Why) {
        zip_discard(z);
        zip_source_free(out);
        Raise(QStringLiteral("Не удалось собрать книгу: %1.").arg(Why));
    };
    std::deque<QByteArray> keep; // alive until the archive is closed
    auto added = [&](zip_source_t* S, const char* Name) {
        const zip_int64_t index = S ? zip_file_add(z, Name, S, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            zip_source_free(S);
            fail(ZipReason(zip_get_error(z)));
        }
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, WrittenPartLevel);
    };
    auto addNew = [&](const char* Name, const QByteArray& Bytes) {
        keep.push_back(Bytes);
        added(zip_source_buffer(z, keep.back().constData(), zip_uint64_t(keep.back().size()), 0), Name);
    };
    std::exception_ptr failure; // of a part's writer
    auto streamed = [&](const char* Name) {
        for (const auto& [part, make] : Streamed)
            if (QString::fromStdString(part).compare(QString::fromUtf8(Name), Qt::CaseInsensitive) == 0) {
                zip_error_t e;
                zip_error_init(&e);
                auto* state = new TWriterSource{make(), failure, {}, 0, false, e};
                zip_source_t* s = zip_source_function(z, WriterSource, state);
                if (!s)
                    delete state;
                added(s, Name);
                return true;
            }
        return false;
    };
    const zip_int64_t count = zip_get_num_entries(Zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(Zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!name)
            fail(ZipReason(zip_get_error(Zip)));
        if (IsChanged(name)) {
            if (streamed(name))
                continue;
            if (pugi::xml_document* doc = DocOf(name)) {
                addNew(name, Serialise(*doc));
                continue;
            }
        }
        // Untouched: the stored bytes as they are, with their date.
        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(Zip, zip_uint64_t(i), 0, &st);
        zip_source_t* s = zip_source_zip(z, Zip, zip_uint64_t(i), ZIP_FL_COMPRESSED, 0, -1);
        const zip_int64_t index = s ? zip_file_add(z, name, s, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            zip_source_free(s);
            fail(ZipReason(zip_get_error(z)));
        }
        if (st.valid & ZIP_STAT_MTIME)
            zip_file_set_mtime(z, zip_uint64_t(index), st.mtime, 0);
    }
    for (const std::string& name : NewParts) {
        if (pugi::xml_document* doc = DocOf(name))
            addNew(name.c_str(), Serialise(*doc));
    }
    if (zip_close(z) != 0) {
        if (failure) {
            zip_discard(z);
            zip_source_free(out);
            std::rethrow_exception(failure);
        }
        fail(ZipReason(zip_get_error(z)));
    }
    zip_source_free(out);
    return std::move(sink.Bytes);
}

} // namespace ostan::ooxml
