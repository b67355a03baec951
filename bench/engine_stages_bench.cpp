// Stages of the engine entry and refinement: one k-means iteration, the
// whole quantize_image call at the default and the fastest speed, and the
// batch face's first stages on a large image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/colour/histogram.h"
#include "engine/quantize.h"
#include "engine/colour/default_gamma.h"
#include "engine/palette/kmeans.h"
#include "io/image_decode.h"
#include "tamble/block_reuse.h"
#include "tamble/device.h"
#include "tamble/runtime.h"

namespace {

struct Picture {
  std::uint32_t width = 0, height = 0;
  PixelBytes rgba;
};

const Picture& corpus_picture(const char* name) {
  static std::string loaded;
  static Picture picture;
  if (loaded != name) {
    DecodedImage image;
    picture = Picture{};
    if (load_image_file(std::string(BQ_CORPUS_DIR) + "/" + name, image).ok()) {
      picture.width = image.width;
      picture.height = image.height;
      picture.rgba = std::move(image.pixels);
    }
    loaded = name;
  }
  return picture;
}

void BM_KmeansIteration(benchmark::State& state) {
  tamble::configure_runtime(0);
  tamble::device* dev = tamble::get_cpu_device();
  const Picture& pic = corpus_picture("coffee.png");
  if (pic.rgba.empty()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  auto hist = build_histogram(dev, pic.rgba.data(), pic.rgba.size() / 4, 0.45454545454545453,
                              1u << 24, 0, nullptr);
  histogram_to_work_colors(dev, *hist);
  Palette palette;
  const std::uint32_t entries = static_cast<std::uint32_t>(state.range(0));
  for (std::uint32_t e = 0; e < entries; ++e)
    palette.entries.push_back({hist->items[e * (hist->count / entries)].color, 0.0, false});
  for (auto _ : state) {
    Palette p = palette;
    benchmark::DoNotOptimize(kmeans_iteration(dev, *hist, p, EngineSettings{}, false));
  }
  state.counters["items"] = hist->count;
}
BENCHMARK(BM_KmeansIteration)->Arg(16)->Arg(256)->Unit(benchmark::kMillisecond);

// Whole call, caches dropped each time so every stage runs.
void BM_QuantizeImage(benchmark::State& state) {
  const Picture& pic = corpus_picture("coffee.png");
  if (pic.rgba.empty()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  QuantizerOptions o;
  o.speed = static_cast<std::uint32_t>(state.range(0));
  o.dither = static_cast<std::int32_t>(state.range(1));
  std::vector<std::uint8_t> indices(pic.rgba.size() / 4);
  std::vector<std::uint8_t> palette(1024);
  std::uint32_t size = 0;
  for (auto _ : state) {
    release_engine_caches();
    quantize_image(pic.rgba.data(), pic.width, pic.height, 0.0, &o, nullptr, indices.data(),
                   palette.data(), &size, nullptr);
  }
  state.counters["colors"] = size;
}
BENCHMARK(BM_QuantizeImage)
    ->ArgNames({"speed", "dither"})
    ->Args({3, 0})
    ->Args({3, 1})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Unit(benchmark::kMillisecond);

// Repeated call on the same image: both caches hit, as in the interactive face.
void BM_QuantizeImageCached(benchmark::State& state) {
  const Picture& pic = corpus_picture("coffee.png");
  if (pic.rgba.empty()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  QuantizerOptions o;
  o.dither = 0;
  std::vector<std::uint8_t> indices(pic.rgba.size() / 4);
  for (auto _ : state)
    quantize_image(pic.rgba.data(), pic.width, pic.height, 0.0, &o, nullptr, indices.data(),
                   nullptr, nullptr, nullptr);
}
BENCHMARK(BM_QuantizeImageCached)->Unit(benchmark::kMillisecond);

}  // namespace

// The large image: the engine alone (no decoding or writing), for thread
// scaling (run once with KESTRANE_THREADS=1 and once with 2).
void BM_QuantizeLarge(benchmark::State& state) {
  const Picture& pic = corpus_picture("truchet-l.webp");
  if (pic.rgba.empty()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  QuantizerOptions o;
  o.dither = 0;
  std::vector<std::uint8_t> indices(pic.rgba.size() / 4);
  for (auto _ : state) {
    release_engine_caches();
    quantize_image(pic.rgba.data(), pic.width, pic.height, 0.0, &o, nullptr, indices.data(),
                   nullptr, nullptr, nullptr);
  }
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_QuantizeLarge)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The batch face's first stages on the large image, from fresh memory as in
// a run: the working image (numbered colours where they pay) and the noise
// map alone (argument 0) or then the edge map dithering reads over it (1).
void BM_FirstStagesBatch(benchmark::State& state) {
  const Picture& pic = corpus_picture("truchet-l.webp");
  if (pic.rgba.empty()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  tamble::configure_runtime(0);
  tamble::device* dev = tamble::get_cpu_device();
  keep_engine_caches(false);
  const EngineSettings settings;
  for (auto _ : state) {
    release_engine_caches();
    tamble::freed_block_reuse reuse;
    cached_working_image(dev, pic.rgba.data(), pic.width, pic.height, kDefaultGamma, 1, settings);
    benchmark::DoNotOptimize(cached_noise_map(dev, pic.width, pic.height));
    if (state.range(0) == 1) benchmark::DoNotOptimize(take_cached_edge_map(dev, pic.width, pic.height));
  }
  release_engine_caches();
  keep_engine_caches(true);
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_FirstStagesBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
