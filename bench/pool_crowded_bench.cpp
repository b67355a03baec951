// Back-to-back small loops on a pool with more threads than processors (as
// KESTRANE_THREADS=8 on a 2-core machine gives), against a pool that fits.
// Spinning workers there used to hold the processors the working threads
// needed and made such runs an order of magnitude slower.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "tamble/os_threads.h"
#include "tamble/worker_pool.h"

namespace {

void add_one(void* ctx, unsigned) {
  auto* sum = static_cast<std::atomic<long>*>(ctx);
  for (int i = 0; i < 2000; ++i) benchmark::DoNotOptimize(sum->load(std::memory_order_relaxed));
  sum->fetch_add(1);
}

// range(0): threads per processor the process may use.
void BM_SmallLoopsPerThreadsPerProcessor(benchmark::State& state) {
  tamble::pool_settings settings;
  settings.processors = tamble::os::process_processors();
  const auto processors = static_cast<unsigned>(std::max<std::size_t>(1, settings.processors.size()));
  settings.threads = std::min(64u, processors * static_cast<unsigned>(state.range(0)));
  settings.spin_budget = 100000;  // the default
  tamble::worker_pool pool(settings);
  std::atomic<long> sum{0};
  for (auto _ : state)
    for (int loop = 0; loop < 100; ++loop) pool.run(&add_one, &sum, 0, pool.threads(), false);
  state.counters["threads"] = pool.threads();
  state.counters["oversubscribed"] = pool.oversubscribed();
}
BENCHMARK(BM_SmallLoopsPerThreadsPerProcessor)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
