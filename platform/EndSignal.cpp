#include "EndSignal.h"

#include <csignal>

namespace ostan {

namespace {
volatile std::sig_atomic_t Count = 0;
}

void NoteEndSignal() noexcept { Count = Count + 1; }

unsigned EndSignalCount() noexcept { return unsigned(Count); }

} // namespace ostan
