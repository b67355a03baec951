// The standard library's atomic wait, a futex on Linux.
#include "tamble/os_wait.h"

namespace tamble::os {

void wait_while_equal(std::atomic<std::uint32_t>& word, std::uint32_t seen) { word.wait(seen); }

void wake_all(std::atomic<std::uint32_t>& word) { word.notify_all(); }

}  // namespace tamble::os
