#include "engine/colour/histogram.h"

#include "engine/colour/colour_tally.h"
#include "engine/colour/gamma_table.h"
#include "engine/colour/histogram_keys.h"
#include "engine/colour/pixel_word.h"
#include "engine/required_array.h"
#include "tamble/algorithms.h"

namespace {

constexpr std::size_t kWeightBlock = 65536;

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

std::unique_ptr<Histogram> histogram_of_keys(tamble::device* dev, const std::uint32_t* colour_keys,
                                             const double* w, std::size_t distinct, double gamma) {
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
  return histogram_of_keys(dev, tally.keys.data(), tally.weights.data(), tally.count, gamma);
}

void histogram_to_work_colors(tamble::device* dev, Histogram& hist) {
  if (hist.work_colors) return;
  hist.work_colors = true;
  HistogramItem* items = hist.items.data();
  tamble::for_each_index(dev, hist.count, [&](std::size_t i) {
    const WorkColor& c = items[i].color;  // alpha, then premultiplied linear R, G, B
    items[i].color = linear_to_work_color(c.alpha, c.L, c.a, c.b);
  });
}
