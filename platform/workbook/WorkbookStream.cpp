#include "WorkbookStream.h"

#include "ErrorReasons.h"
#include "WorkbookXml.h"

#include <algorithm>
#include <cstring>
#include <pugixml.hpp>

namespace ostan::ooxml {

namespace {

constexpr size_t npos = std::string::npos;

bool IsSpace(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

} // namespace

TChildStream::TChildStream(TPartReader& Reader, std::string_view Container) : Reader(Reader), Container(Container) {}

std::string_view TChildStream::LocalName(std::string_view Tag)
{
    size_t i = 1;
    if (i < Tag.size() && Tag[i] == '/')
        ++i;
    size_t local = i;
    size_t e = i;
    for (; e < Tag.size() && !IsSpace(Tag[e]) && Tag[e] != '/' && Tag[e] != '>'; ++e)
        if (Tag[e] == ':')
            local = e + 1;
    return Tag.substr(local, e - local);
}

bool TChildStream::Attribute(std::string_view Tag, std::string_view Name, std::string_view& Value)
{
    size_t i = 1;
    while (i < Tag.size() && !IsSpace(Tag[i]) && Tag[i] != '/' && Tag[i] != '>')
        ++i;
    for (;;) {
        while (i < Tag.size() && IsSpace(Tag[i]))
            ++i;
        if (i >= Tag.size() || Tag[i] == '/' || Tag[i] == '>')
            return false;
        const size_t name = i;
        while (i < Tag.size() && Tag[i] != '=' && !IsSpace(Tag[i]) && Tag[i] != '>')
            ++i;
        const std::string_view attribute = Tag.substr(name, i - name);
        while (i < Tag.size() && IsSpace(Tag[i]))
            ++i;
        if (i >= Tag.size() || Tag[i] != '=')
            return false;
        ++i;
        while (i < Tag.size() && IsSpace(Tag[i]))
            ++i;
        if (i >= Tag.size() || (Tag[i] != '"' && Tag[i] != '\''))
            return false;
        const size_t close = Tag.find(Tag[i], i + 1);
        if (close == npos)
            return false;
        if (attribute == Name) {
            Value = Tag.substr(i + 1, close - i - 1);
            return true;
        }
        i = close + 1;
    }
}

size_t TChildStream::ItemEnd(size_t At) const
{
    const size_t n = Buffer.size();
    if (At + 1 >= n)
        return npos;
    const auto after = [&](size_t From, std::string_view End) {
        const size_t p = Buffer.find(End, From);
        return p == npos ? npos : p + End.size();
    };
    const char c = Buffer[At + 1];
    if (c == '!') {
        if (n - At >= 4 && Buffer.compare(At, 4, "<!--") == 0)
            return after(At + 4, "-->");
        if (n - At < 9)
            return npos;
        if (Buffer.compare(At, 9, "<![CDATA[") == 0)
            return after(At + 9, "]]>");
        return after(At + 2, ">");
    }
    if (c == '?')
        return after(At + 2, "?>");
    for (size_t i = At + 1;;) {
        i = Buffer.find_first_of("\"'>", i);
        if (i == npos)
            return npos;
        if (Buffer[i] == '>')
            return i + 1;
        i = Buffer.find(Buffer[i], i + 1);
        if (i == npos)
            return npos;
        ++i;
    }
}

void TChildStream::Handle(THandler& H, size_t From, size_t To)
{
    const std::string_view item(Buffer.data() + From, To - From);
    const bool other = item[1] == '!' || item[1] == '?';
    const bool end = item[1] == '/';
    const bool empty = !other && !end && item[item.size() - 2] == '/';
    const bool start = !other && !end && !empty;
    if (Inner >= 0 && !After) {
        if (start) {
            ChildBegin = From;
            ChildTag = To - From;
            ChildEnd = "</" + std::string(item.substr(1, item.find_first_of(" \t\r\n/>", 1) - 1));
            ++Depth;
        } else if (empty) {
            H.Child(item, item.size());
        } else if (end) {
            --Depth;
            After = true;
            H.Skeleton(item);
        } else {
            H.Between(item);
        }
        return;
    }
    H.Skeleton(item);
    const bool container = Inner < 0 && !After && (start || empty)
                        && (Container.empty() ? Depth == 0 : Depth == 1 && LocalName(item) == Container);
    if (container && empty)
        After = true;
    if (start) {
        ++Depth;
        if (container)
            Inner = Depth;
    } else if (end) {
        --Depth;
    }
}

bool TChildStream::Pump(THandler& H)
{
    if (Ended)
        return false;
    const size_t keep = ChildBegin != npos ? ChildBegin : Pos;
    Buffer.erase(0, keep);
    Pos -= keep;
    if (ChildBegin != npos)
        ChildBegin = 0;
    const bool more = Reader.Next(Buffer);
    const auto text = [&](size_t From, size_t To) {
        if (From == To || ChildBegin != npos)
            return;
        const std::string_view t(Buffer.data() + From, To - From);
        if (Inner >= 0 && !After)
            H.Between(t);
        else
            H.Skeleton(t);
    };
    for (;;) {
        if (ChildBegin != npos) {
            // A child's own markup is left to the parser that reads it: only
            // its end tag is looked for.
            const void* found = ::memmem(Buffer.data() + Pos, Buffer.size() - Pos, ChildEnd.data(), ChildEnd.size());
            const size_t close = found ? size_t(static_cast<const char*>(found) - Buffer.data()) : npos;
            const size_t gt = close == npos ? npos : Buffer.find('>', close + ChildEnd.size());
            if (gt == npos) {
                Pos = close == npos ? std::max(Pos, Buffer.size() - std::min(Buffer.size(), ChildEnd.size())) : close;
                break;
            }
            const std::string_view rest(Buffer.data() + close + ChildEnd.size(), gt - close - ChildEnd.size());
            if (!rest.empty() && rest.find_first_not_of(" \t\r\n") != npos) {
                Pos = close + 1; // a longer name that starts alike
                continue;
            }
            --Depth;
            H.Child(std::string_view(Buffer.data() + ChildBegin, gt + 1 - ChildBegin), ChildTag);
            ChildBegin = npos;
            Pos = gt + 1;
            continue;
        }
        const size_t lt = Buffer.find('<', Pos);
        if (lt == npos) {
            text(Pos, Buffer.size());
            Pos = Buffer.size();
            break;
        }
        text(Pos, lt);
        Pos = lt;
        const size_t end = ItemEnd(lt);
        if (end == npos)
            break;
        Handle(H, lt, end);
        Pos = end;
    }
    if (more)
        return true;
    Ended = true;
    if (Pos < Buffer.size() || ChildBegin != npos || Depth > 0) {
        pugi::xml_parse_result cut;
        cut.status = pugi::status_end_element_mismatch;
        Damaged(QStringLiteral("часть %1 (%2)").arg(QString::fromStdString(Reader.Part()), XmlReason(cut)));
    }
    return false;
}

} // namespace ostan::ooxml
