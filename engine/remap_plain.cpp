// The undithered remap: every pixel's nearest entry in parallel, the mean
// error, and one k-means step on the palette.
#include <cstdint>

#include "engine/nearest.h"
#include "engine/remap.h"
#include "tamble/algorithms.h"

namespace {

// Block length of the mean-error sum; fixed so the sum never depends on threads.
constexpr std::size_t kErrorBlock = 4096;
// Pixels per chunk of the per-entry sums.
constexpr std::uint32_t kBucketChunk = 256;

struct ErrorSum {
  double sum = 0.0;
  std::size_t count = 0;
};

struct EntrySum {
  double alpha = 0.0, L = 0.0, a = 0.0, b = 0.0;
  std::uint64_t count = 0;
};

EntrySum add(const EntrySum& x, const EntrySum& y) {
  return {x.alpha + y.alpha, x.L + y.L, x.a + y.a, x.b + y.b, x.count + y.count};
}

// Moves every entry that is not fixed to the mean of its pixels; popularity
// becomes the pixel count.
void kmeans_step(tamble::device* dev, const RemapImage& image, const std::uint32_t* indices,
                 std::size_t pixels, Palette& palette) {
  std::vector<EntrySum> sums(palette.count());
  tamble::build_csr_buckets(
      dev, indices, pixels, palette.count(), kBucketChunk, EntrySum{},
      [&](std::uint32_t, const std::uint32_t* items, std::size_t n) {
        EntrySum s;
        for (std::size_t k = 0; k < n; ++k) {
          const WorkColor& c = image.pixels[items[k]];
          s.alpha += c.alpha;
          s.L += c.L;
          s.a += c.a;
          s.b += c.b;
        }
        s.count = n;
        return s;
      },
      add, sums.data());
  for (std::uint32_t e = 0; e < palette.count(); ++e) {
    PaletteEntry& entry = palette.entries[e];
    const EntrySum& s = sums[e];
    entry.popularity = static_cast<double>(s.count);
    if (s.count == 0 || entry.fixed) continue;
    double n = static_cast<double>(s.count);
    entry.color = WorkColor{s.alpha / n, s.L / n, s.a / n, s.b / n};
  }
}

}  // namespace

double remap_plain(tamble::device* dev, const RemapImage& image, Palette& palette,
                   double opaque_threshold, std::uint8_t* output) {
  if (!dev) dev = tamble::get_cpu_device();
  std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  if (pixels == 0) return 0.0;
  if (palette.count() == 0) {
    tamble::fill(dev, output, pixels, std::uint8_t{0});
    return 0.0;
  }
  nearest_index index(dev, palette, opaque_threshold);
  const std::int64_t transparent =
      find_nearest(index, WorkColor{0.0, 0.0, kNeutralA, kNeutralB}).index;

  tamble::array<std::uint32_t> indices(dev, pixels);
  tamble::array<double> distances(dev, pixels);
  if (indices.failed() || distances.failed()) {
    // No room for the per-pixel records: write the indices directly and leave
    // the palette where it is.
    ErrorSum total = tamble::blocked_reduce(
        dev, pixels, kErrorBlock, ErrorSum{},
        [&](std::size_t lo, std::size_t hi) {
          ErrorSum s;
          for (std::size_t i = lo; i < hi; ++i) {
            const WorkColor& c = image.pixels[i];
            if (c.alpha < kAlmostTransparent) {
              output[i] = static_cast<std::uint8_t>(transparent);
              continue;
            }
            NearestMatch m = find_nearest(index, c);
            output[i] = static_cast<std::uint8_t>(m.index);
            s.sum += m.distance;
            ++s.count;
          }
          return s;
        },
        [](ErrorSum x, ErrorSum y) { return ErrorSum{x.sum + y.sum, x.count + y.count}; });
    return total.sum / static_cast<double>(total.count > 0 ? total.count : 1);
  }

  double* dist = distances.data();
  tamble::tabulate(dev, indices.data(), pixels, [&](std::size_t i) -> std::uint32_t {
    const WorkColor& c = image.pixels[i];
    if (c.alpha < kAlmostTransparent) {
      dist[i] = -1.0;
      return static_cast<std::uint32_t>(transparent);
    }
    NearestMatch m = find_nearest(index, c);
    dist[i] = m.distance;
    return static_cast<std::uint32_t>(m.index);
  });
  tamble::transform(dev, indices.data(), pixels, output,
                    [](std::uint32_t k) { return static_cast<std::uint8_t>(k); });

  ErrorSum total = tamble::blocked_reduce(
      dev, pixels, kErrorBlock, ErrorSum{},
      [&](std::size_t lo, std::size_t hi) {
        ErrorSum s;
        for (std::size_t i = lo; i < hi; ++i) {
          if (dist[i] < 0) continue;
          s.sum += dist[i];
          ++s.count;
        }
        return s;
      },
      [](ErrorSum x, ErrorSum y) { return ErrorSum{x.sum + y.sum, x.count + y.count}; });
  distances.release();  // not needed by the k-means step; frees 8 bytes a pixel early

  kmeans_step(dev, image, indices.data(), pixels, palette);
  return total.sum / static_cast<double>(total.count > 0 ? total.count : 1);
}
