#pragma once
// The C library's allocator, set for a program that runs for days.

#include <cstddef>

namespace ostan {

// Fixed thresholds and one arena: with adaptive thresholds and an arena per
// thread, each burst of allocations leaves the resident size a few pages
// larger. Blocks from 16 KiB up get mappings of their own, so the buffers
// that grow with a user's file (a workbook's parts on each save) never raise
// the heap's high point. Call first in main, before any thread starts.
void SettleAllocator();

// A block in a mapping of its own, for structures that grow with a user's
// file and live only while it is worked on: freed, it leaves the heap as it
// was. Null when the system has no memory left.
void* AllocateMapped(std::size_t Size);
void FreeMapped(void* Block);

// Every XML tree (a workbook's parts) in mappings of its own: the trees grow
// with a workbook's rows, and freed they leave the heap as it was, however
// large the workbook grew. Call before any tree exists, beside
// SettleAllocator.
void MapXmlTrees();

} // namespace ostan
