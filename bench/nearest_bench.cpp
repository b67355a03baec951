// find_nearest per scan level on a 256-entry palette, with and without a
// guess. The guess is what error diffusion passes: the nearest entry of a
// slightly different colour, with its exact distance to the probe.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/remap_bench_image.h"
#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "engine/nearest/nearest.h"
#include "engine/palette/kmeans.h"
#include "engine/quantize.h"
#include "io/image_decode.h"

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

// The searches of a real photo with very many colours: its histogram's items
// as the k-means passes search them (unguided, and guided by the answers of
// the pass before), and its pixels as the plain remap does (each guided by
// the previous pixel's answer). The palette is the one the engine chose.
// Photo 2 is the file BQ_BENCH_PHOTO names, if any.
namespace {

struct PhotoSearch {
  std::vector<WorkColor> items, pixels;
  Palette before, after;             // k-means palettes of two consecutive passes
  std::vector<std::uint32_t> guess;  // each item's answer in `before`
};

const PhotoSearch& photo_search(int which) {
  static int loaded = -1;
  static PhotoSearch s;
  if (loaded == which) return s;
  s = PhotoSearch{};
  loaded = which;
  const char* const kPhotos[] = {"astronaut.png", "coffee.png"};
  const char* extra = std::getenv("BQ_BENCH_PHOTO");
  const std::string path = which < 2 ? std::string(BQ_CORPUS_DIR) + "/" + kPhotos[which] : (extra ? extra : "");
  DecodedImage image;
  if (path.empty() || !load_image_file(path, image).ok()) return s;
  const std::size_t n = image.pixels.size() / 4;
  std::vector<std::uint8_t> rgba(1024), indices(n);
  std::uint32_t colours = 0;
  QuantizerOptions o;
  o.dither = 0;
  if (quantize_image(image.pixels.data(), image.width, image.height, image.gamma, &o, nullptr,
                     indices.data(), rgba.data(), &colours, nullptr) != 0)
    return s;
  for (std::uint32_t e = 0; e < colours; ++e)
    s.before.entries.push_back({to_work_color(&rgba[4 * e], kDefaultGamma), 0.0, false});
  tamble::device* dev = tamble::get_cpu_device();
  auto hist = build_histogram(dev, image.pixels.data(), n, image.gamma, 1u << 24, 0, nullptr);
  histogram_to_work_colors(dev, *hist);
  for (std::uint32_t i = 0; i < hist->count; ++i) s.items.push_back(hist->items[i].color);
  for (std::size_t i = 0; i < n; ++i) s.pixels.push_back(to_work_color(&image.pixels[4 * i], image.gamma));
  s.after = s.before;
  kmeans_iteration(dev, *hist, s.after, EngineSettings{}, false);
  nearest_index index(dev, s.before, 1.0, ColorMetric{});
  for (const WorkColor& c : s.items) s.guess.push_back(static_cast<std::uint32_t>(find_nearest(index, c).index));
  return s;
}

// Arguments: photo, then 0 unguided or 1 guided by the previous pass's answer,
// as k-means searches them.
void BM_PhotoItemSearch(benchmark::State& state) {
  const PhotoSearch& s = photo_search(static_cast<int>(state.range(0)));
  if (s.items.empty()) {
    state.SkipWithError("photo missing");
    return;
  }
  const bool guided = state.range(1) != 0;
  nearest_index index(nullptr, s.after, 1.0, ColorMetric{});
  for (auto _ : state) {
    for (std::size_t i = 0; i < s.items.size(); ++i) {
      const NearestMatch m = guided ? index.find_near(s.items[i], s.guess[i]) : find_nearest(index, s.items[i]);
      benchmark::DoNotOptimize(m);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * s.items.size()));
}
BENCHMARK(BM_PhotoItemSearch)
    ->ArgNames({"photo", "guided"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The plain remap's loop: a pixel equal to the previous one takes its
// answer, any other is searched with the previous answer as its guess.
void BM_PhotoPixelSearch(benchmark::State& state) {
  const PhotoSearch& s = photo_search(static_cast<int>(state.range(0)));
  if (s.pixels.empty()) {
    state.SkipWithError("photo missing");
    return;
  }
  nearest_index index(nullptr, s.after, 1.0, ColorMetric{});
  for (auto _ : state) {
    NearestMatch m{0.0, -1};
    WorkColor last{};
    for (const WorkColor& c : s.pixels) {
      if (m.index < 0 || c.alpha != last.alpha || c.L != last.L || c.a != last.a || c.b != last.b) {
        m = index.find_near(c, m.index);
        last = c;
      }
      benchmark::DoNotOptimize(m);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * s.pixels.size()));
}
BENCHMARK(BM_PhotoPixelSearch)->ArgName("photo")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
