// Processor topology and affinity through sched_*affinity and sysfs.
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <utility>

#include "tamble/os_threads.h"

namespace tamble::os {

namespace {

std::vector<int> processors_in(const cpu_set_t& set) {
  std::vector<int> out;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &set)) out.push_back(cpu);
  return out;
}

bool read_long(const char* path, long& value) {
  std::FILE* f = std::fopen(path, "r");
  if (!f) return false;
  bool ok = std::fscanf(f, "%ld", &value) == 1;
  std::fclose(f);
  return ok;
}

}  // namespace

std::vector<int> process_processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(getpid(), sizeof set, &set) != 0 &&
      sched_getaffinity(0, sizeof set, &set) != 0)
    return {};
  return processors_in(set);
}

unsigned physical_core_count(const std::vector<int>& processors) {
  std::set<std::pair<long, long>> cores;
  char path[128];
  for (int cpu : processors) {
    long package = 0, core = 0;
    std::snprintf(path, sizeof path, "/sys/devices/system/cpu/cpu%d/topology/physical_package_id",
                  cpu);
    if (!read_long(path, package)) return static_cast<unsigned>(processors.size());
    std::snprintf(path, sizeof path, "/sys/devices/system/cpu/cpu%d/topology/core_id", cpu);
    if (!read_long(path, core)) return static_cast<unsigned>(processors.size());
    cores.insert({package, core});
  }
  return static_cast<unsigned>(cores.size());
}

std::vector<int> current_thread_processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (pthread_getaffinity_np(pthread_self(), sizeof set, &set) != 0) return {};
  return processors_in(set);
}

bool set_current_thread_processors(const std::vector<int>& processors) {
  if (processors.empty()) return false;
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu : processors)
    if (cpu >= 0 && cpu < CPU_SETSIZE) CPU_SET(cpu, &set);
  return pthread_setaffinity_np(pthread_self(), sizeof set, &set) == 0;
}

}  // namespace tamble::os
