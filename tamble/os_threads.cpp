// The part of the processor view that is the same on every platform.
#include "tamble/os_threads.h"

#include <thread>

namespace tamble::os {

unsigned logical_processor_count(const std::vector<int>& processors) {
  unsigned hw = std::thread::hardware_concurrency();
  unsigned allowed = static_cast<unsigned>(processors.size());
  if (hw == 0) return allowed;
  return allowed != 0 && allowed < hw ? allowed : hw;
}

}  // namespace tamble::os
