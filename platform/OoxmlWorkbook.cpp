#include "OoxmlWorkbook.h"

#include "ErrorReasons.h"
#include "NumberSeparators.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cstring>
#include <deque>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <string_view>
#include <vector>
#include <zip.h>

namespace ostan {

namespace {

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;

TWorkbookLimits& Limits()
{
    static TWorkbookLimits limits;
    return limits;
}

const char* const MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const StylesType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char* const StylesContentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

[[noreturn]] void Raise(const QString& Message) { throw EWorkbookError(Message); }

[[noreturn]] void Damaged(const QString& Detail)
{
    Raise(QStringLiteral("Файл не является книгой Office Open XML или поврежден: %1.").arg(Detail));
}

// A workbook beyond what the export reads: refused before it can take the
// memory and the time it would.
[[noreturn]] void TooLarge(const QString& Detail)
{
    Raise(QStringLiteral("Книга слишком велика для дописывания строк: %1.").arg(Detail));
}

QString Megabytes(qint64 Bytes) { return QString::number((Bytes + (1 << 20) - 1) >> 20); }

QString Thousands(long long N)
{
    QString s = QString::number(N);
    for (qsizetype i = s.size() - 3; i > 0; i -= 3)
        s.insert(i, u' ');
    return s;
}

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

std::string_view Local(const pugi::xml_node& N)
{
    const std::string_view n = N.name();
    const auto p = n.find(':');
    return p == std::string_view::npos ? n : n.substr(p + 1);
}

// New elements take the prefix their parent uses.
std::string NameLike(const pugi::xml_node& Parent, std::string_view LocalName)
{
    const std::string_view n = Parent.name();
    const auto p = n.find(':');
    return (p == std::string_view::npos ? std::string() : std::string(n.substr(0, p + 1))) + std::string(LocalName);
}

pugi::xml_node Child(const pugi::xml_node& N, std::string_view LocalName)
{
    for (pugi::xml_node c = N.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && Local(c) == LocalName)
            return c;
    return {};
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& N, std::string_view LocalName)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = N.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && Local(c) == LocalName)
            out.push_back(c);
    return out;
}

// The relationship id of a <sheet>: "r:id" whatever the prefix.
pugi::xml_attribute RelId(const pugi::xml_node& N)
{
    for (pugi::xml_attribute a = N.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view n = a.name();
        const auto p = n.find(':');
        if (p != std::string_view::npos && n.substr(p + 1) == "id")
            return a;
    }
    return {};
}

bool EndsWith(std::string_view S, std::string_view End)
{
    return S.size() >= End.size() && S.substr(S.size() - End.size()) == End;
}

QString Text(const char* S) { return QString::fromUtf8(S); }

// All character data under a node (a shared or inline string with runs).
QString AllText(const pugi::xml_node& N)
{
    QString out;
    for (pugi::xml_node c = N.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            if (Local(c) == "t")
                out += Text(c.child_value());
            else if (Local(c) == "r")
                out += AllText(c);
        }
    }
    return out;
}

class ByteWriter : public pugi::xml_writer {
public:
    QByteArray Bytes;
    void write(const void* Data, size_t Size) override { Bytes.append(static_cast<const char*>(Data), qsizetype(Size)); }
};

QByteArray Serialise(pugi::xml_document& Doc)
{
    // We write UTF-8 whatever the part was read in.
    for (pugi::xml_node n = Doc.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_declaration && n.attribute("encoding"))
            n.attribute("encoding").set_value("UTF-8");
    ByteWriter w;
    Doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return w.Bytes;
}

void Parse(pugi::xml_document& Doc, const QByteArray& Bytes, const std::string& Part)
{
    const pugi::xml_parse_result r =
        Doc.load_buffer(Bytes.constData(), size_t(Bytes.size()),
                        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
    if (!r)
        Damaged(QStringLiteral("часть %1 (%2)").arg(QString::fromStdString(Part), XmlReason(r)));
}

std::string FolderOf(const std::string& Part)
{
    const auto p = Part.rfind('/');
    return p == std::string::npos ? std::string() : Part.substr(0, p + 1);
}

// A relationship's target as a part name (no leading "/", "." and ".." resolved).
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

std::string ColumnName(int Column)
{
    std::string s;
    for (int c = Column; c > 0; c = (c - 1) / 26)
        s.insert(s.begin(), char('A' + (c - 1) % 26));
    return s;
}

std::string RefOf(int Row, int Column) { return ColumnName(Column) + std::to_string(Row); }

// "AB12" -> row 12, column 28; false for anything else.
bool ParseRef(std::string_view Ref, int& Row, int& Column)
{
    size_t i = 0;
    long col = 0;
    while (i < Ref.size() && Ref[i] >= 'A' && Ref[i] <= 'Z' && col <= MaxColumns)
        col = col * 26 + (Ref[i++] - 'A' + 1);
    long row = 0;
    const size_t digits = i;
    while (i < Ref.size() && Ref[i] >= '0' && Ref[i] <= '9' && row <= MaxRows)
        row = row * 10 + (Ref[i++] - '0');
    if (i != Ref.size() || digits == 0 || i == digits || col > MaxColumns || row < 1 || row > MaxRows)
        return false;
    Row = int(row);
    Column = int(col);
    return true;
}

bool ParseInt(const char* S, int Min, int Max, int& Out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(S, &end, 10);
    if (errno || end == S || *end || v < Min || v > Max)
        return false;
    Out = int(v);
    return true;
}

int IntAttr(const pugi::xml_node& N, const char* Name, int Default = 0)
{
    int v = Default;
    if (const pugi::xml_attribute a = N.attribute(Name))
        if (!ParseInt(a.value(), 0, 1 << 30, v))
            v = Default;
    return v;
}

void SetCount(pugi::xml_node List)
{
    int n = 0;
    for (pugi::xml_node c = List.first_child(); c; c = c.next_sibling())
        n += c.type() == pugi::node_element;
    if (!List.attribute("count"))
        List.append_attribute("count");
    List.attribute("count").set_value(n);
}

struct TParsedValue {
    TCellKind Kind = TCellKind::Text;
    std::string Number;     // the stored value of a number
    double Serial = 0;      // of a date, days from 1899-12-30
    const char* Format = ""; // the number format of a date
};

// What a spreadsheet makes of typed text, in the program's notation.
TParsedValue ParseValue(const QString& Text)
{
    TParsedValue out;
    const QString sep = QRegularExpression::escape(QString(DecimalSeparator()));
    const QRegularExpression number(QStringLiteral("^([+-]?)(\\d*)(?:%1(\\d*))?([eE][+-]?\\d+)?$").arg(sep));
    const QRegularExpressionMatch m = number.match(Text);
    if (m.hasMatch() && (!m.captured(2).isEmpty() || !m.captured(3).isEmpty())) {
        QString canonical = (m.captured(1) == QLatin1String("-") ? QStringLiteral("-") : QString())
                          + (m.captured(2).isEmpty() ? QStringLiteral("0") : m.captured(2));
        if (!m.captured(3).isEmpty())
            canonical += QLatin1Char('.') + m.captured(3);
        canonical += m.captured(4);
        bool ok = false;
        const double v = canonical.toDouble(&ok);
        if (ok && std::isfinite(v)) {
            out.Kind = TCellKind::Number;
            out.Number = canonical.toStdString();
            return out;
        }
    }
    static const QRegularExpression date(
        QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})(?: (\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch d = date.match(Text);
    if (d.hasMatch()) {
        const QDate day(d.captured(3).toInt(), d.captured(2).toInt(), d.captured(1).toInt());
        const bool hasTime = !d.captured(4).isEmpty();
        const bool hasSeconds = !d.captured(6).isEmpty();
        const QTime time = hasTime ? QTime(d.captured(4).toInt(), d.captured(5).toInt(), d.captured(6).toInt())
                                   : QTime(0, 0);
        // Serial days from 1899-12-30; the spreadsheets agree from March 1900 on.
        const QDate epoch(1899, 12, 30);
        if (day.isValid() && time.isValid() && day >= QDate(1900, 3, 1)) {
            out.Serial = double(epoch.daysTo(day)) + time.msecsSinceStartOfDay() / 86400000.0;
            out.Kind = TCellKind::DateTime;
            out.Format = !hasTime ? R"(dd\.mm\.yyyy)" : hasSeconds ? R"(dd\.mm\.yyyy h:mm:ss)" : R"(dd\.mm\.yyyy h:mm)";
            return out;
        }
    }
    return out;
}

// XML 1.0 cannot carry most control characters; a spreadsheet drops them too.
std::string XmlSafe(const QString& Text)
{
    QString s;
    s.reserve(Text.size());
    for (const QChar c : Text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            s += c;
    return s.toStdString();
}

const char* const TemplateContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";
const char* const TemplateRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";
const char* const TemplateWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<bookViews><workbookView activeTab="0"/></bookViews>)"
    R"(<sheets><sheet name="Лист1" sheetId="1" r:id="rId1"/></sheets>)"
    R"(</workbook>)";
const char* const TemplateWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";
const char* const TemplateSheet =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<dimension ref="A1"/><sheetData/></worksheet>)";
const char* const TemplateStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

// The order of a style sheet's lists; a list we add goes where it belongs.
const char* const StyleListOrder[] = {"numFmts",  "fonts",      "fills", "borders",     "cellStyleXfs", "cellXfs",
                                      "cellStyles", "dxfs", "tableStyles", "colors", "extLst"};

} // namespace

struct TOoxmlWorkbook::TData {
    QByteArray Original;
    zip_t* Zip = nullptr;

    std::string WorkbookPart, WorkbookRelsPart, SheetPart, StylesPart;
    pugi::xml_document Workbook, WorkbookRels, Sheet, Styles, ContentTypes;
    bool HasStyles = false;
    bool Date1904 = false; // serial days count from 1904-01-01
    pugi::xml_node SheetEntry; // <sheet> of the active sheet in the workbook part
    pugi::xml_node SheetData;
    std::vector<QString> SharedStrings;

    std::map<int, pugi::xml_node> Rows;
    int MinRow = 0, MinColumn = 0, MaxRow = 0, MaxColumn = 0; // 0: no cell yet
    bool ImplicitRefs = false; // some row or cell without "r"
    std::set<std::string> Changed;
    std::map<std::string, QByteArray> NewParts;

    std::map<std::string, int> DateXfs; // format -> xf
    std::set<int> DateXfIndexes;
    std::map<int, int> BoldXfs; // xf -> its bold twin

    ~TData()
    {
        if (Zip)
            zip_discard(Zip);
    }

    zip_int64_t Locate(const std::string& Part) const
    {
        return zip_name_locate(Zip, Part.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    }

    // What a part may still take, for the parts read so far.
    qint64 Unpacked = 0;
    long long Elements = 0;

    // Counted: the local name of the elements a part holds that have a
    // limit of their own ("c" cells, "si" shared strings).
    QByteArray Read(const std::string& Part, std::string_view Counted = {})
    {
        const TWorkbookLimits& limits = Limits();
        const QString part = QString::fromStdString(Part);
        const zip_int64_t index = Locate(Part);
        if (index < 0)
            Damaged(QStringLiteral("нет части %1").arg(part));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(Zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)
            || !(st.valid & ZIP_STAT_COMP_SIZE))
            Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_get_error(Zip))));
        // Checked on what the archive says before anything is unpacked, and
        // again on what really comes out.
        const auto check = [&](qint64 Size) {
            if (Size > limits.ExpansionFrom && double(Size) > double(st.comp_size) * limits.Expansion)
                Raise(QStringLiteral("Файл не похож на книгу: часть %1 распаковывается из %2 КБ в %3 МБ, "
                                     "больше чем в %4 раз; так устроены файлы, которые переполняют память.")
                          .arg(part).arg((st.comp_size + 1023) / 1024).arg(Megabytes(Size)).arg(limits.Expansion));
            if (Unpacked + Size > limits.UnpackedBytes)
                TooLarge(QStringLiteral("ее части занимают больше %1 МБ").arg(Megabytes(limits.UnpackedBytes)));
        };
        const qint64 declared = qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(1) << 60));
        check(declared);

        zip_file_t* f = zip_fopen_index(Zip, zip_uint64_t(index), 0);
        if (!f)
            Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_get_error(Zip))));
        struct Closer {
            zip_file_t* F;
            ~Closer() { zip_fclose(F); }
        } closer{f};
        QByteArray out;
        out.reserve(qsizetype(declared));
        TTagCount tags;
        qsizetype counted = 0; // bytes whose tags are counted
        constexpr qsizetype Chunk = 65536, NameRoom = 256;
        for (;;) {
            const qsizetype before = out.size();
            out.resize(before + Chunk);
            const zip_int64_t n = zip_fread(f, out.data() + before, zip_uint64_t(Chunk));
            if (n < 0)
                Damaged(QStringLiteral("часть %1 не читается (%2)").arg(part, ZipReason(zip_file_get_error(f))));
            out.resize(before + qsizetype(n));
            if (out.size() > declared)
                Damaged(QStringLiteral("часть %1 длиннее, чем сказано в оглавлении архива").arg(part));
            check(out.size());
            const qsizetype upTo = n == 0 ? out.size() : std::max(counted, out.size() - NameRoom);
            CountTags(out.constData() + counted, out.constData() + upTo, out.constData() + out.size(), Counted, tags);
            counted = upTo;
            if (Elements + tags.Elements > limits.Elements)
                TooLarge(QStringLiteral("в части %1 больше %2 элементов").arg(part, Thousands(limits.Elements - Elements)));
            if (Counted == "c" && tags.Named > limits.Cells)
                TooLarge(QStringLiteral("на листе больше %1 ячеек").arg(Thousands(limits.Cells)));
            if (Counted == "si" && tags.Named > limits.Strings)
                TooLarge(QStringLiteral("в ней больше %1 строк текста").arg(Thousands(limits.Strings)));
            if (n == 0)
                break;
        }
        Unpacked += out.size();
        Elements += tags.Elements;
        return out;
    }

    void Load(const std::string& Part, pugi::xml_document& Doc, std::string_view Root, std::string_view Counted = {})
    {
        Parse(Doc, Read(Part, Counted), Part);
        if (Local(Doc.document_element()) != Root)
            Damaged(QStringLiteral("часть %1 не та, что нужна").arg(QString::fromStdString(Part)));
    }

    // The target of the first relationship of a type among Rels, "" when none.
    static std::string Target(const pugi::xml_document& Rels, const std::string& Folder, std::string_view TypeEnd,
                              const char* Id = nullptr)
    {
        for (const pugi::xml_node r : Children(Rels.document_element(), "Relationship")) {
            if (std::string_view(r.attribute("TargetMode").value()) == "External")
                continue;
            if (Id ? std::string_view(r.attribute("Id").value()) == Id : EndsWith(r.attribute("Type").value(), TypeEnd))
                return Resolve(Folder, r.attribute("Target").value());
        }
        return {};
    }

    void IndexRows()
    {
        int row = 0;
        for (pugi::xml_node r = SheetData.first_child(); r; r = r.next_sibling()) {
            if (r.type() != pugi::node_element || Local(r) != "row")
                continue;
            int number = row + 1;
            if (const pugi::xml_attribute a = r.attribute("r")) {
                if (!ParseInt(a.value(), 1, MaxRows, number) || number <= row)
                    Damaged(QStringLiteral("строки листа не по порядку"));
            } else {
                ImplicitRefs = true;
            }
            if (number > MaxRows)
                Damaged(QStringLiteral("строк больше, чем может быть"));
            row = number;
            Rows.emplace_hint(Rows.end(), row, r);
            int column = 0;
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element || Local(c) != "c")
                    continue;
                int cr = row, cc = column + 1;
                if (const pugi::xml_attribute a = c.attribute("r")) {
                    if (!ParseRef(a.value(), cr, cc) || cr != row || cc <= column)
                        Damaged(QStringLiteral("ячейки строки %1 не по порядку").arg(row));
                } else {
                    ImplicitRefs = true;
                }
                if (cc > MaxColumns)
                    Damaged(QStringLiteral("столбцов больше, чем может быть"));
                column = cc;
                Extend(row, column);
            }
        }
    }

    void Extend(int Row, int Column)
    {
        MinRow = MinRow ? std::min(MinRow, Row) : Row;
        MinColumn = MinColumn ? std::min(MinColumn, Column) : Column;
        MaxRow = std::max(MaxRow, Row);
        MaxColumn = std::max(MaxColumn, Column);
    }

    // Visit(cell, column) for each cell of a row in order, its column from
    // its "r" or, without one, the one after the previous cell's; Visit
    // returns false to stop.
    template <class F>
    static void ForEachCell(const pugi::xml_node& Row, F&& Visit)
    {
        int column = 0;
        for (pugi::xml_node c = Row.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || Local(c) != "c")
                continue;
            int r = 0, cc = column + 1;
            if (const pugi::xml_attribute a = c.attribute("r"))
                ParseRef(a.value(), r, cc);
            column = cc;
            if (!Visit(c, column))
                return;
        }
    }

    // The cell node, or an empty node.
    static pugi::xml_node FindCell(const pugi::xml_node& Row, int Column)
    {
        pugi::xml_node found;
        ForEachCell(Row, [&](const pugi::xml_node& C, int CellColumn) {
            if (CellColumn == Column)
                found = C;
            return CellColumn < Column;
        });
        return found;
    }

    QString CellText(const pugi::xml_node& C) const
    {
        if (const pugi::xml_node f = Child(C, "f"))
            return QLatin1Char('=') + Text(f.child_value());
        const std::string_view type = C.attribute("t").value();
        if (type == "inlineStr")
            return AllText(Child(C, "is"));
        const pugi::xml_node v = Child(C, "v");
        if (type == "s") {
            int index = -1;
            if (v && ParseInt(v.child_value(), 0, 1 << 30, index) && size_t(index) < SharedStrings.size())
                return SharedStrings[size_t(index)];
            return {};
        }
        return Text(v.child_value());
    }

    // Before the first change, every row and cell gets its "r": inserting
    // into a sheet with implicit positions would move the cells after it.
    void MakeRefsExplicit()
    {
        if (!ImplicitRefs)
            return;
        for (auto& [number, r] : Rows) {
            if (!r.attribute("r"))
                r.append_attribute("r").set_value(number);
            ForEachCell(r, [Row = number](pugi::xml_node C, int Column) {
                if (!C.attribute("r"))
                    C.append_attribute("r").set_value(RefOf(Row, Column).c_str());
                return true;
            });
        }
        ImplicitRefs = false;
    }

    pugi::xml_node RowNode(int Row)
    {
        const auto it = Rows.lower_bound(Row);
        if (it != Rows.end() && it->first == Row)
            return it->second;
        const std::string name = NameLike(SheetData, "row");
        pugi::xml_node r = it == Rows.end() ? SheetData.append_child(name.c_str())
                                            : SheetData.insert_child_before(name.c_str(), it->second);
        r.append_attribute("r").set_value(Row);
        Rows.emplace_hint(it, Row, r);
        return r;
    }

    pugi::xml_node CellNode(pugi::xml_node Row, int RowNumber, int Column)
    {
        // "spans" is a reader's hint that our new cell could make wrong.
        Row.remove_attribute("spans");
        pugi::xml_node same, before;
        ForEachCell(Row, [&](const pugi::xml_node& C, int CellColumn) {
            if (CellColumn == Column)
                same = C;
            else if (CellColumn > Column)
                before = C;
            return CellColumn < Column;
        });
        if (same)
            return same;
        const std::string name = NameLike(Row, "c");
        pugi::xml_node c = before ? Row.insert_child_before(name.c_str(), before) : Row.append_child(name.c_str());
        c.append_attribute("r").set_value(RefOf(RowNumber, Column).c_str());
        return c;
    }

    // ---- styles

    pugi::xml_node StyleList(std::string_view Name)
    {
        EnsureStyles();
        pugi::xml_node root = Styles.document_element();
        if (pugi::xml_node list = Child(root, Name))
            return list;
        // Insert before the first list that comes later in the order.
        bool after = false;
        pugi::xml_node before;
        for (const char* n : StyleListOrder) {
            if (after && !before)
                before = Child(root, n);
            if (Name == n)
                after = true;
        }
        const std::string name = NameLike(root, Name);
        pugi::xml_node list = before ? root.insert_child_before(name.c_str(), before) : root.append_child(name.c_str());
        // The first entry of a list is what unstyled cells use: a plain one.
        if (Name == "fonts") {
            pugi::xml_node f = list.append_child(NameLike(root, "font").c_str());
            f.append_child(NameLike(root, "sz").c_str()).append_attribute("val").set_value("11");
        } else if (Name == "cellXfs") {
            pugi::xml_node x = list.append_child(NameLike(root, "xf").c_str());
            for (const char* a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"})
                x.append_attribute(a).set_value("0");
        }
        SetCount(list);
        Changed.insert(StylesPart);
        return list;
    }

    // A workbook without a style part gets one, with its relationship and
    // content type.
    void EnsureStyles()
    {
        if (HasStyles)
            return;
        const std::string folder = FolderOf(WorkbookPart);
        StylesPart = folder + "styles.xml";
        for (int n = 2; Locate(StylesPart) >= 0; ++n)
            StylesPart = folder + "styles" + std::to_string(n) + ".xml";
        Parse(Styles, TemplateStyles, StylesPart);
        HasStyles = true;
        NewParts[StylesPart] = {};

        pugi::xml_node rels = WorkbookRels.document_element();
        std::set<std::string> ids;
        for (const pugi::xml_node r : Children(rels, "Relationship"))
            ids.insert(r.attribute("Id").value());
        std::string id;
        for (int n = 1; id.empty() || ids.count(id); ++n)
            id = "rId" + std::to_string(n);
        pugi::xml_node rel = rels.append_child(NameLike(rels, "Relationship").c_str());
        rel.append_attribute("Id").set_value(id.c_str());
        rel.append_attribute("Type").set_value(StylesType);
        rel.append_attribute("Target").set_value(StylesPart.substr(folder.size()).c_str());
        Changed.insert(WorkbookRelsPart);

        Load("[Content_Types].xml", ContentTypes, "Types");
        pugi::xml_node types = ContentTypes.document_element();
        pugi::xml_node o = types.append_child(NameLike(types, "Override").c_str());
        o.append_attribute("PartName").set_value(("/" + StylesPart).c_str());
        o.append_attribute("ContentType").set_value(StylesContentType);
        Changed.insert("[Content_Types].xml");
    }

    pugi::xml_node Xf(int Index)
    {
        std::vector<pugi::xml_node> xfs = Children(StyleList("cellXfs"), "xf");
        return Index >= 0 && size_t(Index) < xfs.size() ? xfs[size_t(Index)] : pugi::xml_node();
    }

    int DateXf(const std::string& Format)
    {
        if (const auto it = DateXfs.find(Format); it != DateXfs.end())
            return it->second;
        pugi::xml_node formats = StyleList("numFmts");
        int id = -1, top = 163; // ids below 164 are the built-in formats
        for (const pugi::xml_node f : Children(formats, "numFmt")) {
            const int fid = IntAttr(f, "numFmtId", -1);
            top = std::max(top, fid);
            if (f.attribute("formatCode").value() == Format)
                id = fid;
        }
        if (id < 0) {
            id = top + 1;
            pugi::xml_node f = formats.append_child(NameLike(formats, "numFmt").c_str());
            f.append_attribute("numFmtId").set_value(id);
            f.append_attribute("formatCode").set_value(Format.c_str());
            SetCount(formats);
            Changed.insert(StylesPart);
        }
        pugi::xml_node xfs = StyleList("cellXfs");
        int index = 0, found = -1;
        for (const pugi::xml_node x : Children(xfs, "xf")) {
            if (IntAttr(x, "numFmtId") == id && IntAttr(x, "fontId") == 0 && IntAttr(x, "fillId") == 0
                && IntAttr(x, "borderId") == 0) {
                found = index;
                break;
            }
            ++index;
        }
        if (found < 0) {
            pugi::xml_node x = xfs.append_child(NameLike(xfs, "xf").c_str());
            x.append_attribute("numFmtId").set_value(id);
            for (const char* a : {"fontId", "fillId", "borderId", "xfId"})
                x.append_attribute(a).set_value("0");
            x.append_attribute("applyNumberFormat").set_value("1");
            SetCount(xfs);
            Changed.insert(StylesPart);
            found = index;
        }
        DateXfs[Format] = found;
        DateXfIndexes.insert(found);
        return found;
    }

    static bool IsBold(const pugi::xml_node& Font)
    {
        const pugi::xml_node b = Child(Font, "b");
        if (!b)
            return false;
        const std::string_view v = b.attribute("val").value();
        return v != "0" && v != "false";
    }

    int BoldXf(int Index)
    {
        if (const auto it = BoldXfs.find(Index); it != BoldXfs.end())
            return it->second;
        pugi::xml_node xfs = StyleList("cellXfs");
        pugi::xml_node fonts = StyleList("fonts");
        pugi::xml_node xf = Xf(Index);
        if (!xf) {
            Index = 0;
            xf = Xf(0);
        }
        const std::vector<pugi::xml_node> fontList = Children(fonts, "font");
        const int fontId = IntAttr(xf, "fontId");
        if (fontId < 0 || size_t(fontId) >= fontList.size() || IsBold(fontList[size_t(fontId)])) {
            BoldXfs[Index] = Index;
            return Index;
        }
        pugi::xml_node font = fonts.append_copy(fontList[size_t(fontId)]);
        font.remove_child(Child(font, "b"));
        font.prepend_child(NameLike(fonts, "b").c_str());
        SetCount(fonts);
        pugi::xml_node bold = xfs.append_copy(xf);
        if (!bold.attribute("fontId"))
            bold.append_attribute("fontId");
        bold.attribute("fontId").set_value(int(fontList.size()));
        if (!bold.attribute("applyFont"))
            bold.append_attribute("applyFont");
        bold.attribute("applyFont").set_value("1");
        SetCount(xfs);
        Changed.insert(StylesPart);
        const int result = int(Children(xfs, "xf").size()) - 1;
        BoldXfs[Index] = result;
        BoldXfs[result] = result;
        return result;
    }

    // ---- columns

    void Widen(int Column, double Width)
    {
        pugi::xml_node sheet = Sheet.document_element();
        pugi::xml_node cols = Child(sheet, "cols");
        if (!cols)
            cols = sheet.insert_child_before(NameLike(sheet, "cols").c_str(), SheetData);
        pugi::xml_node before;
        for (pugi::xml_node c : Children(cols, "col")) {
            const int min = IntAttr(c, "min"), max = IntAttr(c, "max");
            if (min > Column) {
                before = c;
                break;
            }
            if (max < Column)
                continue;
            if (c.attribute("width").as_double() >= Width)
                return;
            // Split a range so that only this column changes.
            if (min < Column) {
                pugi::xml_node left = cols.insert_copy_before(c, c);
                left.attribute("max").set_value(Column - 1);
                c.attribute("min").set_value(Column);
            }
            if (max > Column) {
                pugi::xml_node right = cols.insert_copy_after(c, c);
                right.attribute("min").set_value(Column + 1);
                c.attribute("max").set_value(Column);
            }
            if (!c.attribute("width"))
                c.append_attribute("width");
            c.attribute("width").set_value(Width);
            if (!c.attribute("customWidth"))
                c.append_attribute("customWidth");
            c.attribute("customWidth").set_value("1");
            return;
        }
        pugi::xml_node c = before ? cols.insert_child_before(NameLike(cols, "col").c_str(), before)
                                  : cols.append_child(NameLike(cols, "col").c_str());
        c.append_attribute("min").set_value(Column);
        c.append_attribute("max").set_value(Column);
        c.append_attribute("width").set_value(Width);
        c.append_attribute("customWidth").set_value("1");
    }

    void UpdateDimension()
    {
        pugi::xml_node dimension = Child(Sheet.document_element(), "dimension");
        if (dimension && MaxRow)
            dimension.attribute("ref").set_value(
                (RefOf(MinRow, MinColumn) + ":" + RefOf(MaxRow, MaxColumn)).c_str());
    }
};

TOoxmlWorkbook::TOoxmlWorkbook() : D(std::make_unique<TData>()) {}

TOoxmlWorkbook::~TOoxmlWorkbook() = default;

std::unique_ptr<TOoxmlWorkbook> TOoxmlWorkbook::FromBytes(const QByteArray& Bytes)
{
    CheckPackageSize(Bytes.size());
    std::unique_ptr<TOoxmlWorkbook> W(new TOoxmlWorkbook());
    TData& d = *W->D;
    d.Original = Bytes;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(d.Original.constData(), zip_uint64_t(d.Original.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    d.Zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!d.Zip) {
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

    pugi::xml_document rootRels;
    d.Load("_rels/.rels", rootRels, "Relationships");
    d.WorkbookPart = TData::Target(rootRels, "", "/officeDocument");
    if (d.WorkbookPart.empty())
        Damaged(QStringLiteral("в пакете нет книги"));
    d.Load(d.WorkbookPart, d.Workbook, "workbook");
    const std::string_view date1904 = Child(d.Workbook.document_element(), "workbookPr").attribute("date1904").value();
    d.Date1904 = date1904 == "1" || date1904 == "true";
    d.WorkbookRelsPart = RelsOf(d.WorkbookPart);
    d.Load(d.WorkbookRelsPart, d.WorkbookRels, "Relationships");
    const std::string folder = FolderOf(d.WorkbookPart);

    const std::vector<pugi::xml_node> sheets = Children(Child(d.Workbook.document_element(), "sheets"), "sheet");
    if (sheets.empty())
        Damaged(QStringLiteral("в книге нет листов"));
    int active = IntAttr(Child(Child(d.Workbook.document_element(), "bookViews"), "workbookView"), "activeTab");
    if (active < 0 || size_t(active) >= sheets.size())
        active = 0;
    d.SheetEntry = sheets[size_t(active)];
    const pugi::xml_attribute id = RelId(d.SheetEntry);
    for (const pugi::xml_node r : Children(d.WorkbookRels.document_element(), "Relationship"))
        if (id && std::string_view(r.attribute("Id").value()) == id.value()) {
            if (!EndsWith(r.attribute("Type").value(), "/worksheet"))
                Raise(QStringLiteral("Активный лист книги не является листом с ячейками."));
            d.SheetPart = Resolve(folder, r.attribute("Target").value());
        }
    if (d.SheetPart.empty())
        Damaged(QStringLiteral("нет активного листа"));
    d.Load(d.SheetPart, d.Sheet, "worksheet", "c");
    d.SheetData = Child(d.Sheet.document_element(), "sheetData");
    if (!d.SheetData)
        Damaged(QStringLiteral("у листа нет ячеек"));
    d.IndexRows();

    const std::string strings = TData::Target(d.WorkbookRels, folder, "/sharedStrings");
    if (!strings.empty() && d.Locate(strings) >= 0) {
        pugi::xml_document doc;
        d.Load(strings, doc, "sst", "si");
        for (const pugi::xml_node si : Children(doc.document_element(), "si"))
            d.SharedStrings.push_back(AllText(si));
    }
    d.StylesPart = TData::Target(d.WorkbookRels, folder, "/styles");
    if (!d.StylesPart.empty()) {
        d.Load(d.StylesPart, d.Styles, "styleSheet");
        d.HasStyles = true;
    }
    return W;
}

namespace {
// The package of a new workbook, its workbook part of the given content type.
QByteArray NewPackage(bool Template)
{
    std::string types = TemplateContentTypes;
    if (Template) {
        const std::string sheet = ".sheet.main+xml", tmpl = ".template.main+xml";
        types.replace(types.find(sheet), sheet.size(), tmpl);
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(out);
    zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    const std::pair<const char*, const char*> parts[] = {
        {"[Content_Types].xml", types.c_str()},      {"_rels/.rels", TemplateRootRels},
        {"xl/workbook.xml", TemplateWorkbook},         {"xl/_rels/workbook.xml.rels", TemplateWorkbookRels},
        {"xl/worksheets/sheet1.xml", TemplateSheet},   {"xl/styles.xml", TemplateStyles},
    };
    for (const auto& [name, text] : parts)
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
} // namespace

std::unique_ptr<TOoxmlWorkbook> TOoxmlWorkbook::NewWorkbook() { return FromBytes(NewPackage(false)); }

QByteArray TOoxmlWorkbook::NewTemplateBytes() { return NewPackage(true); }

QString TOoxmlWorkbook::SheetName() const { return Text(D->SheetEntry.attribute("name").value()); }

void TOoxmlWorkbook::SetSheetName(const QString& Name)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    if (Name.isEmpty() || Name.size() > 31 || Name.contains(forbidden) || Name.startsWith(u'\'')
        || Name.endsWith(u'\''))
        Raise(QStringLiteral("Недопустимое имя листа «%1».").arg(Name));
    for (const pugi::xml_node s : Children(Child(D->Workbook.document_element(), "sheets"), "sheet"))
        if (s != D->SheetEntry && Text(s.attribute("name").value()).compare(Name, Qt::CaseInsensitive) == 0)
            Raise(QStringLiteral("Лист с именем «%1» уже есть в книге.").arg(Name));
    D->SheetEntry.attribute("name").set_value(XmlSafe(Name).c_str());
    D->Changed.insert(D->WorkbookPart);
}

namespace {
void CheckCell(int Row, int Column)
{
    if (Row < 1 || Row > MaxRows || Column < 1 || Column > MaxColumns)
        Raise(QStringLiteral("Ячейка (%1, %2) вне листа.").arg(Row).arg(Column));
}
} // namespace

QString TOoxmlWorkbook::CellText(int Row, int Column) const
{
    CheckCell(Row, Column);
    const auto it = D->Rows.find(Row);
    if (it == D->Rows.end())
        return {};
    const pugi::xml_node c = TData::FindCell(it->second, Column);
    return c ? D->CellText(c) : QString();
}

void TOoxmlWorkbook::SetCellValue(int Row, int Column, const QString& Text)
{
    CheckCell(Row, Column);
    TData& d = *D;
    d.MakeRefsExplicit();
    pugi::xml_node c = d.CellNode(d.RowNode(Row), Row, Column);
    c.remove_attribute("t");
    for (const char* n : {"f", "v", "is"})
        while (pugi::xml_node x = Child(c, n))
            c.remove_child(x);
    // The value goes before an extension list, if the cell has one.
    auto add = [&c](std::string_view Local) {
        const std::string name = NameLike(c, Local);
        const pugi::xml_node ext = Child(c, "extLst");
        return ext ? c.insert_child_before(name.c_str(), ext) : c.append_child(name.c_str());
    };
    if (!Text.isEmpty()) {
        const TParsedValue v = ParseValue(Text);
        if (v.Kind == TCellKind::Text) {
            c.append_attribute("t").set_value("inlineStr");
            pugi::xml_node t = add("is").append_child(NameLike(c, "t").c_str());
            t.append_attribute("xml:space").set_value("preserve");
            t.text().set(XmlSafe(Text).c_str());
        } else {
            std::string number = v.Number;
            if (v.Kind == TCellKind::DateTime) {
                if (!c.attribute("s"))
                    c.append_attribute("s");
                c.attribute("s").set_value(d.DateXf(v.Format));
                number = QString::number(v.Serial - (d.Date1904 ? 1462 : 0), 'g', 15).toStdString();
            }
            add("v").text().set(number.c_str());
        }
    }
    d.Extend(Row, Column);
    d.UpdateDimension();
    d.Changed.insert(d.SheetPart);
}

void TOoxmlWorkbook::AutoFormat(int Row1, int Column1, int Row2, int Column2)
{
    CheckCell(Row1, Column1);
    CheckCell(Row2, Column2);
    if (Row2 < Row1)
        std::swap(Row1, Row2);
    if (Column2 < Column1)
        std::swap(Column1, Column2);
    TData& d = *D;
    d.MakeRefsExplicit();
    std::vector<int> widest(size_t(Column2 - Column1 + 1), 0);
    for (auto it = d.Rows.lower_bound(Row1); it != d.Rows.end() && it->first <= Row2; ++it) {
        TData::ForEachCell(it->second, [&](const pugi::xml_node& C, int Column) {
            if (Column >= Column1 && Column <= Column2) {
                const bool date = d.DateXfIndexes.count(IntAttr(C, "s", -1)) != 0;
                const int length = date ? 19 : int(d.CellText(C).size());
                int& w = widest[size_t(Column - Column1)];
                w = std::max(w, length);
            }
            return Column < Column2;
        });
    }
    for (int column = Column1; column <= Column2; ++column) {
        const int w = widest[size_t(column - Column1)];
        if (w > 0)
            d.Widen(column, std::min(255, w + 2));
    }
    if (const auto header = d.Rows.find(Row1); header != d.Rows.end()) {
        TData::ForEachCell(header->second, [&](pugi::xml_node C, int Column) {
            if (Column >= Column1 && Column <= Column2) {
                const int bold = d.BoldXf(IntAttr(C, "s"));
                if (!C.attribute("s"))
                    C.append_attribute("s");
                C.attribute("s").set_value(bold);
            }
            return Column < Column2;
        });
    }
    d.Changed.insert(d.SheetPart);
}

QByteArray TOoxmlWorkbook::ToBytes() const
{
    TData& d = *D;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
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
    auto docOf = [&d](const std::string& Part) -> pugi::xml_document* {
        auto same = [&Part](const std::string& P) { return QString::fromStdString(P).compare(QString::fromStdString(Part), Qt::CaseInsensitive) == 0; };
        if (same(d.SheetPart)) return &d.Sheet;
        if (same(d.WorkbookPart)) return &d.Workbook;
        if (same(d.WorkbookRelsPart)) return &d.WorkbookRels;
        if (d.HasStyles && same(d.StylesPart)) return &d.Styles;
        if (same("[Content_Types].xml")) return &d.ContentTypes;
        return nullptr;
    };
    auto changed = [&d](const std::string& Part) {
        for (const std::string& c : d.Changed)
            if (QString::fromStdString(c).compare(QString::fromStdString(Part), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    auto addNew = [&](const char* Name, const QByteArray& Bytes) {
        keep.push_back(Bytes);
        zip_source_t* s = zip_source_buffer(z, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
        if (!s || zip_file_add(z, Name, s, ZIP_FL_ENC_GUESS) < 0) {
            zip_source_free(s);
            fail(ZipReason(zip_get_error(z)));
        }
    };
    const zip_int64_t count = zip_get_num_entries(d.Zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(d.Zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!name)
            fail(ZipReason(zip_get_error(d.Zip)));
        if (changed(name)) {
            if (pugi::xml_document* doc = docOf(name)) {
                addNew(name, Serialise(*doc));
                continue;
            }
        }
        // Untouched: the stored bytes as they are, with their date.
        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(d.Zip, zip_uint64_t(i), 0, &st);
        zip_source_t* s = zip_source_zip(z, d.Zip, zip_uint64_t(i), ZIP_FL_COMPRESSED, 0, -1);
        const zip_int64_t index = s ? zip_file_add(z, name, s, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            zip_source_free(s);
            fail(ZipReason(zip_get_error(z)));
        }
        if (st.valid & ZIP_STAT_MTIME)
            zip_file_set_mtime(z, zip_uint64_t(index), st.mtime, 0);
    }
    for (const auto& [name, unused] : d.NewParts) {
        (void)unused;
        if (pugi::xml_document* doc = docOf(name))
            addNew(name.c_str(), Serialise(*doc));
    }
    if (zip_close(z) != 0)
        fail(ZipReason(zip_get_error(z)));
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_open(out) != 0 || zip_source_stat(out, &st) != 0) {
        zip_source_free(out);
        Raise(QStringLiteral("Не удалось собрать книгу."));
    }
    bytes.resize(qsizetype(st.size));
    const zip_int64_t n = zip_source_read(out, bytes.data(), st.size);
    zip_source_close(out);
    zip_source_free(out);
    if (n != zip_int64_t(st.size))
        Raise(QStringLiteral("Не удалось собрать книгу."));
    return bytes;
}

TCellKind TOoxmlWorkbook::KindOf(const QString& Text) { return ParseValue(Text).Kind; }

void TOoxmlWorkbook::CheckPackageSize(qint64 Bytes)
{
    if (Bytes > Limits().PackageBytes)
        TooLarge(QStringLiteral("файл больше %1 МБ").arg(Megabytes(Limits().PackageBytes)));
}

void SetWorkbookLimitsForTest(const TWorkbookLimits& L) { Limits() = L; }

} // namespace ostan
