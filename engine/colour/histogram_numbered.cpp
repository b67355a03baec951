// The histogram of an image given as numbered colours: each colour's key
// once, then passes over the pixels' numbers summing each key's weights in
// pixel order, so the sums are the ones build_histogram gives.
#include <algorithm>
#include <vector>

#include "engine/colour/colour_tally.h"
#include "engine/colour/histogram.h"
#include "engine/colour/histogram_keys.h"
#include "engine/required_array.h"
#include "tamble/algorithms.h"

namespace {

// Each participant sums the keys of one range over every pixel. A run of
// pixels of one colour is summed in a register, in the same order.
template <class WeightOf>
void sum_by_key(tamble::device* dev, const std::uint32_t* ids, std::size_t pixel_count,
                const std::uint32_t* key_of_colour, std::size_t distinct, WeightOf weight_of,
                double* sums) {
  const unsigned parts = tally_partitions();
  tamble::for_each_index(
      dev, parts,
      [=](std::size_t p) {
        const std::uint32_t lo = static_cast<std::uint32_t>(distinct * p / parts);
        const std::uint32_t hi = static_cast<std::uint32_t>(distinct * (p + 1) / parts);
        for (std::size_t i = 0; i < pixel_count;) {
          const std::uint32_t id = ids[i];
          const std::uint32_t k = key_of_colour[id];
          if (k < lo || k >= hi) {
            ++i;
            continue;
          }
          double sum = sums[k];
          do {
            sum += weight_of(i);
          } while (++i < pixel_count && ids[i] == id);
          sums[k] = sum;
        }
      },
      2);
}

}  // namespace

NumberedHistogramBuild::NumberedHistogramBuild(tamble::device* dev, const std::uint32_t* ids,
                                               const std::uint32_t* words,
                                               std::size_t colour_count, double gamma,
                                               std::uint32_t max_colors,
                                               unsigned posterize_bits, const WorkColor* colours)
    : dev_(dev), ids_(ids), gamma_(gamma), colours_(colours) {
  const KeyMask mask(posterize_bits < 8 ? posterize_bits : 8);
  // Colours in key order; the colour number rides along as a value.
  tamble::array<std::uint32_t> keys = required_array<std::uint32_t>(dev, colour_count);
  tamble::array<double> numbers = required_array<double>(dev, colour_count);
  tamble::tabulate(dev, keys.data(), colour_count, [&](std::size_t c) { return mask.key(words[c]); });
  tamble::tabulate(dev, numbers.data(), colour_count,
                   [](std::size_t c) { return static_cast<double>(c); });
  tamble::sort_by_key(keys.data(), numbers.data(), colour_count);

  // Each colour's position among the distinct keys.
  key_of_colour_.resize(colour_count);
  std::size_t distinct = 0;
  for (std::size_t j = 0; j < colour_count; ++j) {
    if (j > 0 && keys.data()[j] != keys.data()[j - 1]) ++distinct;
    key_of_colour_[static_cast<std::size_t>(numbers.data()[j])] = static_cast<std::uint32_t>(distinct);
  }
  if (colour_count > 0) ++distinct;
  distinct_ = distinct;
  if (distinct > max_colors) return;
  // Each key with one colour of it: an unposterized key is its colour's word,
  // or 0 for every transparent colour, and those all convert to the same bits.
  distinct_keys_ = required_array<std::uint32_t>(dev, distinct);
  colour_of_key_.resize(colours && posterize_bits == 0 ? distinct : 0);
  for (std::size_t j = 0; j < colour_count; ++j) {
    const auto c = static_cast<std::size_t>(numbers.data()[j]);
    distinct_keys_.data()[key_of_colour_[c]] = keys.data()[j];
    if (!colour_of_key_.empty()) colour_of_key_[key_of_colour_[c]] = static_cast<std::uint32_t>(c);
  }
  keys.release();
  numbers.release();
  // 0 + w is w exactly, so a zero start sums as a run that starts with its first weight.
  sums_ = required_array<double>(dev, distinct);
  std::fill(sums_.data(), sums_.data() + distinct, 0.0);
  fits_ = true;
}

void NumberedHistogramBuild::add(const double* importance, std::size_t first, std::size_t count) {
  // Each key's sum goes on where the range before left it, in pixel order.
  const std::uint32_t* ids = ids_ + first;
  if (importance)
    sum_by_key(dev_, ids, count, key_of_colour_.data(), distinct_,
               [importance](std::size_t i) { return importance[i] + 0.5; }, sums_.data());
  else
    sum_by_key(dev_, ids, count, key_of_colour_.data(), distinct_,
               [](std::size_t) { return 1.0; }, sums_.data());
}

std::unique_ptr<Histogram> NumberedHistogramBuild::finish() {
  std::unique_ptr<Histogram> hist =
      histogram_of_keys(dev_, distinct_keys_.data(), sums_.data(), distinct_, gamma_);
  if (!colour_of_key_.empty()) {
    HistogramItem* items = hist->items.data();
    tamble::for_each_index(dev_, distinct_,
                           [&](std::size_t k) { items[k].color = colours_[colour_of_key_[k]]; });
    hist->work_colors = true;
  }
  return hist;
}

std::unique_ptr<Histogram> build_histogram_numbered(tamble::device* dev, const std::uint32_t* ids,
                                                    std::size_t pixel_count,
                                                    const std::uint32_t* words,
                                                    std::size_t colour_count, double gamma,
                                                    std::uint32_t max_colors,
                                                    unsigned posterize_bits,
                                                    const double* importance,
                                                    const WorkColor* colours) {
  NumberedHistogramBuild build(dev, ids, words, colour_count, gamma, max_colors,
                               posterize_bits, colours);
  if (!build.fits()) return nullptr;
  build.add(importance, 0, pixel_count);
  return build.finish();
}
