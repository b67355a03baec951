#include "engine/colour/working_image.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "engine/colour/colour_tally.h"
#include "engine/colour/gamma_table.h"
#include "engine/colour/pixel_word.h"
#include "engine/colour/key_table.h"
#include "engine/required_array.h"
#include "tamble/algorithms.h"
#include "tamble/participant_chunks.h"

namespace {

// Same steps as to_work_color, with the power taken from the table.
inline WorkColor convert_pixel(std::uint32_t word, const GammaTable& table) {
  double alpha = (word >> 24) / 255.0;
  return linear_to_work_color(alpha, table.linear[word & 255] * alpha,
                              table.linear[(word >> 8) & 255] * alpha,
                              table.linear[(word >> 16) & 255] * alpha);
}

// Images repeat colours nearby (flat areas, gradients, limited palettes), so
// each block of pixels remembers recent conversions in a direct-mapped table
// (74 KB, filled once per block, so blocks are large). The conversion is a
// pure function of the pixel, so hits give the same bits as converting
// again, whatever the block boundaries.
constexpr std::size_t kBlockPixels = 65536;
constexpr unsigned kCacheBits = 11;

struct ConversionCache {
  explicit ConversionCache(const GammaTable& t) : table(t) {
    WorkColor zero = convert_pixel(0, table);
    for (std::size_t i = 0; i < (std::size_t{1} << kCacheBits); ++i) {
      words[i] = 0;
      colors[i] = zero;
    }
  }
  WorkColor get(std::uint32_t word) {
    std::uint32_t slot = (word * 0x9E3779B1u) >> (32 - kCacheBits);
    if (words[slot] != word) {
      words[slot] = word;
      colors[slot] = convert_pixel(word, table);
    }
    return colors[slot];
  }
  const GammaTable& table;
  std::uint32_t words[std::size_t{1} << kCacheBits];
  WorkColor colors[std::size_t{1} << kCacheBits];
};

void convert_block(const std::uint8_t* pixels, std::size_t count, const GammaTable& table,
                   WorkColor* out) {
  ConversionCache cache(table);
  for (std::size_t i = 0; i < count; ++i) out[i] = cache.get(pixel_word(pixels + 4 * i));
}

}  // namespace

void convert_working_image(tamble::device* dev, const std::uint8_t* pixels,
                           std::size_t pixel_count, double gamma, WorkColor* out) {
  const GammaTable table(gamma);
  const std::size_t blocks = (pixel_count + kBlockPixels - 1) / kBlockPixels;
  auto convert = [&](std::size_t block) {
    std::size_t first = block * kBlockPixels;
    std::size_t count = pixel_count - first < kBlockPixels ? pixel_count - first : kBlockPixels;
    convert_block(pixels + 4 * first, count, table, out + first);
  };
  if (pixel_count >= (std::size_t{1} << 31)) {
    for (std::size_t b = 0; b < blocks; ++b) convert(b);
    return;
  }
  // Blocks are coarse, so a handful of them already uses the pool.
  std::size_t serial_below = pixel_count < tamble::kSerialBelow ? blocks + 1 : 2;
  tamble::for_each_index(dev, blocks, convert, serial_below);
}

namespace {

// One participant's pixel range: its colours in the order it met them, and
// each pixel's number among them written to ids.
struct RangeColours {
  KeyTable<std::uint32_t> table;
  std::vector<std::uint32_t> words;
};

// What the ranges may meet before the image surely has more than max_colors
// colours: any one range more than max_colors, or all of them together more
// than `parts` times as many (each colour counts at most once per range).
struct ColourBudget {
  std::size_t max_colors;
  std::size_t all_ranges;
  bool guess_early;  // max_colors is below 7/8 of the pixels
  std::atomic<std::size_t> met{0};
  std::atomic<bool> over{false};
};

// A new colour that breaks the budget sets `full`.
std::uint32_t number_of(RangeColours& range, std::uint32_t word, ColourBudget& budget, bool& full) {
  bool added = false;
  std::uint32_t& number = range.table.value_of(word, added);
  if (added) {
    if (range.words.size() >= budget.max_colors ||
        budget.met.fetch_add(1, std::memory_order_relaxed) >= budget.all_ranges ||
        budget.over.load(std::memory_order_relaxed))
      full = true;
    number = static_cast<std::uint32_t>(range.words.size());
    range.words.push_back(word);
  }
  return number;
}

// Nearby pixels share few colours, so recent numbers sit in a direct-mapped
// table in front of the range's hash table, large enough to still hold the
// colours of the row above (64 KB, on the heap to spare small stacks).
constexpr unsigned kRecentBits = 13;

// An image whose colours come nearly one per pixel will not fit a budget of
// well under one per pixel: a range that has met more than 7 colours in 8
// pixels gives up at each 65536th colour. A wrong guess costs only the
// numbered form, never a different result.
constexpr std::size_t kGuessEvery = 65536;
bool too_dense(const ColourBudget& budget, std::size_t colours, std::size_t pixels_seen) {
  return budget.guess_early && colours % kGuessEvery == 0 && colours * 8 > pixels_seen * 7;
}

// False when the budget broke, here or in another range.
bool number_range(const std::uint8_t* pixels, std::size_t lo, std::size_t hi,
                  ColourBudget& budget, RangeColours& range, std::uint32_t* ids) {
  if (lo >= hi) return true;
  bool full = false;
  // Every slot starts with a true pair: the first pixel's colour and number.
  const std::uint32_t first = pixel_word(pixels + 4 * lo);
  const std::uint32_t first_id = number_of(range, first, budget, full);
  std::vector<std::uint32_t> recent_words(std::size_t{1} << kRecentBits, first);
  std::vector<std::uint32_t> recent_ids(std::size_t{1} << kRecentBits, first_id);
  for (std::size_t i = lo; i < hi; ++i) {
    const std::uint32_t word = pixel_word(pixels + 4 * i);
    const std::uint32_t slot = (word * 0x9E3779B1u) >> (32 - kRecentBits);
    if (recent_words[slot] != word) {
      recent_words[slot] = word;
      recent_ids[slot] = number_of(range, word, budget, full);
      if (full || too_dense(budget, range.words.size(), i + 1 - lo)) return false;
    }
    ids[i] = recent_ids[slot];
  }
  return !full;
}

}  // namespace

bool number_colours(tamble::device* dev, const std::uint8_t* pixels, std::size_t pixel_count,
                    double gamma, std::size_t max_colors, NumberedColours& out) {
  out = NumberedColours{};
  const unsigned parts = tally_partitions();
  // Each range numbers its colours with one hash lookup per pixel (fewer
  // where neighbours repeat); the ranges' tables are merged afterwards.
  tamble::array<std::uint32_t> ids = required_array<std::uint32_t>(dev, pixel_count);
  std::vector<RangeColours> ranges(parts);
  ColourBudget budget{max_colors, max_colors * parts, max_colors < pixel_count / 8 * 7};
  tamble::detail::for_each_participant_chunk(
      pixel_count, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
        if (!number_range(pixels, lo, hi, budget, ranges[c], ids.data()))
          budget.over.store(true, std::memory_order_relaxed);
      });
  if (budget.over.load()) return false;

  // The first range's numbers stand; later ranges add the colours it lacks
  // and renumber their pixels.
  KeyTable<std::uint32_t>& all = ranges[0].table;
  std::vector<std::uint32_t>& words = ranges[0].words;
  std::vector<std::vector<std::uint32_t>> renumber(parts);
  for (unsigned c = 1; c < parts; ++c) {
    renumber[c].resize(ranges[c].words.size());
    for (std::size_t j = 0; j < ranges[c].words.size(); ++j) {
      bool added = false;
      std::uint32_t& number = all.value_of(ranges[c].words[j], added);
      if (added) {
        if (words.size() >= max_colors) return false;
        number = static_cast<std::uint32_t>(words.size());
        words.push_back(ranges[c].words[j]);
      }
      renumber[c][j] = number;
    }
    ranges[c] = RangeColours{};
  }
  std::uint32_t* id = ids.data();
  const std::size_t first_later = tamble::detail::chunk_begin(pixel_count, parts, 1);
  const std::size_t blocks = (pixel_count - first_later + kBlockPixels - 1) / kBlockPixels;
  tamble::for_each_index(
      dev, blocks,
      [&](std::size_t block) {
        std::size_t begin = first_later + block * kBlockPixels;
        const std::size_t end = std::min(pixel_count, begin + kBlockPixels);
        // A block may span two ranges.
        while (begin < end) {
          unsigned c = 1;
          while (tamble::detail::chunk_begin(pixel_count, parts, c + 1) <= begin) ++c;
          const std::size_t stop = std::min(end, tamble::detail::chunk_begin(pixel_count, parts, c + 1));
          const std::uint32_t* to = renumber[c].data();
          for (std::size_t i = begin; i < stop; ++i) id[i] = to[id[i]];
          begin = stop;
        }
      },
      2);

  out.colors = required_array<WorkColor>(dev, words.size());
  out.words = required_array<std::uint32_t>(dev, words.size());
  const GammaTable table(gamma);
  tamble::tabulate(dev, out.colors.data(), words.size(),
                   [&](std::size_t k) { return convert_pixel(words[k], table); });
  std::copy(words.begin(), words.end(), out.words.data());
  out.ids = std::move(ids);
  return true;
}
