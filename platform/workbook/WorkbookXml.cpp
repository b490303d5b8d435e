#include "WorkbookXml.h"

#include "ErrorReasons.h"
#include "OoxmlWorkbook.h"

#include <cerrno>
#include <chrono>
#include <functional>
#include <cstdlib>

namespace ostan::ooxml {

namespace {

class ByteWriter : public pugi::xml_writer {
public:
    QByteArray Bytes;
    void write(const void* Data, size_t Size) override { Bytes.append(static_cast<const char*>(Data), qsizetype(Size)); }
};

} // namespace

[[noreturn]] void Raise(const QString& Message) { throw EWorkbookError(Message); }

namespace {
std::function<void()>& Pacer()
{
    static std::function<void()> pacer;
    return pacer;
}
std::chrono::milliseconds& Interval()
{
    static std::chrono::milliseconds every(40);
    return every;
}
} // namespace

void Pace()
{
    // A turn every few hundredths of a second keeps the serial port read
    // at the full line rate; a turn inside a turn is not taken.
    static auto last = std::chrono::steady_clock::now();
    static bool inTurn = false;
    if (!Pacer() || inTurn)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < Interval())
        return;
    inTurn = true;
    try {
        Pacer()();
    } catch (...) {
        inTurn = false;
        throw;
    }
    inTurn = false;
    last = std::chrono::steady_clock::now();
}

[[noreturn]] void Damaged(const QString& Detail)
{
    Raise(QStringLiteral("Файл не является книгой Office Open XML или поврежден: %1.").arg(Detail));
}

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

std::string_view Local(const pugi::xml_node& N)
{
    const std::string_view n = N.name();
    const auto p = n.find(':');
    return p == std::string_view::npos ? n : n.substr(p + 1);
}

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

bool EndsWith(std::string_view S, std::string_view End)
{
    return S.size() >= End.size() && S.substr(S.size() - End.size()) == End;
}

QString Text(const char* S) { return QString::fromUtf8(S); }

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

int IntAttr(const pugi::xml_node& N, const char* Name, int Default)
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

} // namespace ostan::ooxml

namespace ostan {
void SetWorkbookPacer(std::function<void()> Pacer, std::chrono::milliseconds Every)
{
    ooxml::Pacer() = std::move(Pacer);
    ooxml::Interval() = Every;
}
} // namespace ostan
