#include <windows.h>
#include <psapi.h>

#include "tests/support/peak_memory.h"

std::uint64_t peak_resident_bytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}
