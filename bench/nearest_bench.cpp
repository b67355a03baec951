// find_nearest per scan level on a 256-entry palette, with and without a
// guess. The guess is what error diffusion passes: the nearest entry of a
// slightly different colour, with its exact distance to the probe.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/remap_bench_image.h"
#include "engine/nearest/nearest.h"

namespace {

struct Query {
  WorkColor probe;
  std::int64_t guess;
  double guess_distance;
};

const std::vector<Query>& queries() {
  static const std::vector<Query> q = [] {
    const BenchImage& img = bench_image();
    Palette p = bench_palette();
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, 0);
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> nudge(-0.01, 0.01);
    std::vector<Query> out;
    for (int i = 0; i < 4096; ++i) {
      WorkColor c = img.pixels[rng() % img.pixels.size()];
      WorkColor moved{c.alpha, c.L + nudge(rng), c.a + nudge(rng), c.b + nudge(rng)};
      std::int64_t g = find_nearest(index, c).index;
      out.push_back({moved, g, color_difference(moved, p.entries[g].color, ColorMetric{})});
    }
    return out;
  }();
  return q;
}

void BM_FindNearest(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  const bool guessed = state.range(1) != 0;
  Palette p = bench_palette();
  nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
  if (index.scan_level() != level) {
    state.SkipWithError("scan level not available on this processor");
    return;
  }
  const std::vector<Query>& q = queries();
  std::size_t i = 0;
  for (auto _ : state) {
    const Query& one = q[i++ & 4095];
    NearestMatch m = guessed ? find_nearest(index, one.probe, one.guess, one.guess_distance)
                             : find_nearest(index, one.probe);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_FindNearest)
    ->ArgNames({"level", "guess"})
    ->ArgsProduct({{0, 2, 3}, {0, 1}});

}  // namespace
