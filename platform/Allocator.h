#pragma once
// The C library's allocator, set for a program that runs for days.

namespace ostan {

// Fixed thresholds and one arena: with adaptive thresholds and an arena per
// thread, each burst of allocations leaves the resident size a few pages
// larger. Call first in main, before any thread starts.
void SettleAllocator();

} // namespace ostan
