#pragma once
// Texts kept one after another for many rows (a column of a sheet), numbers
// (the usual content) packed two characters a byte: a record is its
// characters' nibbles ended by 15, or 0xFF, a length and the bytes for any
// other text.
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostan::ooxml {

class TPackedTexts {
public:
    void Add(std::string_view Text);
    // The text added Index-th (from 0): quickest for the one after the last
    // asked for.
    QString At(size_t Index) const;

private:
    static constexpr const char* Symbols = "0123456789.-+Ee";
    static constexpr size_t Every = 64; // records between checkpoints
    std::string Bytes;
    std::vector<uint32_t> Checkpoints;
    size_t Count = 0;
    mutable size_t Cursor = size_t(-1), CursorAt = 0; // the record after the last one read
};

} // namespace ostan::ooxml
