// Processor topology and affinity through the Win32 affinity masks and
// GetLogicalProcessorInformationEx. Processors are those of the process's
// group, numbered 0..63 as the mask bits.
#include <windows.h>


#include "tamble/os_threads.h"

namespace tamble::os {

namespace {

constexpr int kMaskBits = 64;

std::vector<int> processors_in(KAFFINITY mask) {
  std::vector<int> out;
  for (int cpu = 0; cpu < kMaskBits; ++cpu)
    if ((mask >> cpu) & 1u) out.push_back(cpu);
  return out;
}

KAFFINITY mask_of(const std::vector<int>& processors) {
  KAFFINITY mask = 0;
  for (int cpu : processors)
    if (cpu >= 0 && cpu < kMaskBits) mask |= KAFFINITY{1} << cpu;
  return mask;
}

}  // namespace

std::vector<int> process_processors() {
  DWORD_PTR process_mask = 0, system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) return {};
  return processors_in(process_mask);
}

unsigned physical_core_count(const std::vector<int>& processors) {
  DWORD bytes = 0;
  GetLogicalProcessorInformationEx(RelationProcessorCore, nullptr, &bytes);
  if (bytes == 0) return static_cast<unsigned>(processors.size());
  std::vector<unsigned char> buffer(bytes);
  auto* first = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data());
  if (!GetLogicalProcessorInformationEx(RelationProcessorCore, first, &bytes))
    return static_cast<unsigned>(processors.size());
  WORD group = 0;
  GROUP_AFFINITY own{};
  if (GetThreadGroupAffinity(GetCurrentThread(), &own)) group = own.Group;
  const KAFFINITY wanted = mask_of(processors);
  unsigned cores = 0;
  for (DWORD at = 0; at < bytes;) {
    auto* record = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data() + at);
    if (record->Size == 0) break;
    const PROCESSOR_RELATIONSHIP& core = record->Processor;
    for (WORD g = 0; g < core.GroupCount; ++g) {
      if (core.GroupMask[g].Group == group && (core.GroupMask[g].Mask & wanted) != 0) {
        ++cores;
        break;
      }
    }
    at += record->Size;
  }
  return cores;
}

std::vector<int> current_thread_processors() {
  GROUP_AFFINITY affinity{};
  if (!GetThreadGroupAffinity(GetCurrentThread(), &affinity)) return {};
  return processors_in(affinity.Mask);
}

bool set_current_thread_processors(const std::vector<int>& processors) {
  const KAFFINITY mask = mask_of(processors);
  if (mask == 0) return false;
  return SetThreadAffinityMask(GetCurrentThread(), mask) != 0;
}

}  // namespace tamble::os
