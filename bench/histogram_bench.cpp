// Working-space conversion, colour numbering, contrast maps and histogram
// building on a photo (argument 0: BQ_BENCH_PHOTO when set, else a corpus
// photo) and on a synthetic 4096 x 4096 image (argument 1).
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/colour/histogram.h"
#include "engine/colour/contrast_maps.h"
#include "engine/colour/working_image.h"
#include "io/image_decode.h"
#include "tamble/runtime.h"

namespace {

struct BenchImage {
  std::uint32_t width = 0, height = 0;
  PixelBytes pixels;
  std::size_t count() const { return std::size_t{width} * height; }
};

BenchImage load_photo() {
  BenchImage img;
  if (const char* path = std::getenv("BQ_BENCH_PHOTO")) {
    DecodedImage decoded;
    if (load_image_file(path, decoded).ok()) {
      img.width = decoded.width;
      img.height = decoded.height;
      img.pixels = std::move(decoded.pixels);
    }
    return img;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  std::string path = std::string(BQ_CORPUS_DIR) + "/astronaut.png";
  if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
  png.format = PNG_FORMAT_RGBA;
  img.pixels.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, img.pixels.data(), 0, nullptr)) {
    img.pixels.clear();
    return img;
  }
  img.width = png.width;
  img.height = png.height;
  return img;
}

// Gradients with a little noise: about half a million distinct colours.
BenchImage make_synthetic() {
  BenchImage img;
  img.width = img.height = 4096;
  img.pixels.resize(img.count() * 4);
  std::uint32_t state = 1;
  for (std::uint32_t y = 0; y < img.height; ++y)
    for (std::uint32_t x = 0; x < img.width; ++x) {
      state = state * 1664525u + 1013904223u;
      std::uint8_t* p = &img.pixels[(std::size_t{y} * img.width + x) * 4];
      p[0] = std::uint8_t(x >> 4);
      p[1] = std::uint8_t(y >> 4);
      p[2] = std::uint8_t(((x + y) >> 5) + (state >> 30));
      p[3] = 255;
    }
  return img;
}

const BenchImage& image(std::int64_t which) {
  static const BenchImage photo = load_photo();
  static const BenchImage synthetic = make_synthetic();
  return which == 0 ? photo : synthetic;
}

tamble::device* setup(benchmark::State& state, const BenchImage& img) {
  tamble::configure_runtime(0);
  if (img.pixels.empty()) state.SkipWithError("image not available");
  state.SetLabel(std::to_string(img.width) + "x" + std::to_string(img.height) + ", " +
                 std::to_string(tamble::thread_count()) + " threads");
  return tamble::get_cpu_device();
}

void BM_WorkingImage(benchmark::State& state) {
  const BenchImage& img = image(state.range(0));
  tamble::device* dev = setup(state, img);
  std::vector<WorkColor> work(img.count());
  for (auto _ : state) {
    convert_working_image(dev, img.pixels.data(), img.count(), kDefaultGamma, work.data());
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * img.count());
}

void BM_ContrastMaps(benchmark::State& state) {
  const BenchImage& img = image(state.range(0));
  tamble::device* dev = setup(state, img);
  std::vector<WorkColor> work(img.count());
  convert_working_image(dev, img.pixels.data(), img.count(), kDefaultGamma, work.data());
  std::vector<double> noise(img.count()), edges(img.count());
  for (auto _ : state) {
    compute_contrast_maps(dev, work.data(), img.width, img.height, noise.data(), edges.data());
    benchmark::DoNotOptimize(noise.data());
  }
  state.SetItemsProcessed(state.iterations() * img.count());
}

// Speed 3's limit; the conversion of the items is part of the step.
void BM_Histogram(benchmark::State& state) {
  const BenchImage& img = image(state.range(0));
  tamble::device* dev = setup(state, img);
  std::vector<double> importance(img.count(), 0.5);
  std::uint32_t colours = 0;
  for (auto _ : state) {
    auto hist = build_histogram(dev, img.pixels.data(), img.count(), kDefaultGamma, 1966080, 0,
                                importance.data());
    if (hist) {
      histogram_to_work_colors(dev, *hist);
      colours = hist->count;
    }
    benchmark::DoNotOptimize(hist.get());
  }
  state.counters["colours"] = colours;
  state.SetItemsProcessed(state.iterations() * img.count());
}

// What a run that keeps nothing does: number the colours (up to half
// of the pixels), then build the histogram from the numbers.
void BM_NumberColours(benchmark::State& state) {
  const BenchImage& img = image(state.range(0));
  tamble::device* dev = setup(state, img);
  std::size_t colours = 0;
  for (auto _ : state) {
    NumberedColours numbered;
    if (number_colours(dev, img.pixels.data(), img.count(), kDefaultGamma, img.count() / 2, numbered))
      colours = numbered.colors.size();
    benchmark::DoNotOptimize(numbered.ids.data());
  }
  state.counters["colours"] = static_cast<double>(colours);
  state.SetItemsProcessed(state.iterations() * img.count());
}

void BM_HistogramNumbered(benchmark::State& state) {
  const BenchImage& img = image(state.range(0));
  tamble::device* dev = setup(state, img);
  NumberedColours numbered;
  if (!number_colours(dev, img.pixels.data(), img.count(), kDefaultGamma, img.count() / 2, numbered)) {
    state.SkipWithError("more colours than half the pixels");
    return;
  }
  std::vector<double> importance(img.count(), 0.5);
  for (auto _ : state) {
    auto hist = build_histogram_numbered(dev, numbered.ids.data(), img.count(), numbered.words.data(),
                                         numbered.words.size(), kDefaultGamma, 1966080, 0,
                                         importance.data(), numbered.colors.data());
    benchmark::DoNotOptimize(hist.get());
  }
  state.SetItemsProcessed(state.iterations() * img.count());
}

}  // namespace

BENCHMARK(BM_NumberColours)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HistogramNumbered)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WorkingImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ContrastMaps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Histogram)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
