#include "engine/colour/histogram.h"

#include "engine/colour/colour_tally.h"
#include "engine/colour/gamma_table.h"
#include "engine/required_array.h"
#include "tamble/algorithms.h"

namespace {

constexpr std::size_t kWeightBlock = 65536;

// Posterization keeps each byte's top 8 - s bits and repeats its top s bits
// into the cleared low bits, so 255 stays 255 and the range is still spanned.
struct KeyMask {
  explicit KeyMask(unsigned bits) : shift(8 - bits) {
    std::uint32_t keep_byte = (255u >> bits) << bits;
    std::uint32_t top_byte = 255u - (255u >> bits);
    keep = keep_byte * 0x01010101u;
    top = top_byte * 0x01010101u;
  }
  std::uint32_t key(std::uint32_t pixel) const {
    if ((pixel >> 24) == 0) return 0;  // every fully transparent pixel is one colour
    return (pixel & keep) | ((pixel & top) >> shift);
  }
  std::uint32_t keep, top;
  unsigned shift;
};

inline std::uint32_t pixel_word(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

HistogramItem make_item(std::uint32_t key, double weight, std::uint32_t position,
                        const GammaTable& table) {
  double alpha = (key >> 24) / 255.0;
  HistogramItem item{};
  // Premultiplied linear R, G, B in the L, a, b places until converted.
  item.color = WorkColor{alpha, alpha * table.linear[key & 255],
                         alpha * table.linear[(key >> 8) & 255],
                         alpha * table.linear[(key >> 16) & 255]};
  item.cut_weight = weight;
  item.pixel_weight = weight;
  item.split_weight = 0.0;
  item.sort_key = 0;
  item.source_index = position;
  item.weight_root = 0.0;
  return item;
}

}  // namespace

std::unique_ptr<Histogram> build_histogram(tamble::device* dev, const std::uint8_t* pixels,
                                           std::size_t pixel_count, double gamma,
                                           std::uint32_t max_colors, unsigned posterize_bits,
                                           const double* importance) {
  const KeyMask mask(posterize_bits < 8 ? posterize_bits : 8);

  ColourTally tally;
  auto key_of = [&](std::size_t i) { return mask.key(pixel_word(pixels + 4 * i)); };
  const bool fitted =
      importance ? tally_colours(dev, pixel_count, max_colors, key_of,
                                 [&](std::size_t i) { return importance[i] + 0.5; }, tally)
                 : tally_colours(dev, pixel_count, max_colors, key_of,
                                 [](std::size_t) { return 1.0; }, tally);
  if (!fitted) return nullptr;
  const std::size_t distinct = tally.count;
  const std::uint32_t* colour_keys = tally.keys.data();
  const double* w = tally.weights.data();

  auto hist = std::make_unique<Histogram>();
  hist->items = required_array<HistogramItem>(dev, distinct);
  hist->count = static_cast<std::uint32_t>(distinct);
  const GammaTable table(gamma);
  tamble::tabulate(dev, hist->items.data(), distinct, [&](std::size_t i) {
    return make_item(colour_keys[i], w[i], static_cast<std::uint32_t>(i), table);
  });
  hist->total_weight = tamble::blocked_reduce(
      dev, distinct, kWeightBlock, 0.0,
      [&](std::size_t lo, std::size_t hi) {
        double sum = 0.0;
        for (std::size_t i = lo; i < hi; ++i) sum += w[i];
        return sum;
      },
      [](double a, double b) { return a + b; });
  return hist;
}

void histogram_to_work_colors(tamble::device* dev, Histogram& hist) {
  HistogramItem* items = hist.items.data();
  tamble::for_each_index(dev, hist.count, [&](std::size_t i) {
    const WorkColor& c = items[i].color;  // alpha, then premultiplied linear R, G, B
    items[i].color = linear_to_work_color(c.alpha, c.L, c.a, c.b);
  });
}
