#pragma once
// Blocking on a 32-bit word until it changes, and waking every waiter. One
// implementation file per platform.
#include <atomic>
#include <cstdint>

namespace tamble::os {

// Returns once `word` may differ from `seen`; callers read it again and loop,
// since a return without a change is allowed.
void wait_while_equal(std::atomic<std::uint32_t>& word, std::uint32_t seen);

// Wakes every thread blocked in wait_while_equal on `word`.
void wake_all(std::atomic<std::uint32_t>& word);

}  // namespace tamble::os
