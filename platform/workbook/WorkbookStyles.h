#pragma once
// A workbook's style sheet: the cell formats the engine gives cells (a
// date's, a bold twin of a cell's), found or added once; a workbook without
// one gets one, with its relationship and content type.
#include "WorkbookPackage.h"

#include <map>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <string_view>

namespace ostan::ooxml {

// The style sheet of a new workbook.
extern const char* const NewStyleSheet;

class TStyles {
public:
    // The workbook part's name and its relationships' tree, as the engine
    // has them once it has read them.
    TStyles(TPackage& Package, const std::string& WorkbookPart, pugi::xml_document& WorkbookRels);

    // The workbook's style part, read.
    void Load(const std::string& Part);

    // The cell format index of a date format ("dd\.mm\.yyyy"...).
    int DateXf(const std::string& Format);
    bool IsDateXf(int Index) const { return DateXfIndexes.count(Index) != 0; }
    // The cell format like Index with a bold font.
    int BoldXf(int Index);

    const pugi::xml_document& Doc() const { return Styles; }

private:
    pugi::xml_node StyleList(std::string_view Name);
    void EnsureStyles();
    pugi::xml_node Xf(int Index);

    TPackage& Package;
    const std::string& WorkbookPart;
    pugi::xml_document& WorkbookRels;
    std::string StylesPart;
    pugi::xml_document Styles, ContentTypes;
    bool HasStyles = false;
    std::map<std::string, int> DateXfs; // format -> xf
    std::set<int> DateXfIndexes;
    std::map<int, int> BoldXfs; // xf -> its bold twin
};

} // namespace ostan::ooxml
