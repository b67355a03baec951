// Placeholder runtime: one thread, every loop serial. Replaced by the pool.
#include "tamble/runtime.h"

namespace tamble {

namespace {
thread_local bool t_inside = false;
std::size_t g_begin = 0, g_end = 0;
std::size_t g_next = 0;
}  // namespace

void configure_runtime(int) {}
unsigned thread_count() { return 1; }
bool in_parallel_region() { return t_inside; }
int requested_isa_level() { return 3; }
int hardware_isa_level() { return 0; }
int effective_isa_level() { return 0; }
bool use_vector_path() { return false; }
int scan_level() { return 0; }
int spin_budget() { return 100000; }

void parallel_loop(task_fn fn, void* ctx, std::size_t begin, std::size_t end, bool) {
  g_begin = begin;
  g_end = end;
  g_next = begin;
  bool was = t_inside;
  t_inside = true;
  fn(ctx, 0);
  t_inside = was;
}

index_range static_chunk(unsigned) { return {g_begin, g_end}; }

bool next_dynamic_index(std::size_t& i) {
  if (g_next >= g_end) return false;
  i = g_next++;
  return true;
}

}  // namespace tamble
