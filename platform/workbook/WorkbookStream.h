#pragma once
// A part's markup split as it is read, piece by piece: the children of one
// element (the container) each handed over whole, in order, and the rest
// of the part (the skeleton: everything outside the container's children,
// its own tags included) kept apart. Nothing holds more of the part than
// the child being read.
//
// Only the markup is followed here (tags, comments, CDATA, processing
// instructions, quoted attribute values), and inside a child only its end
// tag; the children and the skeleton are checked by the XML parser that
// reads them (a child whose text holds its own end tag does not parse). A part that ends inside an
// element is refused as damaged.
#include "WorkbookPackage.h"

#include <string>
#include <string_view>

namespace ostan::ooxml {

class TChildStream {
public:
    struct THandler {
        virtual ~THandler() = default;
        // A child of the container, its start tag StartTag bytes long.
        virtual void Child(std::string_view Bytes, size_t StartTag) = 0;
        // What lies between the container's children (space, comments).
        virtual void Between(std::string_view) {}
        virtual void Skeleton(std::string_view) {}
    };

    // Container: the local name of the root's child that holds the
    // children; "" for the root itself.
    TChildStream(TPartReader& Reader, std::string_view Container);

    // Reads the next piece and hands over what it completes; false once the
    // part has been read to its end.
    bool Pump(THandler& Handler);
    void Run(THandler& Handler)
    {
        while (Pump(Handler)) {
        }
    }

    // The local name of an element whose start tag begins Tag.
    static std::string_view LocalName(std::string_view Tag);
    // The value of an attribute of a start tag, as written (entities
    // undecoded); false when the tag has none of that name.
    static bool Attribute(std::string_view Tag, std::string_view Name, std::string_view& Value);

private:
    // The end of the markup item at Buffer[At] ('<'), or npos when the
    // buffer ends first.
    size_t ItemEnd(size_t At) const;
    void Handle(THandler& Handler, size_t From, size_t To);

    TPartReader& Reader;
    std::string Container;
    std::string Buffer;
    size_t Pos = 0;            // what is handled ends here
    size_t ChildBegin = std::string::npos, ChildTag = 0;
    std::string ChildEnd; // "</name" of the child being read
    int Depth = 0;             // elements open at Pos
    int Inner = -1;            // the depth of the container's children; -1 before it
    bool After = false;        // the container is closed
    bool Ended = false;
};

} // namespace ostan::ooxml
