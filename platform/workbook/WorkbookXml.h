#pragma once
// What the workbook's layers share: the errors they raise and the walk of an
// Office Open XML part's tree by local names, whatever prefixes it uses.
#include <QByteArray>
#include <QString>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace ostan::ooxml {

[[noreturn]] void Raise(const QString& Message);
[[noreturn]] void Damaged(const QString& Detail);
// A workbook beyond what the export reads: refused before it can take the
// memory and the time it would.
[[noreturn]] void TooLarge(const QString& Detail);

// Between the pieces of a long read or write: gives the program's events
// their turn (see SetWorkbookPacer) once some time has gone by.
void Pace();

QString Megabytes(qint64 Bytes);
QString Thousands(long long N);

std::string_view Local(const pugi::xml_node& N);
// New elements take the prefix their parent uses.
std::string NameLike(const pugi::xml_node& Parent, std::string_view LocalName);
pugi::xml_node Child(const pugi::xml_node& N, std::string_view LocalName);
std::vector<pugi::xml_node> Children(const pugi::xml_node& N, std::string_view LocalName);
bool EndsWith(std::string_view S, std::string_view End);

QString Text(const char* S);
// All character data under a node (a shared or inline string with runs).
QString AllText(const pugi::xml_node& N);

QByteArray Serialise(pugi::xml_document& Doc);
void Parse(pugi::xml_document& Doc, const QByteArray& Bytes, const std::string& Part);

bool ParseInt(const char* S, int Min, int Max, int& Out);
int IntAttr(const pugi::xml_node& N, const char* Name, int Default = 0);
// The "count" of a list: its elements.
void SetCount(pugi::xml_node List);

} // namespace ostan::ooxml
