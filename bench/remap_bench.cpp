// The plain remap and error diffusion on a 1-megapixel picture with a
// 256-entry palette.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/remap_bench_image.h"
#include "engine/nearest/nearest.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "engine/remap/remap_diffused.h"
#include "tamble/runtime.h"

namespace {

RemapImage view(const BenchImage& img) { return RemapImage{img.pixels.data(), img.width, img.height}; }

void BM_RemapPlain(benchmark::State& state) {
  tamble::configure_runtime(0);
  const BenchImage& img = bench_image();
  const Palette palette = bench_palette();
  std::vector<std::uint8_t> out(img.pixels.size());
  for (auto _ : state) {
    Palette p = palette;
    benchmark::DoNotOptimize(remap_plain(tamble::get_cpu_device(), view(img), p, EngineSettings{}, out.data()));
  }
  state.counters["threads"] = tamble::thread_count();
  state.counters["scan_level"] = nearest_scan_level();
}
BENCHMARK(BM_RemapPlain)->Unit(benchmark::kMillisecond);

// remapped = 1: the plain remap's indices serve as guesses (speeds below 6).
void BM_RemapDiffused(benchmark::State& state) {
  tamble::configure_runtime(0);
  const BenchImage& img = bench_image();
  Palette palette = bench_palette();
  const bool remapped = state.range(0) != 0;
  std::vector<std::uint8_t> plain(img.pixels.size()), out(img.pixels.size());
  std::vector<double> edge(img.pixels.size(), 1.0);
  double error = remap_plain(tamble::get_cpu_device(), view(img), palette, EngineSettings{}, plain.data());
  for (auto _ : state) {
    if (remapped) out = plain;
    remap_diffused(tamble::get_cpu_device(), view(img), palette, EngineSettings{}, edge.data(), remapped,
                   8 * error, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["scan_level"] = nearest_scan_level();
}
BENCHMARK(BM_RemapDiffused)->ArgName("remapped")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
