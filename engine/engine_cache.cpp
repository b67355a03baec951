#include "engine/engine_cache.h"

#include "engine/colour/contrast_maps.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/engine_log.h"
#include "engine/run_stats.h"
#include "engine/fingerprint.h"
#include "engine/required_array.h"
#include "engine/speed_budget.h"
#include "engine/colour/working_image.h"
#include "tamble/algorithms.h"

namespace {

struct WorkingSpaceCache {
  tamble::array<WorkColor> image;  // a colour per pixel, or the colours `ids` number
  tamble::array<std::uint32_t> ids;
  tamble::array<std::uint32_t> words;  // with ids: each colour's RGBA word
  tamble::array<double> noise;
  tamble::array<double> edges;
  std::uint64_t key = 0;
  std::size_t pixel_count = 0;
  std::uint32_t width = 0;
  bool maps_ready = false;
  bool edges_ready = false;  // made beside a noise map that was never whole
  bool valid = false;
};

struct HistogramCache {
  std::unique_ptr<Histogram> histogram;
  tamble::array<HistogramItem> pristine;
  std::uint64_t key = 0;
  bool valid = false;
};

// Never destroyed: at exit the device their memory came from may already be
// gone, and the process returns everything anyway.
WorkingSpaceCache& g_working = *new WorkingSpaceCache;
bool g_keep_caches = true;
HistogramCache& g_histogram = *new HistogramCache;

void forget_working_space() {
  g_working.image.release();
  g_working.ids.release();
  g_working.words.release();
  g_working.noise.release();
  g_working.edges.release();
  g_working.key = 0;
  g_working.pixel_count = 0;
  g_working.width = 0;
  g_working.maps_ready = false;
  g_working.edges_ready = false;
  g_working.valid = false;
}

void forget_histogram() {
  g_histogram.histogram.reset();
  g_histogram.pristine.release();
  g_histogram.key = 0;
  g_histogram.valid = false;
}

// Numbered colours pay when they are at most half the pixels: 4 bytes of
// number per pixel and 16 of colour share against 32 of colour, and every
// per-colour step (conversion, nearest entry) runs half as often or less.
// Tiny images gain nothing.
constexpr std::size_t kCompactShare = 2;
constexpr std::size_t kCompactFrom = 4096;
constexpr std::size_t kCompactBelow = std::size_t{1} << 31;

WorkImage working_view(std::uint32_t width, std::uint32_t height) {
  if (g_working.ids.empty()) return WorkImage{g_working.image.data(), width, height};
  return WorkImage{g_working.image.data(), width, height, g_working.ids.data(),
                   g_working.image.size(), g_working.words.data()};
}

// The numbered histogram with the noise map made for it in chunks, and the
// edge map beside it when its block is there; nullptr when the colours do
// not fit (then no map is made).
std::unique_ptr<Histogram> histogram_over_noise_chunks(tamble::device* dev, double gamma,
                                                       std::uint32_t max_colors, unsigned bits) {
  NumberedHistogramBuild build(dev, g_working.ids.data(), g_working.words.data(),
                               g_working.words.size(), gamma, max_colors, bits,
                               g_working.image.data());
  if (!build.fits()) return nullptr;
  const std::uint32_t width = g_working.width;
  const auto height = static_cast<std::uint32_t>(g_working.pixel_count / width);
  stream_noise_map(
      dev, working_view(width, height),
      [&](const double* rows, std::size_t first, std::size_t last) {
        build.add(rows, first * width, (last - first) * width);
      },
      g_working.edges.empty() ? nullptr : g_working.edges.data());
  g_working.edges_ready = !g_working.edges.empty();
  ++g_run_stats.contrast_map_builds;
  ++g_run_stats.noise_maps_in_chunks;
  return build.finish();
}

// Builds with growing posterization until the colours fit. Without
// `importance`, noise_made_here makes the noise map for it as it goes.
std::unique_ptr<Histogram> build_fitting_histogram(tamble::device* dev, const std::uint8_t* pixels,
                                                   std::size_t pixel_count, double gamma,
                                                   const double* importance, bool noise_made_here,
                                                   const EngineSettings& settings) {
  const std::uint32_t speed = settings.speed;
  unsigned bits = first_posterize_bits(speed);
  std::uint32_t max_colors = histogram_max_colors(speed);
  for (;;) {
    // The run's image as numbered colours, when it is one, spares hashing every pixel.
    std::unique_ptr<Histogram> hist =
        noise_made_here ? histogram_over_noise_chunks(dev, gamma, max_colors, bits)
        : g_working.ids.empty()
            ? build_histogram(dev, pixels, pixel_count, gamma, max_colors, bits, importance)
            : build_histogram_numbered(dev, g_working.ids.data(), pixel_count,
                                       g_working.words.data(), g_working.words.size(), gamma,
                                       max_colors, bits, importance, g_working.image.data());
    if (hist) {
      g_run_stats.posterize_bits = bits;
      return hist;
    }
    // Seven bits leave two levels per channel, far below any max colours.
    if (bits >= 7) throw std::logic_error("no posterization fits the histogram");
    engine_log(settings, "too many colors!\n\tscaling colors to improve clustering...");
    ++bits;
  }
}

// A histogram built for this run, in working colours.
std::unique_ptr<Histogram> new_run_histogram(tamble::device* dev, const std::uint8_t* pixels,
                                             std::size_t pixel_count, double gamma,
                                             const double* importance,
                                             const EngineSettings& settings,
                                             bool noise_made_here = false) {
  engine_log(settings, "  making histogram...");
  std::unique_ptr<Histogram> hist = build_fitting_histogram(
      dev, pixels, pixel_count, gamma, importance, noise_made_here, settings);
  engine_log(settings, "%d colors found\n", static_cast<int>(hist->count));
  histogram_to_work_colors(dev, *hist);
  ++g_run_stats.histogram_builds;
  g_run_stats.histogram_colors = hist->count;
  return hist;
}

}  // namespace

WorkImage cached_working_image(tamble::device* dev, const std::uint8_t* pixels,
                               std::uint32_t width, std::uint32_t height, double gamma,
                               std::uint64_t key, const EngineSettings& settings) {
  const std::size_t pixel_count = static_cast<std::size_t>(width) * height;
  // The key sees the pixel count, not the shape; the contrast maps depend on
  // the shape, so the width must match as well.
  // A run that keeps nothing has no key to match.
  if (g_keep_caches && g_working.valid && g_working.key == key &&
      g_working.pixel_count == pixel_count && g_working.width == width) {
    engine_log(settings, "working-space image cached%c", '\n');
    ++g_run_stats.image_cache_hits;
    return working_view(width, height);
  }
  forget_working_space();
  // A histogram key includes the image key, so the cached histogram cannot
  // serve another image; freeing it now lowers this run's peak memory.
  forget_histogram();
  try {
    // A run that keeps nothing numbers the colours when that is smaller; a
    // kept image stays a colour per pixel, the quickest to read again.
    NumberedColours numbered;
    const bool compact = !g_keep_caches && pixel_count >= kCompactFrom &&
                         pixel_count < kCompactBelow &&
                         number_colours(dev, pixels, pixel_count, gamma,
                                        pixel_count / kCompactShare, numbered);
    if (compact) {
      g_working.image = std::move(numbered.colors);
      g_working.ids = std::move(numbered.ids);
      g_working.words = std::move(numbered.words);
    } else {
      g_working.image = required_array<WorkColor>(dev, pixel_count);
      convert_working_image(dev, pixels, pixel_count, gamma, g_working.image.data());
    }
    // A run that keeps nothing makes its noise map when it needs it, if at all.
    if (g_keep_caches) {
      g_working.noise = required_array<double>(dev, pixel_count);
      g_working.edges = required_array<double>(dev, pixel_count);
    }
  } catch (const std::bad_alloc&) {
    forget_working_space();
    throw;
  }
  g_working.key = key;
  g_working.pixel_count = pixel_count;
  g_working.width = width;
  g_working.valid = true;
  ++g_run_stats.image_conversions;
  return working_view(width, height);
}

namespace {

// Fresh maps are written whole by compute_contrast_maps: no zero fill first.
// A run that keeps nothing makes the noise map alone; its edge map, if it
// dithers, later takes the noise map's place (take_cached_edge_map).
void ensure_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height) {
  if (g_working.maps_ready) return;
  if (g_working.noise.empty()) g_working.noise = required_array<double>(dev, g_working.pixel_count);
  compute_contrast_maps(dev, working_view(width, height), g_working.noise.data(),
                        g_working.edges.empty() ? nullptr : g_working.edges.data());
  g_working.maps_ready = true;
  ++g_run_stats.contrast_map_builds;
}

}  // namespace

const double* cached_noise_map(tamble::device* dev, std::uint32_t width, std::uint32_t height) {
  ensure_contrast_maps(dev, width, height);
  return g_working.noise.data();
}

void copy_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                        double* importance, double* edge_map) {
  std::size_t n = static_cast<std::size_t>(width) * height;
  ensure_contrast_maps(dev, width, height);
  const double* noise = g_working.noise.data();
  const double* edges = g_working.edges.data();
  if (importance) tamble::tabulate(dev, importance, n, [&](std::size_t i) { return noise[i]; });
  if (edge_map) tamble::tabulate(dev, edge_map, n, [&](std::size_t i) { return edges[i]; });
}

bool restore_cached_histogram(Histogram& hist) {
  if (!g_histogram.valid || g_histogram.histogram.get() != &hist) return false;
  std::memcpy(hist.items.data(), g_histogram.pristine.data(), sizeof(HistogramItem) * hist.count);
  return true;
}

Histogram* histogram_for_run(tamble::device* dev, const std::uint8_t* pixels,
                             std::size_t pixel_count, double gamma, const double* importance,
                             std::uint64_t image_key, const EngineSettings& settings,
                             std::unique_ptr<Histogram>& owned) {
  if (!g_keep_caches) {
    owned = new_run_histogram(dev, pixels, pixel_count, gamma, importance, settings);
    return owned.get();
  }
  std::uint64_t key = histogram_key(dev, importance, pixel_count, image_key, settings.speed);
  if (g_histogram.valid && g_histogram.key == key) {
    // The previous run's palette search reordered the items and rewrote their weights.
    Histogram* hist = g_histogram.histogram.get();
    std::memcpy(hist->items.data(), g_histogram.pristine.data(),
                sizeof(HistogramItem) * hist->count);
    engine_log(settings, "  histogram cached, %d colors\n", static_cast<int>(hist->count));
    ++g_run_stats.histogram_cache_hits;
    g_run_stats.histogram_colors = hist->count;
    return hist;
  }
  forget_histogram();
  std::unique_ptr<Histogram> hist =
      new_run_histogram(dev, pixels, pixel_count, gamma, importance, settings);
  if (hist->count >= 1) {
    // Without room for the pristine copy the run goes on uncached.
    tamble::array<HistogramItem> copy(dev, hist->count);
    if (!copy.failed()) {
      std::memcpy(copy.data(), hist->items.data(), sizeof(HistogramItem) * hist->count);
      g_histogram.histogram = std::move(hist);
      g_histogram.pristine = std::move(copy);
      g_histogram.key = key;
      g_histogram.valid = true;
      return g_histogram.histogram.get();
    }
  }
  owned = std::move(hist);
  return owned.get();
}

std::unique_ptr<Histogram> histogram_over_made_noise(tamble::device* dev, std::size_t pixel_count,
                                                     double gamma, const EngineSettings& settings) {
  if (g_keep_caches || g_working.ids.empty() || g_working.maps_ready) return nullptr;
  // Dithering reads the edge map later: made in the same pass, it needs
  // the rows measured only once.
  if (settings.dither_on()) g_working.edges = required_array<double>(dev, pixel_count);
  // Numbered colours only: the pixels are not read (the caller may have freed them).
  return new_run_histogram(dev, nullptr, pixel_count, gamma, nullptr, settings, true);
}

void release_engine_caches() {
  forget_working_space();
  forget_histogram();
}

void keep_engine_caches(bool keep) {
  g_keep_caches = keep;
  if (!keep) release_engine_caches();
}

bool engine_caches_kept() { return g_keep_caches; }

void drop_cached_noise_map() {
  g_working.noise.release();
  g_working.valid = false;
}

tamble::array<double> take_cached_edge_map(tamble::device* dev, std::uint32_t width,
                                           std::uint32_t height) {
  if (g_working.edges_ready) {
    g_working.edges_ready = false;
    g_working.valid = false;
    return std::move(g_working.edges);
  }
  ensure_contrast_maps(dev, width, height);
  g_working.valid = false;
  if (!g_working.edges.empty()) return std::move(g_working.edges);
  // The noise map has been read: its block becomes the edge map, no fresh pages.
  edges_over_noise_map(dev, working_view(width, height), g_working.noise.data());
  ++g_run_stats.edge_maps_over_noise;
  return std::move(g_working.noise);
}
