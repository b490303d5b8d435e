#include "OoxmlWorkbook.h"

#include "NumberSeparators.h"
#include "WorkbookPackage.h"
#include "WorkbookSheet.h"
#include "WorkbookStyles.h"
#include "WorkbookXml.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
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

// The engine: the workbook part, the active sheet and the shared strings,
// over the package that holds them.
struct TOoxmlWorkbook::TData {
    explicit TData(const QByteArray& Bytes) : Package(Bytes), Styles(Package, WorkbookPart, WorkbookRels) {}

    TPackage Package;
    std::string WorkbookPart, WorkbookRelsPart, SheetPart;
    pugi::xml_document Workbook, WorkbookRels;
    bool Date1904 = false; // serial days count from 1904-01-01
    pugi::xml_node SheetEntry; // <sheet> of the active sheet in the workbook part
    TSheet Sheet;
    std::vector<QString> SharedStrings;
    TStyles Styles;

    QString CellText(const pugi::xml_node& C) const;
};

QString TOoxmlWorkbook::TData::CellText(const pugi::xml_node& C) const
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
    // Written from their trees once changed, the sheet's before the others'.
    d.Package.Hold(d.SheetPart, d.Sheet.Doc);
    d.Package.Hold(d.WorkbookPart, d.Workbook);
    d.Package.Hold(d.WorkbookRelsPart, d.WorkbookRels);
    d.Package.Load(d.SheetPart, d.Sheet.Doc, "worksheet", "c");
    d.Sheet.Open();

    const std::string strings = TPackage::Target(d.WorkbookRels, folder, "/sharedStrings");
    if (!strings.empty() && d.Package.Has(strings)) {
        pugi::xml_document doc;
        d.Package.Load(strings, doc, "sst", "si");
        for (const pugi::xml_node si : Children(doc.document_element(), "si"))
            d.SharedStrings.push_back(AllText(si));
    }
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
    const auto it = D->Sheet.Rows.find(Row);
    if (it == D->Sheet.Rows.end())
        return {};
    const pugi::xml_node c = TSheet::FindCell(it->second, Column);
    return c ? D->CellText(c) : QString();
}

void TOoxmlWorkbook::SetCellValue(int Row, int Column, const QString& Text)
{
    CheckCell(Row, Column);
    TData& d = *D;
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
    for (auto it = d.Sheet.Rows.lower_bound(Row1); it != d.Sheet.Rows.end() && it->first <= Row2; ++it) {
        TSheet::ForEachCell(it->second, [&](const pugi::xml_node& C, int Column) {
            if (Column >= Column1 && Column <= Column2) {
                const bool date = d.Styles.IsDateXf(IntAttr(C, "s", -1));
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
            d.Sheet.Widen(column, std::min(255, w + 2));
    }
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
