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

namespace {

// Same steps as to_work_color, with the power taken from the table.
inline WorkColor convert_pixel(std::uint32_t word, const GammaTable& table) {
  double alpha = (word >> 24) / 255.0;
  return linear_to_work_color(alpha, table.linear[word & 255] * alpha,
                              table.linear[(word >> 8) & 255] * alpha,
                              table.linear[(word >> 16) & 255] * alpha);
}

// Images repeat colours nearby (flat areas, gradients, limited palettes), so
// each block of pixels remembers recent conversions in a small direct-mapped
// table. The conversion is a pure function of the pixel, so hits give the
// same bits as converting again, whatever the block boundaries.
constexpr std::size_t kBlockPixels = 16384;
constexpr unsigned kCacheBits = 9;

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

bool number_colours(tamble::device* dev, const std::uint8_t* pixels, std::size_t pixel_count,
                    double gamma, std::size_t max_colors, NumberedColours& out) {
  out = NumberedColours{};
  const unsigned parts = tally_partitions();
  // Each partition's colours numbered in the order its participant meets them.
  std::vector<KeyTable<std::uint32_t>> tables(parts);
  std::atomic<std::size_t> total{0};
  tamble::for_each_index(
      dev, parts,
      [&](std::size_t p) {
        KeyTable<std::uint32_t>& table = tables[p];
        std::uint32_t last = 0;
        bool seen = false;
        for (std::size_t i = 0; i < pixel_count; ++i) {
          const std::uint32_t word = pixel_word(pixels + 4 * i);
          if (seen && word == last) continue;
          if (key_partition(word, parts) != p) continue;
          bool added = false;
          std::uint32_t& number = table.value_of(word, added);
          if (added) {
            if (total.fetch_add(1, std::memory_order_relaxed) >= max_colors) return;
            number = static_cast<std::uint32_t>(table.size() - 1);
          }
          last = word;
          seen = true;
        }
      },
      2);
  if (total.load() > max_colors) return false;

  // Partition p's colours follow those of the partitions before it.
  std::vector<std::uint32_t> first(parts + 1, 0);
  for (unsigned p = 0; p < parts; ++p)
    first[p + 1] = first[p] + static_cast<std::uint32_t>(tables[p].size());
  out.colors = required_array<WorkColor>(dev, first[parts]);
  out.words = required_array<std::uint32_t>(dev, first[parts]);
  out.ids = required_array<std::uint32_t>(dev, pixel_count);
  const GammaTable table(gamma);
  tamble::for_each_index(
      dev, parts,
      [&](std::size_t p) {
        tables[p].for_each([&](std::uint32_t word, std::uint32_t number) {
          out.colors.data()[first[p] + number] = convert_pixel(word, table);
          out.words.data()[first[p] + number] = word;
        });
      },
      2);
  std::uint32_t* id = out.ids.data();
  const std::size_t blocks = (pixel_count + kBlockPixels - 1) / kBlockPixels;
  tamble::for_each_index(
      dev, blocks,
      [&](std::size_t block) {
        const std::size_t begin = block * kBlockPixels;
        const std::size_t end = std::min(pixel_count, begin + kBlockPixels);
        std::uint32_t last = 0, last_id = 0;
        for (std::size_t i = begin; i < end; ++i) {
          const std::uint32_t word = pixel_word(pixels + 4 * i);
          if (i == begin || word != last) {
            const unsigned p = key_partition(word, parts);
            last_id = first[p] + *tables[p].find(word);
            last = word;
          }
          id[i] = last_id;
        }
      },
      2);
  return true;
}
