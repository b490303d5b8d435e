#pragma once
// A worksheet's tree: its rows indexed by number, cells found and placed in
// order, the column widths and the dimension kept with the cells. The tree
// may hold only some of the sheet's rows (the others read as a stream):
// the ones worked on.
#include "WorkbookXml.h"

#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace ostan::ooxml {

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;

std::string RefOf(int Row, int Column);
// "AB12" -> row 12, column 28; false for anything else.
bool ParseRef(std::string_view Ref, int& Row, int& Column);

class TSheet {
public:
    pugi::xml_document Doc;
    pugi::xml_node Data; // <sheetData>
    std::map<int, pugi::xml_node> Rows;
    int MinRow = 0, MinColumn = 0, MaxRow = 0, MaxColumn = 0; // 0: no cell yet

    // Indexes the rows of the tree in Doc; raises for a sheet out of order.
    void Open();

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

    // The column of a cell of row Row that follows one in column Previous:
    // its "r", or the next column (Implicit then set); raises for cells out
    // of order.
    static int CellColumn(const pugi::xml_node& C, int Row, int Previous, bool& Implicit);

    // The cell node, or an empty node.
    static pugi::xml_node FindCell(const pugi::xml_node& Row, int Column);

    // Before the first change, every row and cell gets its "r": inserting
    // into a sheet with implicit positions would move the cells after it.
    void MakeRefsExplicit();
    // A copy of a row read elsewhere, numbered Row, put where it belongs
    // and given its "r"; the used range is left to the caller.
    pugi::xml_node Insert(int Row, const pugi::xml_node& Copy);
    // The row's node and the cell's, made where they belong when missing.
    pugi::xml_node RowNode(int Row);
    pugi::xml_node CellNode(pugi::xml_node Row, int RowNumber, int Column);
    // The used range grown to hold the cell.
    void Extend(int Row, int Column);
    void UpdateDimension();
    // The column at least Width wide, the columns beside it as they were.
    void Widen(int Column, double Width);

private:
    bool ImplicitRefs = false; // some row or cell without "r"
};

} // namespace ostan::ooxml
