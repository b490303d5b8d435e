#pragma once
// A workbook's package: the zip archive read under the reading budget, its
// parts' relationships, and the archive written back with the parts held as
// trees written from them once changed and every other part copied through
// byte for byte.
#include "OoxmlWorkbook.h"

#include <QByteArray>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct zip;
struct zip_file;
namespace pugi {
class xml_document;
}

namespace ostan::ooxml {

// The budget in force (SetWorkbookLimitsForTest changes it).
TWorkbookLimits& Limits();

// The folder of a part, with its "/"; "" at the root.
std::string FolderOf(const std::string& Part);
// A relationship's target as a part name (no leading "/", "." and ".." resolved).
std::string Resolve(const std::string& Folder, const std::string& Target);
// The relationships part of a part.
std::string RelsOf(const std::string& Part);

class TPackage;

// A part read forward in pieces. Counted, it is held to the reading budget
// as it comes out (what TPackage::Read raises, at the same point); a part
// read again after it was counted is only checked for damage.
class TPartReader {
public:
    ~TPartReader();
    TPartReader(const TPartReader&) = delete;
    TPartReader& operator=(const TPartReader&) = delete;

    // Appends the next piece (at most 64 KiB) to Out; false at the end.
    bool Next(std::string& Out);
    const std::string& Part() const { return Name; }

private:
    friend class TPackage;
    TPartReader(TPackage& Package, const std::string& Part, std::string_view Counted, bool Count);
    void Check(qint64 Size) const;

    TPackage& Package;
    std::string Name;
    std::string Counted;
    bool Count;
    zip_file* File = nullptr;
    qint64 Declared = 0, Compressed = 0, Size = 0;
    std::string Carry; // bytes whose tags are not counted yet
    long long Elements = 0, Named = 0;
    bool Done = false;
};

// A part's bytes made piece by piece as the package is written: appends to
// Out, false once there is no more.
using TPartWriter = std::function<bool(std::string& Out)>;

// The deflate level of the parts the engine writes. On a spreadsheet
// program's 40 MB sheet the usual level 6 takes twice the time of level 4,
// which writes 8 % more bytes; levels 1 to 3 are barely faster and write
// 15 to 35 % more.
constexpr int WrittenPartLevel = 4;

class TPackage {
public:
    // Raises for a package beyond the budget, or one that is no zip archive.
    explicit TPackage(const QByteArray& Bytes);
    ~TPackage();
    TPackage(const TPackage&) = delete;
    TPackage& operator=(const TPackage&) = delete;

    static void CheckSize(qint64 Bytes);
    // A new package of the parts given as (name, text).
    static QByteArray Pack(const std::vector<std::pair<const char*, const char*>>& Parts);

    bool Has(const std::string& Part) const;
    // A part's bytes, counted against the budget. Counted: the local name of
    // the elements a part holds that have a limit of their own ("c" cells,
    // "si" shared strings).
    QByteArray Read(const std::string& Part, std::string_view Counted = {});
    // The part read forward in pieces (see TPartReader).
    std::unique_ptr<TPartReader> Open(const std::string& Part, std::string_view Counted, bool Count);
    // A part read as a tree whose root has the local name Root.
    void Load(const std::string& Part, pugi::xml_document& Doc, std::string_view Root, std::string_view Counted = {});

    // The target of the first relationship of a type among Rels, "" when none.
    static std::string Target(const pugi::xml_document& Rels, const std::string& Folder, std::string_view TypeEnd,
                              const char* Id = nullptr);

    // The part is written from Doc once it is marked changed; the first
    // part held under a name wins.
    void Hold(const std::string& Part, pugi::xml_document& Doc);
    void MarkChanged(const std::string& Part);
    // A part the package did not have, written from Doc.
    void Add(const std::string& Part, pugi::xml_document& Doc);
    // Once marked changed, the part is written by what Make returns then:
    // its bytes are made as the package is written, never held whole.
    void Stream(const std::string& Part, std::function<TPartWriter()> Make);

    QByteArray ToBytes() const;

private:
    friend class TPartReader;
    pugi::xml_document* DocOf(const std::string& Part) const;
    bool IsChanged(const std::string& Part) const;

    QByteArray Original;
    zip* Zip = nullptr;
    std::vector<std::pair<std::string, pugi::xml_document*>> Held;
    std::set<std::string> Changed;
    std::set<std::string> NewParts;
    std::vector<std::pair<std::string, std::function<TPartWriter()>>> Streamed;
    // What the parts read so far took.
    qint64 Unpacked = 0;
    long long Elements = 0;
};

} // namespace ostan::ooxml
