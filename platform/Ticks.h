#pragma once
// Millisecond tick counter and message-pumping waits.
//
// The counter wraps after 49.7 days; compare ticks only through TicksSince /
// TickDeadlinePassed, which work on the unsigned difference.
#include <cstdint>
#include <functional>

namespace ostan {

using TickSource = std::function<uint32_t()>;

// Milliseconds on a monotonic clock, truncated to 32 bits.
uint32_t GetTickCount();

// Milliseconds from Start to now, correct across the wrap.
inline uint32_t TicksSince(uint32_t Start, uint32_t Now) { return Now - Start; }
uint32_t TicksSince(uint32_t Start);

// True once Now lies past Deadline (by at most half the counter's range).
inline bool TickDeadlinePassed(uint32_t Deadline, uint32_t Now)
{
    return static_cast<int32_t>(Now - Deadline) > 0;
}

// Test hook: replace the clock (an empty function restores the real one).
void SetTickSourceForTest(TickSource Source);

// Handle pending events once (the toolkit's ProcessMessages).
void ProcessMessages();

// Pump events until Done() is true or TimeoutMs have passed on the tick
// counter. Returns Done() as last seen. Done is tested before the first pass.
bool PumpUntil(const std::function<bool()>& Done, uint32_t TimeoutMs);

} // namespace ostan
