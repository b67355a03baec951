#include <windows.h>

#include "engine/physical_memory.h"

std::uint64_t physical_memory_bytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullTotalPhys;
}
