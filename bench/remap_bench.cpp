// The plain remap and error diffusion on a 1-megapixel picture with a
// 256-entry palette.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/remap_bench_image.h"
#include "engine/colour/contrast_maps.h"
#include "engine/colour/working_image.h"
#include "engine/nearest/nearest.h"
#include "engine/quantize.h"
#include "engine/remap/damp_dither_map.h"
#include "io/image_decode.h"
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

// remapped = 1: the plain remap's indices serve as guesses (speeds below 6);
// level: the row loop's instruction-set level (0 portable, 2 AVX2).
void BM_RemapDiffused(benchmark::State& state) {
  tamble::configure_runtime(0);
  const BenchImage& img = bench_image();
  Palette palette = bench_palette();
  const bool remapped = state.range(0) != 0;
  const int level = static_cast<int>(state.range(1));
  std::vector<std::uint8_t> plain(img.pixels.size()), out(img.pixels.size());
  std::vector<double> edge(img.pixels.size(), 1.0);
  double error = remap_plain(tamble::get_cpu_device(), view(img), palette, EngineSettings{}, plain.data());
  for (auto _ : state) {
    if (remapped) out = plain;
    remap_diffused(tamble::get_cpu_device(), view(img), palette, EngineSettings{}, edge.data(), remapped,
                   8 * error, out.data(), level);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["scan_level"] = nearest_scan_level();
}
BENCHMARK(BM_RemapDiffused)
    ->ArgNames({"remapped", "level"})
    ->ArgsProduct({{0, 1}, {0, 2}})
    ->Unit(benchmark::kMillisecond);

// Error diffusion on a photo as the pipeline hands it over: the engine's
// 256-colour palette, the plain remap's guesses and the damped edge map.
// Arg 0..2: corpus photos; 3: the file BQ_BENCH_PHOTO names, if any.
struct PhotoPass {
  std::uint32_t width = 0, height = 0;
  std::vector<WorkColor> pixels;
  Palette palette;
  std::vector<double> edge;
  std::vector<std::uint8_t> plain;
  double error = 0.0;
};

bool load_photo_pass(const std::string& path, PhotoPass& pass) {
  DecodedImage image;
  if (!load_image_file(path, image).ok()) return false;
  tamble::device* dev = tamble::get_cpu_device();
  pass.width = image.width;
  pass.height = image.height;
  const std::size_t n = std::size_t{image.width} * image.height;
  pass.pixels.resize(n);
  convert_working_image(dev, image.pixels.data(), n, image.gamma, pass.pixels.data());
  std::vector<std::uint8_t> indices(n), rgba(1024);
  std::uint32_t size = 0;
  QuantizerOptions o;
  if (quantize_image(image.pixels.data(), image.width, image.height, image.gamma, &o, nullptr, indices.data(),
                     rgba.data(), &size, nullptr) != 0)
    return false;
  for (std::uint32_t e = 0; e < size; ++e) pass.palette.entries.push_back({to_work_color(&rgba[4 * e], image.gamma)});
  pass.edge.resize(n);
  std::vector<double> noise(n);
  compute_contrast_maps(dev, pass.pixels.data(), pass.width, pass.height, noise.data(), pass.edge.data());
  pass.plain.resize(n);
  Palette moved = pass.palette;
  pass.error = remap_plain(dev, RemapImage{pass.pixels.data(), pass.width, pass.height}, moved, EngineSettings{},
                           pass.plain.data());
  damp_dither_map(dev, pass.plain.data(), pass.width, pass.height, pass.edge.data());
  return true;
}

void BM_RemapDiffusedPhoto(benchmark::State& state) {
  tamble::configure_runtime(0);
  const char* const kPhotos[] = {"rocket.jpg", "astronaut.png", "coffee.png"};
  const char* extra = std::getenv("BQ_BENCH_PHOTO");
  const int which = static_cast<int>(state.range(0));
  const std::string path = which < 3 ? std::string(BQ_CORPUS_DIR) + "/" + kPhotos[which] : (extra ? extra : "");
  PhotoPass pass;
  if (path.empty() || !load_photo_pass(path, pass)) {
    state.SkipWithError("photo missing");
    return;
  }
  const RemapImage image{pass.pixels.data(), pass.width, pass.height};
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    out = pass.plain;
    remap_diffused(tamble::get_cpu_device(), image, pass.palette, EngineSettings{}, pass.edge.data(), true,
                   8 * pass.error, out.data(), static_cast<int>(state.range(1)));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(path.substr(path.rfind('/') + 1));
  // The row loop's cost per pixel, setup included.
  state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(pass.pixels.size()) * state.iterations(),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RemapDiffusedPhoto)
    ->ArgNames({"photo", "level"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 2}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
