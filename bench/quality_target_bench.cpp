// What a quality target costs: the whole quantize_image call with a target
// against the same call without one, alternated in one loop so both see the
// same machine load. Reported as the ratio of their total times (at most 2 is
// the aim) with the colours the target chose.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/quantize.h"
#include "io/image_decode.h"

namespace {

const char* const kPhotos[] = {"astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg"};

double timed_run(const DecodedImage& image, const QuantizerOptions& o, std::uint32_t& colours) {
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(image.width) * image.height);
  std::vector<std::uint8_t> palette(1024);
  release_engine_caches();  // every stage runs, as for a batch input
  auto start = std::chrono::steady_clock::now();
  quantize_image(image.pixels.data(), image.width, image.height, image.gamma, &o, nullptr,
                 indices.data(), palette.data(), &colours, nullptr);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: the photo, the quality aimed for.
void BM_QualityTargetCost(benchmark::State& state) {
  DecodedImage image;
  const std::string name = kPhotos[state.range(0)];
  if (!load_image_file(std::string(BQ_CORPUS_DIR) + "/" + name, image).ok()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  state.SetLabel(name);
  QuantizerOptions plain;
  QuantizerOptions targeted = plain;
  targeted.quality_target = 1;
  targeted.quality_max = static_cast<std::uint32_t>(state.range(1));
  double without = 0.0, with = 0.0;
  std::uint32_t colours = 0;
  for (auto _ : state) {
    without += timed_run(image, plain, colours);
    double seconds = timed_run(image, targeted, colours);
    with += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["ratio"] = with / without;
  state.counters["colours"] = colours;
}
BENCHMARK(BM_QualityTargetCost)
    ->ArgsProduct({{0, 1, 2, 3}, {60, 80, 90}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
