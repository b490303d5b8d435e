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

} // namespace

void* AllocateMapped(std::size_t Size)
{
    if (Size > SIZE_MAX - Header)
        return nullptr;
    const std::size_t Length = Size + Header;
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
    ::munmap(Mapping, *reinterpret_cast<std::size_t*>(Mapping));
}

void MapXmlTrees() { pugi::set_memory_management_functions(AllocateMapped, FreeMapped); }

} // namespace ostan
