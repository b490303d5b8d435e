#include "WorkbookStyles.h"

#include "WorkbookXml.h"

#include <algorithm>
#include <vector>

namespace ostan::ooxml {

namespace {

const char* const StylesType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char* const StylesContentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

// The order of a style sheet's lists; a list we add goes where it belongs.
const char* const StyleListOrder[] = {"numFmts",  "fonts",      "fills", "borders",     "cellStyleXfs", "cellXfs",
                                      "cellStyles", "dxfs", "tableStyles", "colors", "extLst"};

bool IsBold(const pugi::xml_node& Font)
{
    const pugi::xml_node b = Child(Font, "b");
    if (!b)
        return false;
    const std::string_view v = b.attribute("val").value();
    return v != "0" && v != "false";
}

} // namespace

const char* const NewStyleSheet =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<fonts count="1"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
    R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
    R"(</styleSheet>)";

TStyles::TStyles(TPackage& Package, const std::string& WorkbookPart, pugi::xml_document& WorkbookRels)
    : Package(Package), WorkbookPart(WorkbookPart), WorkbookRels(WorkbookRels)
{
}

void TStyles::Load(const std::string& Part)
{
    StylesPart = Part;
    Package.Load(StylesPart, Styles, "styleSheet");
    HasStyles = true;
    Package.Hold(StylesPart, Styles);
}

pugi::xml_node TStyles::StyleList(std::string_view Name)
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
    Package.MarkChanged(StylesPart);
    return list;
}

void TStyles::EnsureStyles()
{
    if (HasStyles)
        return;
    const std::string folder = FolderOf(WorkbookPart);
    StylesPart = folder + "styles.xml";
    for (int n = 2; Package.Has(StylesPart); ++n)
        StylesPart = folder + "styles" + std::to_string(n) + ".xml";
    Parse(Styles, NewStyleSheet, StylesPart);
    HasStyles = true;
    Package.Add(StylesPart, Styles);

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
    Package.MarkChanged(RelsOf(WorkbookPart));

    Package.Load("[Content_Types].xml", ContentTypes, "Types");
    Package.Hold("[Content_Types].xml", ContentTypes);
    pugi::xml_node types = ContentTypes.document_element();
    pugi::xml_node o = types.append_child(NameLike(types, "Override").c_str());
    o.append_attribute("PartName").set_value(("/" + StylesPart).c_str());
    o.append_attribute("ContentType").set_value(StylesContentType);
    Package.MarkChanged("[Content_Types].xml");
}

pugi::xml_node TStyles::Xf(int Index)
{
    std::vector<pugi::xml_node> xfs = Children(StyleList("cellXfs"), "xf");
    return Index >= 0 && size_t(Index) < xfs.size() ? xfs[size_t(Index)] : pugi::xml_node();
}

int TStyles::DateXf(const std::string& Format)
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
        Package.MarkChanged(StylesPart);
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
        Package.MarkChanged(StylesPart);
        found = index;
    }
    DateXfs[Format] = found;
    DateXfIndexes.insert(found);
    return found;
}

int TStyles::BoldXf(int Index)
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
    Package.MarkChanged(StylesPart);
    const int result = int(Children(xfs, "xf").size()) - 1;
    BoldXfs[Index] = result;
    BoldXfs[result] = result;
    return result;
}

} // namespace ostan::ooxml
