// Process-wide configuration and the one pool every loop runs on.
#include "tamble/runtime.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "tamble/cpu_features.h"
#include "tamble/isa_levels.h"
#include "tamble/os_threads.h"
#include "tamble/runtime_env.h"
#include "tamble/worker_pool.h"

namespace tamble {

namespace {

std::mutex g_configure_mutex;
bool g_configured = false;
// Created once and kept to the end: a loop started after shutdown (from a
// static destructor, say) still finds a pool, which then runs it serially.
std::atomic<worker_pool*> g_pool{nullptr};
std::atomic<unsigned> g_threads{1};
unsigned g_refused_worker = 0;  // test hook: see refuse_worker_start

void shut_down_pool() {
  g_threads.store(1);
  if (worker_pool* pool = g_pool.load()) pool->shutdown();
}

// Keeps the starting thread on processor 0 while workers start (when the
// process may use it) and gives it back its placement afterwards.
class starter_placement {
 public:
  explicit starter_placement(const std::vector<int>& processors)
      : saved_(os::current_thread_processors()) {
    if (std::binary_search(processors.begin(), processors.end(), 0))
      moved_ = os::set_current_thread_processors({0});
  }
  ~starter_placement() {
    if (moved_) os::set_current_thread_processors(saved_);
  }
  starter_placement(const starter_placement&) = delete;
  starter_placement& operator=(const starter_placement&) = delete;

 private:
  std::vector<int> saved_;
  bool moved_ = false;
};

worker_pool* create_pool(int configured, const std::vector<int>& processors) {
  unsigned physical = os::physical_core_count(processors);
  unsigned logical = os::logical_processor_count(processors);
  pool_settings settings;
  settings.smt_ways = physical > 0 && physical < logical ? logical / physical : 1;
  settings.threads = configured >= 1 ? static_cast<unsigned>(configured)
                                     : static_cast<unsigned>(std::max(1, int(logical) - 2));
  settings.spin_budget = spin_budget();
  settings.processors = processors;
  settings.refuse_worker = g_refused_worker;
  starter_placement placement(processors);
  try {
    return new worker_pool(settings);
  } catch (const std::system_error& e) {
    // The system has no threads to give: every loop runs on its caller,
    // which gives the same results, only slower.
    std::fprintf(stderr, "%s; loops run on the calling thread\n", e.what());
    settings.threads = 1;
    return new worker_pool(settings);
  }
}

}  // namespace

void configure_runtime(int thread_hint) {
  std::lock_guard<std::mutex> lock(g_configure_mutex);
  if (g_configured) return;
  int count = thread_hint > 0 ? thread_hint : parse_thread_request(std::getenv("KESTRANE_THREADS"));
  const std::vector<int> processors = os::process_processors();
  if (count <= 0) count = static_cast<int>(os::physical_core_count(processors));
  count = std::min(count, static_cast<int>(worker_pool::kMaxThreads));

  worker_pool* pool = create_pool(count, processors);
  g_pool.store(pool);
  g_threads.store(pool->threads());
  std::atexit(shut_down_pool);
  os::set_current_thread_processors(processors);
  g_configured = true;
}

void refuse_worker_start(unsigned worker) { g_refused_worker = worker; }

unsigned thread_count() { return g_threads.load(std::memory_order_relaxed); }

bool in_parallel_region() { return detail::inside_parallel_region_flag(); }

worker_pool* detail::process_pool() { return g_pool.load(std::memory_order_acquire); }

int requested_isa_level() {
  static const int level = parse_isa_request(std::getenv("NQ_ISA"));
  return level;
}

int hardware_isa_level() {
  static const int level = isa_level_of(processor_features());
  return level;
}

int effective_isa_level() {
  static const int level = highest_isa_level(requested_isa_level(), processor_feature_bits());
  return level;
}

bool use_vector_path() {
  static const bool vector = effective_isa_level() >= 2;
  return vector;
}

int spin_budget() {
  static const int budget = parse_spin_budget(std::getenv("NQ_SPIN"));
  return budget;
}

void parallel_loop(task_fn fn, void* ctx, std::size_t begin, std::size_t end, bool dynamic) {
  worker_pool* pool = g_pool.load(std::memory_order_acquire);
  if (!pool) {
    run_on_caller(fn, ctx, begin, end);
    return;
  }
  pool->run(fn, ctx, begin, end, dynamic);
}

}  // namespace tamble
