// WaitOnAddress and WakeByAddressAll. mingw's std::atomic::wait compares the
// word outside its mutex and notifies without taking it, so a wake-up can be
// lost and a worker sleeps through a loop; the kernel's address wait compares
// and sleeps in one step.
#include <windows.h>

#include "tamble/os_wait.h"

namespace tamble::os {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t),
              "the address wait compares the word's own four bytes");

void wait_while_equal(std::atomic<std::uint32_t>& word, std::uint32_t seen) {
  WaitOnAddress(&word, &seen, sizeof seen, INFINITE);
}

void wake_all(std::atomic<std::uint32_t>& word) { WakeByAddressAll(&word); }

}  // namespace tamble::os
