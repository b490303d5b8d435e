#include "OoxmlWorkbook.h"

#include "ErrorReasons.h"
#include "NumberSeparators.h"
#include "WorkbookPackage.h"
#include "WorkbookSheet.h"
#include "WorkbookStream.h"
#include "WorkbookStyles.h"
#include "WorkbookTexts.h"
#include "WorkbookXml.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

namespace ostan {

using namespace ooxml;

namespace {

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
} // namespace

namespace {

// Text as a spreadsheet counts its characters (UTF-16 code units).
int Utf16Length(std::string_view Utf8)
{
    int n = 0;
    for (const char c : Utf8) {
        const auto b = static_cast<unsigned char>(c);
        n += (b & 0xC0) != 0x80;
        n += b >= 0xF0; // a surrogate pair
    }
    return n;
}

void AllUtf8(const pugi::xml_node& N, std::string& Out)
{
    for (pugi::xml_node c = N.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) {
            if (Local(c) == "t")
                Out += c.child_value();
            else if (Local(c) == "r")
                AllUtf8(c, Out);
        }
    }
}

class TStringWriter : public pugi::xml_writer {
public:
    explicit TStringWriter(std::string& Out) : Out(Out) {}
    void write(const void* Data, size_t Size) override { Out.append(static_cast<const char*>(Data), Size); }
    std::string& Out;
};

void Print(const pugi::xml_node& N, std::string& Out)
{
    TStringWriter w(Out);
    N.print(w, "", pugi::format_raw, pugi::encoding_utf8);
}

// The start tag of an element, without its content.
std::string StartTag(const pugi::xml_node& N)
{
    pugi::xml_document d;
    pugi::xml_node copy = d.append_child(N.name());
    for (const pugi::xml_attribute a : N.attributes())
        copy.append_attribute(a.name()).set_value(a.value());
    std::string out;
    Print(copy, out);
    out.erase(out.size() - 2); // "/>"
    return out += '>';
}

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;
constexpr size_t BatchBytes = 64 * 1024;

// A row's number from its start tag: its "r", or the one after the previous.
int RowNumber(std::string_view Tag, int Previous)
{
    int number = Previous + 1;
    std::string_view r;
    if (TChildStream::Attribute(Tag, "r", r)) {
        if (!ParseInt(std::string(r).c_str(), 1, MaxRows, number) || number <= Previous)
            Damaged(QStringLiteral("строки листа не по порядку"));
    }
    if (number > MaxRows)
        Damaged(QStringLiteral("строк больше, чем может быть"));
    return number;
}

void ParseFragment(pugi::xml_document& Doc, std::string& Bytes, const std::string& Part)
{
    const pugi::xml_parse_result r = Doc.load_buffer_inplace(Bytes.data(), Bytes.size(), ParseOptions, pugi::encoding_utf8);
    if (!r)
        Damaged(QStringLiteral("часть %1 (%2)").arg(QString::fromStdString(Part), XmlReason(r)));
}

// Children of a part's container, parsed together in batches of bounded size.
class TBatches : public TChildStream::THandler {
public:
    TBatches(const std::string& Part, std::string_view Name) : Part(Part), Name(Name) {}
    void Child(std::string_view Bytes, size_t Tag) override
    {
        const std::string_view tag = Bytes.substr(0, Tag);
        if (TChildStream::LocalName(tag) != Name)
            return;
        if (Batch.empty())
            Batch = "<b>";
        Batch += Bytes;
        Starting(tag);
        if (Batch.size() > BatchBytes)
            Flush();
    }
    void Skeleton(std::string_view Text) override { SkeletonText += Text; }
    void Flush()
    {
        if (Batch.empty())
            return;
        Batch += "</b>";
        ParseFragment(Doc, Batch, Part);
        for (pugi::xml_node n = Doc.document_element().first_child(); n; n = n.next_sibling())
            if (n.type() == pugi::node_element)
                Parsed(n);
        Batch.clear();
        Done();
    }
    std::string SkeletonText;

protected:
    virtual void Starting(std::string_view) {}
    virtual void Parsed(const pugi::xml_node& N) = 0;
    virtual void Done() {}
    const std::string& Part;

private:
    std::string Name;
    std::string Batch;
    pugi::xml_document Doc;
};

} // namespace

// The engine: the workbook part, the active sheet and the shared strings,
// over the package that holds them. The sheet's tree holds its skeleton and
// the rows worked on (the first, the one a row is appended to, the ones
// changed); the other rows stay in the package and are read as a stream,
// once when the workbook is read and again as it is written.
struct TOoxmlWorkbook::TData {
    explicit TData(const QByteArray& Bytes) : Package(Bytes), Styles(Package, WorkbookPart, WorkbookRels) {}

    TPackage Package;
    std::string WorkbookPart, WorkbookRelsPart, SheetPart;
    pugi::xml_document Workbook, WorkbookRels;
    bool Date1904 = false; // serial days count from 1904-01-01
    pugi::xml_node SheetEntry; // <sheet> of the active sheet in the workbook part
    TSheet Sheet;
    // The shared strings as UTF-8, one after another.
    std::string Strings;
    std::vector<uint32_t> StringAt{0};
    TStyles Styles;

    // What reading the sheet found. Gap: the first row whose column 1 is
    // empty; the rows before it hold column 1's text here and their longest
    // texts per column and cell format (the first row, in the tree, apart).
    int Gap = 1;
    TPackedTexts FirstColumn;
    std::map<std::pair<int, int>, int> Widest; // (column, format) -> characters
    std::set<int> Absent; // rows looked for in the stream and not found
    int LastRow = 0;      // of the stream

    void CellUtf8(const pugi::xml_node& C, std::string& Out) const;
    QString CellText(const pugi::xml_node& C) const;
    void ReadStrings(const std::string& Part);
    void ReadSheet();
    // Visit(bytes, start tag length, number) for each row of the stream in
    // order, until it returns false.
    void PassRows(const std::function<bool(std::string_view, size_t, int)>& Visit);
    // The row in the tree, read from the stream when it is there; false when
    // the sheet has no such row.
    bool Ensure(int Row);
    TPartWriter SheetWriter();
};

void TOoxmlWorkbook::TData::CellUtf8(const pugi::xml_node& C, std::string& Out) const
{
    Out.clear();
    if (const pugi::xml_node f = Child(C, "f")) {
        Out += '=';
        Out += f.child_value();
        return;
    }
    const std::string_view type = C.attribute("t").value();
    if (type == "inlineStr")
        return AllUtf8(Child(C, "is"), Out);
    const pugi::xml_node v = Child(C, "v");
    if (type == "s") {
        int index = -1;
        if (v && ParseInt(v.child_value(), 0, 1 << 30, index) && size_t(index) + 1 < StringAt.size())
            Out.append(Strings, StringAt[size_t(index)], StringAt[size_t(index) + 1] - StringAt[size_t(index)]);
        return;
    }
    Out += v.child_value();
}

QString TOoxmlWorkbook::TData::CellText(const pugi::xml_node& C) const
{
    std::string s;
    CellUtf8(C, s);
    return QString::fromStdString(s);
}

void TOoxmlWorkbook::TData::ReadStrings(const std::string& Part)
{
    class TStrings : public TBatches {
    public:
        TStrings(const std::string& Part, TData& D) : TBatches(Part, "si"), D(D) {}
        void Parsed(const pugi::xml_node& N) override
        {
            AllUtf8(N, D.Strings);
            D.StringAt.push_back(uint32_t(D.Strings.size()));
        }
        TData& D;
    } strings(Part, *this);
    const std::unique_ptr<TPartReader> reader = Package.Open(Part, "si", true);
    TChildStream stream(*reader, "");
    stream.Run(strings);
    strings.Flush();
    pugi::xml_document skeleton;
    Parse(skeleton, QByteArray::fromStdString(strings.SkeletonText), Part);
    if (Local(skeleton.document_element()) != "sst")
        Damaged(QStringLiteral("часть %1 не та, что нужна").arg(QString::fromStdString(Part)));
}

void TOoxmlWorkbook::TData::ReadSheet()
{
    class TScan : public TBatches {
    public:
        TScan(const std::string& Part, TData& D) : TBatches(Part, "row"), D(D) {}
        void Starting(std::string_view Tag) override
        {
            Last = RowNumber(Tag, Last);
            Numbers.push_back(Last);
        }
        void Parsed(const pugi::xml_node& Row) override
        {
            const int number = Numbers[Next++];
            if (number == 1)
                Hold.append_copy(Row).append_attribute("ostan-row").set_value(number);
            int column = 0;
            bool counted = false; // toward the longest texts, column 1's text kept
            for (pugi::xml_node c = Row.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element || Local(c) != "c")
                    continue;
                bool implicit = false;
                const int cc = TSheet::CellColumn(c, number, column, implicit);
                const bool first = column == 0;
                column = cc;
                D.Sheet.Extend(number, cc);
                if (Found || (!first && !counted))
                    continue;
                D.CellUtf8(c, Text);
                if (first) {
                    counted = cc == 1 && !Text.empty() && number == Expected;
                    if (!counted)
                        continue;
                    if (number >= 2)
                        D.FirstColumn.Add(Text);
                }
                if (number >= 2) {
                    int& w = Widest(cc, IntAttr(c, "s", -1));
                    w = std::max(w, Utf16Length(Text));
                }
            }
            if (Found)
                return;
            if (number > Expected) {
                D.Gap = Expected; // no such row
                Found = true;
            } else if (!counted) {
                D.Gap = number;
                Found = true;
                if (number != 1)
                    Hold.append_copy(Row).append_attribute("ostan-row").set_value(number);
            } else {
                ++Expected;
            }
        }
        void Done() override
        {
            Numbers.clear();
            Next = 0;
        }
        // The longest text of a column and format: the one of the row above
        // is usually it.
        int& Widest(int Column, int Format)
        {
            if (size_t(Column) >= LastOf.size())
                LastOf.resize(size_t(Column) + 1, {-2, nullptr});
            auto& [format, width] = LastOf[size_t(Column)];
            if (format != Format || !width) {
                format = Format;
                width = &D.Widest[{Column, Format}];
            }
            return *width;
        }
        std::vector<std::pair<int, int*>> LastOf; // per column
        TData& D;
        pugi::xml_document Hold;
        std::vector<int> Numbers;
        size_t Next = 0;
        int Last = 0, Expected = 1;
        bool Found = false;
        std::string Text;
    } scan(SheetPart, *this);
    {
        const std::unique_ptr<TPartReader> reader = Package.Open(SheetPart, "c", true);
        TChildStream stream(*reader, "sheetData");
        stream.Run(scan);
        scan.Flush();
    }
    if (!scan.Found)
        Gap = scan.Expected;
    LastRow = scan.Last;
    Parse(Sheet.Doc, QByteArray::fromStdString(scan.SkeletonText), SheetPart);
    if (Local(Sheet.Doc.document_element()) != "worksheet")
        Damaged(QStringLiteral("часть %1 не та, что нужна").arg(QString::fromStdString(SheetPart)));
    Sheet.Open();
    for (pugi::xml_node r = scan.Hold.first_child(); r; r = r.next_sibling()) {
        const int number = r.attribute("ostan-row").as_int();
        r.remove_attribute("ostan-row");
        Sheet.Insert(number, r);
    }
}

void TOoxmlWorkbook::TData::PassRows(const std::function<bool(std::string_view, size_t, int)>& Visit)
{
    struct TPass : TChildStream::THandler {
        const std::function<bool(std::string_view, size_t, int)>& Visit;
        int Last = 0;
        bool Stop = false;
        explicit TPass(const std::function<bool(std::string_view, size_t, int)>& V) : Visit(V) {}
        void Child(std::string_view Bytes, size_t Tag) override
        {
            const std::string_view tag = Bytes.substr(0, Tag);
            if (Stop || TChildStream::LocalName(tag) != "row")
                return;
            Last = RowNumber(tag, Last);
            Stop = !Visit(Bytes, Tag, Last);
        }
    } pass(Visit);
    const std::unique_ptr<TPartReader> reader = Package.Open(SheetPart, {}, false);
    TChildStream stream(*reader, "sheetData");
    while (!pass.Stop && stream.Pump(pass)) {
    }
}

bool TOoxmlWorkbook::TData::Ensure(int Row)
{
    if (Sheet.Rows.count(Row))
        return true;
    if (Row == Gap || Row > LastRow || Absent.count(Row))
        return false;
    bool found = false;
    PassRows([&](std::string_view Bytes, size_t, int Number) {
        if (Number == Row) {
            std::string copy(Bytes);
            pugi::xml_document doc;
            ParseFragment(doc, copy, SheetPart);
            Sheet.Insert(Row, doc.document_element());
            found = true;
        }
        return Number < Row;
    });
    if (!found)
        Absent.insert(Row);
    return found;
}

TPartWriter TOoxmlWorkbook::TData::SheetWriter()
{
    // The skeleton's text before and after the rows.
    std::string head, tail;
    bool afterRoot = false;
    for (pugi::xml_node n = Sheet.Doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_declaration && n.attribute("encoding"))
            n.attribute("encoding").set_value("UTF-8"); // whatever the part was read in
        if (n != Sheet.Doc.document_element()) {
            Print(n, afterRoot ? tail : head);
            continue;
        }
        afterRoot = true;
        head += StartTag(n);
        std::string* into = &head;
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (c == Sheet.Data) {
                head += StartTag(c);
                tail = "</" + std::string(c.name()) + ">";
                into = &tail;
            } else {
                Print(c, *into);
            }
        }
        tail += "</" + std::string(n.name()) + ">";
    }

    struct TWrite : TChildStream::THandler {
        std::string* Out = nullptr;
        std::map<int, pugi::xml_node>::const_iterator Held, End;
        int Last = 0;
        void Child(std::string_view Bytes, size_t Tag) override
        {
            const std::string_view tag = Bytes.substr(0, Tag);
            if (TChildStream::LocalName(tag) != "row") {
                Out->append(Bytes);
                return;
            }
            Last = RowNumber(tag, Last);
            for (; Held != End && Held->first < Last; ++Held)
                Print(Held->second, *Out);
            if (Held != End && Held->first == Last)
                Print((Held++)->second, *Out);
            else
                Out->append(Bytes);
        }
        void Between(std::string_view Text) override { Out->append(Text); }
    };
    struct TState {
        std::unique_ptr<TPartReader> Reader;
        std::unique_ptr<TChildStream> Stream;
        TWrite Write;
        std::string Head, Tail;
        int Phase = 0;
    };
    auto state = std::make_shared<TState>();
    state->Reader = Package.Open(SheetPart, {}, false);
    state->Stream = std::make_unique<TChildStream>(*state->Reader, "sheetData");
    state->Write.Held = Sheet.Rows.cbegin();
    state->Write.End = Sheet.Rows.cend();
    state->Head = std::move(head);
    state->Tail = std::move(tail);
    return [state](std::string& Out) {
        TState& s = *state;
        s.Write.Out = &Out;
        switch (s.Phase) {
        case 0:
            Out += s.Head;
            s.Phase = 1;
            return true;
        case 1:
            while (Out.size() < 65536)
                if (!s.Stream->Pump(s.Write)) {
                    s.Phase = 2;
                    break;
                }
            return true;
        case 2:
            for (; s.Write.Held != s.Write.End; ++s.Write.Held)
                Print(s.Write.Held->second, Out);
            Out += s.Tail;
            s.Phase = 3;
            return true;
        default: return false;
        }
    };
}

TOoxmlWorkbook::TOoxmlWorkbook(const QByteArray& Bytes) : D(std::make_unique<TData>(Bytes)) {}

TOoxmlWorkbook::~TOoxmlWorkbook() = default;

std::unique_ptr<TOoxmlWorkbook> TOoxmlWorkbook::FromBytes(const QByteArray& Bytes)
{
    std::unique_ptr<TOoxmlWorkbook> W(new TOoxmlWorkbook(Bytes));
    TData& d = *W->D;
    pugi::xml_document rootRels;
    d.Package.Load("_rels/.rels", rootRels, "Relationships");
    d.WorkbookPart = TPackage::Target(rootRels, "", "/officeDocument");
    if (d.WorkbookPart.empty())
        Damaged(QStringLiteral("в пакете нет книги"));
    d.Package.Load(d.WorkbookPart, d.Workbook, "workbook");
    const std::string_view date1904 = Child(d.Workbook.document_element(), "workbookPr").attribute("date1904").value();
    d.Date1904 = date1904 == "1" || date1904 == "true";
    d.WorkbookRelsPart = RelsOf(d.WorkbookPart);
    d.Package.Load(d.WorkbookRelsPart, d.WorkbookRels, "Relationships");
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
    // Written from their trees once changed; the sheet as a stream.
    d.Package.Stream(d.SheetPart, [&d] { return d.SheetWriter(); });
    d.Package.Hold(d.WorkbookPart, d.Workbook);
    d.Package.Hold(d.WorkbookRelsPart, d.WorkbookRels);
    // The sheet's cells may name shared strings: those are read first.
    const std::string strings = TPackage::Target(d.WorkbookRels, folder, "/sharedStrings");
    if (!strings.empty() && d.Package.Has(strings))
        d.ReadStrings(strings);
    d.ReadSheet();
    if (const std::string styles = TPackage::Target(d.WorkbookRels, folder, "/styles"); !styles.empty())
        d.Styles.Load(styles);
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
    return TPackage::Pack({
        {"[Content_Types].xml", types.c_str()},      {"_rels/.rels", TemplateRootRels},
        {"xl/workbook.xml", TemplateWorkbook},         {"xl/_rels/workbook.xml.rels", TemplateWorkbookRels},
        {"xl/worksheets/sheet1.xml", TemplateSheet},   {"xl/styles.xml", NewStyleSheet},
    });
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
    D->Package.MarkChanged(D->WorkbookPart);
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
    TData& d = *D;
    if (Row >= 2 && Row < d.Gap && Column == 1 && !d.Sheet.Rows.count(Row))
        return d.FirstColumn.At(size_t(Row - 2));
    if (!d.Ensure(Row))
        return {};
    const pugi::xml_node c = TSheet::FindCell(d.Sheet.Rows.at(Row), Column);
    return c ? d.CellText(c) : QString();
}

void TOoxmlWorkbook::SetCellValue(int Row, int Column, const QString& Text)
{
    CheckCell(Row, Column);
    TData& d = *D;
    d.Ensure(Row);
    d.Sheet.MakeRefsExplicit();
    pugi::xml_node c = d.Sheet.CellNode(d.Sheet.RowNode(Row), Row, Column);
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
                c.attribute("s").set_value(d.Styles.DateXf(v.Format));
                number = QString::number(v.Serial - (d.Date1904 ? 1462 : 0), 'g', 15).toStdString();
            }
            add("v").text().set(number.c_str());
        }
    }
    d.Sheet.Extend(Row, Column);
    d.Sheet.UpdateDimension();
    d.Package.MarkChanged(d.SheetPart);
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
    d.Sheet.MakeRefsExplicit();
    std::vector<int> widest(size_t(Column2 - Column1 + 1), 0);
    const auto widen = [&](int Column, int Length) {
        int& w = widest[size_t(Column - Column1)];
        w = std::max(w, Length);
    };
    const auto measure = [&](const pugi::xml_node& Row) {
        TSheet::ForEachCell(Row, [&](const pugi::xml_node& C, int Column) {
            if (Column >= Column1 && Column <= Column2)
                widen(Column, d.Styles.IsDateXf(IntAttr(C, "s", -1)) ? 19 : int(d.CellText(C).size()));
            return Column < Column2;
        });
    };
    for (auto it = d.Sheet.Rows.lower_bound(Row1); it != d.Sheet.Rows.end() && it->first <= Row2; ++it)
        measure(it->second);
    // The rows not in the tree: from what reading the sheet found when the
    // range covers the rows before the gap and no row beyond it, else read.
    const auto held = d.Sheet.Rows.lower_bound(2);
    const bool heldBeforeGap = held != d.Sheet.Rows.end() && held->first < d.Gap;
    if (Row1 <= 2 && Row2 >= d.Gap - 1 && Row2 <= d.Gap && !heldBeforeGap) {
        for (const auto& [key, length] : d.Widest)
            if (key.first >= Column1 && key.first <= Column2)
                widen(key.first, d.Styles.IsDateXf(key.second) ? 19 : length);
    } else {
        d.PassRows([&](std::string_view Bytes, size_t, int Number) {
            if (Number >= Row1 && Number <= Row2 && !d.Sheet.Rows.count(Number)) {
                std::string copy(Bytes);
                pugi::xml_document doc;
                ParseFragment(doc, copy, d.SheetPart);
                measure(doc.document_element());
            }
            return Number < Row2;
        });
    }
    for (int column = Column1; column <= Column2; ++column) {
        const int w = widest[size_t(column - Column1)];
        if (w > 0)
            d.Sheet.Widen(column, std::min(255, w + 2));
    }
    if (!d.Sheet.Rows.count(Row1))
        d.Ensure(Row1);
    if (const auto header = d.Sheet.Rows.find(Row1); header != d.Sheet.Rows.end()) {
        TSheet::ForEachCell(header->second, [&](pugi::xml_node C, int Column) {
            if (Column >= Column1 && Column <= Column2) {
                const int bold = d.Styles.BoldXf(IntAttr(C, "s"));
                if (!C.attribute("s"))
                    C.append_attribute("s");
                C.attribute("s").set_value(bold);
            }
            return Column < Column2;
        });
    }
    d.Package.MarkChanged(d.SheetPart);
}

QByteArray TOoxmlWorkbook::ToBytes() const { return D->Package.ToBytes(); }

TCellKind TOoxmlWorkbook::KindOf(const QString& Text) { return ParseValue(Text).Kind; }

void TOoxmlWorkbook::CheckPackageSize(qint64 Bytes) { TPackage::CheckSize(Bytes); }

void SetWorkbookLimitsForTest(const TWorkbookLimits& L) { ooxml::Limits() = L; }

} // namespace ostan
