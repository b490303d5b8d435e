#include "Allocator.h"

// Names the C library, so that the calls below are not left out unseen.
#include <cstddef>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ostan {

void SettleAllocator()
{
#ifdef __GLIBC__
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    ::mallopt(M_ARENA_MAX, 1);
#endif
}

} // namespace ostan
