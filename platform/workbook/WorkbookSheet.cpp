#include "WorkbookSheet.h"

#include <algorithm>

namespace ostan::ooxml {

namespace {

std::string ColumnName(int Column)
{
    std::string s;
    for (int c = Column; c > 0; c = (c - 1) / 26)
        s.insert(s.begin(), char('A' + (c - 1) % 26));
    return s;
}

} // namespace

std::string RefOf(int Row, int Column) { return ColumnName(Column) + std::to_string(Row); }

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

void TSheet::Open()
{
    Data = Child(Doc.document_element(), "sheetData");
    if (!Data)
        Damaged(QStringLiteral("у листа нет ячеек"));
    int row = 0;
    for (pugi::xml_node r = Data.first_child(); r; r = r.next_sibling()) {
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
            column = CellColumn(c, row, column, ImplicitRefs);
            Extend(row, column);
        }
    }
}

int TSheet::CellColumn(const pugi::xml_node& C, int Row, int Previous, bool& Implicit)
{
    int cr = Row, cc = Previous + 1;
    if (const pugi::xml_attribute a = C.attribute("r")) {
        if (!ParseRef(a.value(), cr, cc) || cr != Row || cc <= Previous)
            Damaged(QStringLiteral("ячейки строки %1 не по порядку").arg(Row));
    } else {
        Implicit = true;
    }
    if (cc > MaxColumns)
        Damaged(QStringLiteral("столбцов больше, чем может быть"));
    return cc;
}

void TSheet::Extend(int Row, int Column)
{
    MinRow = MinRow ? std::min(MinRow, Row) : Row;
    MinColumn = MinColumn ? std::min(MinColumn, Column) : Column;
    MaxRow = std::max(MaxRow, Row);
    MaxColumn = std::max(MaxColumn, Column);
}

pugi::xml_node TSheet::FindCell(const pugi::xml_node& Row, int Column)
{
    pugi::xml_node found;
    ForEachCell(Row, [&](const pugi::xml_node& C, int CellColumn) {
        if (CellColumn == Column)
            found = C;
        return CellColumn < Column;
    });
    return found;
}

void TSheet::MakeRefsExplicit()
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

pugi::xml_node TSheet::RowNode(int Row)
{
    const auto it = Rows.lower_bound(Row);
    if (it != Rows.end() && it->first == Row)
        return it->second;
    const std::string name = NameLike(Data, "row");
    pugi::xml_node r = it == Rows.end() ? Data.append_child(name.c_str())
                                        : Data.insert_child_before(name.c_str(), it->second);
    r.append_attribute("r").set_value(Row);
    Rows.emplace_hint(it, Row, r);
    return r;
}

pugi::xml_node TSheet::Insert(int Row, const pugi::xml_node& Copy)
{
    const auto it = Rows.lower_bound(Row);
    pugi::xml_node r = it == Rows.end() ? Data.append_copy(Copy) : Data.insert_copy_before(Copy, it->second);
    if (!r.attribute("r"))
        r.append_attribute("r");
    r.attribute("r").set_value(Row);
    ForEachCell(r, [this](const pugi::xml_node& C, int) {
        ImplicitRefs = ImplicitRefs || !C.attribute("r");
        return true;
    });
    Rows.emplace_hint(it, Row, r);
    return r;
}

pugi::xml_node TSheet::CellNode(pugi::xml_node Row, int RowNumber, int Column)
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

void TSheet::Widen(int Column, double Width)
{
    pugi::xml_node sheet = Doc.document_element();
    pugi::xml_node cols = Child(sheet, "cols");
    if (!cols)
        cols = sheet.insert_child_before(NameLike(sheet, "cols").c_str(), Data);
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

void TSheet::UpdateDimension()
{
    pugi::xml_node dimension = Child(Doc.document_element(), "dimension");
    if (dimension && MaxRow)
        dimension.attribute("ref").set_value(
            (RefOf(MinRow, MinColumn) + ":" + RefOf(MaxRow, MaxColumn)).c_str());
}

} // namespace ostan::ooxml
