#pragma once
// The system's request to end the program (SIGTERM, SIGINT, SIGHUP) as the
// signal handler notes it, at once and before any event is handled: a wait
// that could hold the program past the request ends early, and no modal box
// opens after it (the program would wait for the person who asked it to end).
#include "PlatformApi.h"

namespace ostan {

// Async-signal-safe: called from the handler.
OSTAN_PLATFORM_API void NoteEndSignal() noexcept;
// How many requests have come so far.
OSTAN_PLATFORM_API unsigned EndSignalCount() noexcept;

} // namespace ostan
