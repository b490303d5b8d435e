#include "WorkbookTexts.h"

#include <cstring>

namespace ostan::ooxml {

void TPackedTexts::Add(std::string_view Text)
{
    if (Count % Every == 0)
        Checkpoints.push_back(uint32_t(Bytes.size()));
    ++Count;
    bool packable = true;
    for (const char c : Text)
        packable = packable && std::strchr(Symbols, c) && c;
    if (!packable) {
        Bytes += char(0xFF);
        for (size_t n = Text.size();; n >>= 7) {
            Bytes += char((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
            if (n <= 0x7F)
                break;
        }
        Bytes += Text;
        return;
    }
    int high = -1;
    const auto nibble = [&](int N) {
        if (high < 0) {
            high = N;
        } else {
            Bytes += char(high << 4 | N);
            high = -1;
        }
    };
    for (const char c : Text)
        nibble(int(std::strchr(Symbols, c) - Symbols));
    nibble(15);
    if (high >= 0)
        nibble(15);
}

QString TPackedTexts::At(size_t Index) const
{
    // Rows are asked for one after another: on from the last one read.
    const bool onward = Cursor <= Index && Index - Cursor < Every;
    size_t at = onward ? CursorAt : Checkpoints[Index / Every];
    const auto byte = [&](size_t P) { return static_cast<unsigned char>(Bytes[P]); };
    for (size_t i = onward ? Cursor : Index - Index % Every;; ++i) {
        std::string text;
        if (byte(at) == 0xFF) {
            size_t n = 0, shift = 0;
            for (++at;; shift += 7) {
                const unsigned b = byte(at++);
                n |= size_t(b & 0x7F) << shift;
                if (!(b & 0x80))
                    break;
            }
            at += n;
            if (i == Index) {
                Cursor = i + 1;
                CursorAt = at;
                return QString::fromUtf8(Bytes.data() + at - n, qsizetype(n));
            }
            continue;
        }
        for (bool ended = false; !ended; ++at)
            for (const int n : {byte(at) >> 4, byte(at) & 15}) {
                if (ended || n == 15) {
                    ended = true;
                    continue;
                }
                if (i == Index)
                    text += Symbols[n];
            }
        if (i == Index) {
            Cursor = i + 1;
            CursorAt = at;
            return QString::fromLatin1(text.data(), qsizetype(text.size()));
        }
    }
}

} // namespace ostan::ooxml
