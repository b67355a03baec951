// Runtime throughput: radix sort against the standard stable sort, element-wise
// loops, and the cost of waking the pool for an empty loop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "tamble/algorithms.h"

namespace {

std::vector<std::uint32_t> bench_keys(std::size_t n) {
  std::vector<std::uint32_t> k(n);
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (auto& v : k) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    v = static_cast<std::uint32_t>(x);
  }
  return k;
}

void BM_SortByKey(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto original = bench_keys(n);
  std::vector<std::uint32_t> k(n);
  std::vector<double> v(n);
  for (auto _ : state) {
    state.PauseTiming();
    k = original;
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<double>(i);
    state.ResumeTiming();
    tamble::sort_by_key(k.data(), v.data(), n);
    benchmark::DoNotOptimize(k.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_SortByKey)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

void BM_StdStableSortPairs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const auto keys = bench_keys(n);
  std::vector<std::pair<std::uint32_t, double>> pairs(n);
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < n; ++i) pairs[i] = {keys[i], static_cast<double>(i)};
    state.ResumeTiming();
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    benchmark::DoNotOptimize(pairs.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_StdStableSortPairs)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

void BM_Transform(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<float> in(n, 1.5f), out(n);
  for (auto _ : state) {
    tamble::transform(nullptr, in.data(), n, out.data(), [](float x) { return x * x + 0.25f; });
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_Transform)->Arg(1 << 16)->Arg(4 << 20);

void BM_Tabulate(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint32_t> out(n);
  for (auto _ : state) {
    tamble::tabulate(nullptr, out.data(), n,
                     [](std::size_t i) { return static_cast<std::uint32_t>(i * 2654435761u); });
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_Tabulate)->Arg(1 << 16)->Arg(4 << 20);

void empty_task(void*, unsigned) {}

// Back-to-back loops: the workers are still spinning when the next one starts.
void BM_EmptyLoopWarm(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::size_t n = tamble::thread_count();
  for (auto _ : state) tamble::parallel_loop(&empty_task, nullptr, 0, n, false);
  state.counters["threads"] = static_cast<double>(n);
}
BENCHMARK(BM_EmptyLoopWarm)->Unit(benchmark::kMicrosecond);

// A pause longer than the spin budget first, so the workers are blocked and
// must be woken by the kernel.
void BM_EmptyLoopAfterSleep(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::size_t n = tamble::thread_count();
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto start = std::chrono::steady_clock::now();
    tamble::parallel_loop(&empty_task, nullptr, 0, n, false);
    auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
  state.counters["threads"] = static_cast<double>(n);
}
BENCHMARK(BM_EmptyLoopAfterSleep)->UseManualTime()->Iterations(40)->Unit(benchmark::kMicrosecond);

}  // namespace
