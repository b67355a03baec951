#pragma once
// The operating system's view of processors and thread placement. One
// implementation file per platform (os_threads.cpp holds what they share);
// everything above this is portable.
#include <vector>

namespace tamble::os {

// Processor numbers the process may run on, ascending.
std::vector<int> process_processors();

// Distinct physical cores among the given processors; 0 when unknown.
unsigned physical_core_count(const std::vector<int>& processors);

// Logical processors: the hardware count, or fewer when the process is limited.
unsigned logical_processor_count(const std::vector<int>& processors);

// Placement of the calling thread. Failures are ignored by the callers: a
// thread that cannot be placed runs wherever the system puts it.
std::vector<int> current_thread_processors();
bool set_current_thread_processors(const std::vector<int>& processors);

}  // namespace tamble::os
