#include "Allocator.h"

// Names the C library, so that the calls below are not left out unseen.
#include <cstddef>
#include <cstdint>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <pugixml.hpp>
#include <sys/mman.h>

namespace ostan {

void SettleAllocator()
{
#ifdef __GLIBC__
    ::mallopt(M_MMAP_THRESHOLD, 16 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    ::mallopt(M_ARENA_MAX, 1);
#endif
}

namespace {

// Before the block: the mapping's length, padded to keep the block aligned
// as malloc's are.
constexpr std::size_t Header = alignof(std::max_align_t);

// A few freed mappings of a tree's page size, kept for the next tree: a
// part read in pieces makes and frees a tree per piece, and each unmapping
// costs every processor a flush. At most a couple of MiB stay mapped.
constexpr std::size_t KeptLength = 64 * 1024;
constexpr int KeptCount = 64;
struct TKept {
    void* Mappings[KeptCount];
    std::size_t Lengths[KeptCount];
    int Count = 0;
};
TKept& Kept()
{
    static TKept kept;
    return kept;
}

} // namespace

void* AllocateMapped(std::size_t Size)
{
    if (Size > SIZE_MAX - Header)
        return nullptr;
    const std::size_t Length = Size + Header;
    TKept& kept = Kept();
    for (int i = kept.Count - 1; i >= 0; --i)
        if (kept.Lengths[i] == Length) {
            void* const Mapping = kept.Mappings[i];
            kept.Mappings[i] = kept.Mappings[kept.Count - 1];
            kept.Lengths[i] = kept.Lengths[kept.Count - 1];
            --kept.Count;
            return static_cast<char*>(Mapping) + Header;
        }
    void* const Mapping = ::mmap(nullptr, Length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Mapping == MAP_FAILED)
        return nullptr;
    *static_cast<std::size_t*>(Mapping) = Length;
    return static_cast<char*>(Mapping) + Header;
}

void FreeMapped(void* Block)
{
    if (!Block)
        return;
    char* const Mapping = static_cast<char*>(Block) - Header;
    const std::size_t Length = *reinterpret_cast<std::size_t*>(Mapping);
    TKept& kept = Kept();
    if (Length <= KeptLength && kept.Count < KeptCount) {
        kept.Mappings[kept.Count] = Mapping;
        kept.Lengths[kept.Count++] = Length;
        return;
    }
    ::munmap(Mapping, Length);
}

void MapXmlTrees() { pugi::set_memory_management_functions(AllocateMapped, FreeMapped); }

} // namespace ostan
