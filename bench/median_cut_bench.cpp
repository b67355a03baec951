// Median cut on a large synthetic histogram: the serial loop against the
// parallel rounds, 256 colours as at the defaults.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/palette/median_cut.h"
#include "tamble/runtime.h"

namespace {

// Colours of a photo-like image: a few broad clusters with a smooth spread,
// weights like importance + 0.5 summed over a handful of pixels.
const std::vector<HistogramItem>& synthetic_items(std::size_t n) {
  static std::vector<HistogramItem> items;
  if (items.size() == n) return items;
  std::mt19937_64 rng(1234);
  std::normal_distribution<double> spread(0.0, 0.08);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const WorkColor centres[6] = {{1, 0.2, 0.38, 0.50}, {1, 0.5, 0.45, 0.62}, {1, 0.8, 0.36, 0.55},
                                {1, 0.4, 0.30, 0.40}, {1, 0.65, 0.52, 0.70}, {1, 0.95, 0.38, 0.53}};
  items.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const WorkColor& c = centres[i % 6];
    HistogramItem& it = items[i];
    it = HistogramItem{};
    it.color = {c.alpha, c.L + spread(rng), c.a + spread(rng) * 0.5, c.b + spread(rng) * 0.5};
    it.cut_weight = it.pixel_weight = 0.5 + 3.0 * unit(rng) * unit(rng);
    it.source_index = static_cast<std::uint32_t>(i);
  }
  return items;
}

void median_cut_1m(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::vector<HistogramItem>& items = synthetic_items(1000000);
  EngineSettings settings;
  settings.mediancut_rounds = static_cast<std::uint32_t>(state.range(0));
  Histogram h;
  h.items = tamble::array<HistogramItem>(tamble::get_cpu_device(), items.size());
  h.count = static_cast<std::uint32_t>(items.size());
  for (const HistogramItem& it : items) h.total_weight += it.pixel_weight;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(h.items.data(), items.data(), items.size() * sizeof(HistogramItem));
    state.ResumeTiming();
    Palette p = median_cut(tamble::get_cpu_device(), h, settings, 256, 0.0, 0.0017714438596447158);
    benchmark::DoNotOptimize(p.entries.data());
  }
  state.counters["threads"] = tamble::thread_count();
}

}  // namespace

BENCHMARK(median_cut_1m)->Arg(0)->Arg(1)->ArgName("rounds")->Unit(benchmark::kMillisecond);
