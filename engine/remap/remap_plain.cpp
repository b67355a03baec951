// The undithered remap: every pixel's nearest entry in parallel, the mean
// error, and one k-means step on the palette.
#include <cstdint>
#include <vector>

#include "engine/nearest/nearest.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "tamble/algorithms.h"
#include "tamble/bucket_fold.h"

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

// Remaps pixels [lo, hi) in order, each search guided by the previous
// pixel's answer (the search is exact, so the guess changes only its speed);
// a pixel equal to the previous one takes its answer outright. Returns the
// block's error sum in pixel order.
ErrorSum remap_block(const nearest_index& index, const RemapImage& image,
                     std::uint32_t transparent, std::size_t lo, std::size_t hi,
                     std::uint8_t* output) {
  ErrorSum s;
  WorkColor last{};
  NearestMatch match{0.0, -1};
  for (std::size_t i = lo; i < hi; ++i) {
    const WorkColor& c = image.at(i);
    if (c.alpha < kAlmostTransparent) {
      output[i] = static_cast<std::uint8_t>(transparent);
      continue;
    }
    if (match.index < 0 || c.alpha != last.alpha || c.L != last.L || c.a != last.a ||
        c.b != last.b) {
      match = index.find_near(c, match.index);
      last = c;
    }
    output[i] = static_cast<std::uint8_t>(match.index);
    s.sum += match.distance;
    ++s.count;
  }
  return s;
}

// The same block for numbered colours, from each colour's match (index -1:
// transparent).
ErrorSum remap_numbered_block(const RemapImage& image, const NearestMatch* matches,
                              std::uint32_t transparent, std::size_t lo, std::size_t hi,
                              std::uint8_t* output) {
  ErrorSum s;
  for (std::size_t i = lo; i < hi; ++i) {
    const NearestMatch& match = matches[image.ids[i]];
    if (match.index < 0) {
      output[i] = static_cast<std::uint8_t>(transparent);
      continue;
    }
    output[i] = static_cast<std::uint8_t>(match.index);
    s.sum += match.distance;
    ++s.count;
  }
  return s;
}

ErrorSum add_errors(ErrorSum x, ErrorSum y) { return ErrorSum{x.sum + y.sum, x.count + y.count}; }

EntrySum add(const EntrySum& x, const EntrySum& y) {
  return {x.alpha + y.alpha, x.L + y.L, x.a + y.a, x.b + y.b, x.count + y.count};
}

// Moves every entry that is not fixed to the mean of its pixels; popularity
// becomes the pixel count.
void kmeans_step(tamble::device* dev, const RemapImage& image, const std::uint8_t* indices,
                 std::size_t pixels, Palette& palette) {
  std::vector<EntrySum> sums(palette.count());
  tamble::fold_by_bucket(
      dev, indices, pixels, palette.count(), kBucketChunk, EntrySum{},
      [&](EntrySum& s, std::size_t i) {
        const WorkColor& c = image.at(i);
        s.alpha += c.alpha;
        s.L += c.L;
        s.a += c.a;
        s.b += c.b;
        ++s.count;
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
                   const EngineSettings& settings, std::uint8_t* output) {
  if (!dev) dev = tamble::get_cpu_device();
  std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  if (pixels == 0) return 0.0;
  if (palette.count() == 0) {
    tamble::fill(dev, output, pixels, std::uint8_t{0});
    return 0.0;
  }
  nearest_index index(dev, palette, settings.min_opaque_alpha, settings.metric());
  const auto transparent = static_cast<std::uint32_t>(
      find_nearest(index, WorkColor{0.0, 0.0, kNeutralA, kNeutralB}).index);

  // Numbered colours are searched once each; the search is exact, so every
  // pixel gets the match a search of its own would give.
  std::vector<NearestMatch> matches;
  if (image.ids) {
    matches.resize(image.colour_count);
    tamble::tabulate(dev, matches.data(), image.colour_count, [&](std::size_t c) {
      const WorkColor& colour = image.pixels[c];
      return colour.alpha < kAlmostTransparent ? NearestMatch{0.0, -1}
                                               : find_nearest(index, colour);
    });
  }
  // Error blocks double as remap blocks, so the sum is taken in the same
  // pixel order as ever and needs no per-pixel record.
  ErrorSum total = tamble::blocked_reduce(
      dev, pixels, kErrorBlock, ErrorSum{},
      [&](std::size_t lo, std::size_t hi) {
        return image.ids ? remap_numbered_block(image, matches.data(), transparent, lo, hi, output)
                         : remap_block(index, image, transparent, lo, hi, output);
      },
      add_errors);
  kmeans_step(dev, image, output, pixels, palette);
  return total.sum / static_cast<double>(total.count > 0 ? total.count : 1);
}
