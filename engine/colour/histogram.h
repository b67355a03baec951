#pragma once
// The distinct colours of an image with their accumulated weights.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/colour/work_color.h"
#include "tamble/array.h"
#include "tamble/device.h"

struct HistogramItem {
  WorkColor color;       // premultiplied linear RGB until converted to the working space
  double cut_weight;     // weight median cut uses; rewritten by the cut and re-weighting
  double pixel_weight;   // accumulated pixel weight; never changed after building
  double split_weight;   // scratch of a median-cut split
  std::uint32_t sort_key;      // split key (low half of the shared 8 bytes)
  std::uint32_t source_index;  // position in the histogram as built
  double weight_root;    // sqrt(1 + cut_weight) - 1
};
static_assert(sizeof(HistogramItem) == 72, "nine 8-byte fields");

struct Histogram {
  tamble::array<HistogramItem> items;
  double total_weight = 0.0;
  std::uint32_t count = 0;
  // Item colours already in the working space (else premultiplied linear RGB).
  bool work_colors = false;
  // Built lazily by the first k-means iteration, indexed by source_index.
  std::vector<WorkColor> lookup_colors;
  std::vector<double> lookup_weights;
};

// Distinct colours of the RGBA pixels, or nullptr when there are more than
// max_colors of them. importance may be null (every pixel weighs 1).
// Items are in ascending key order (R in the key's low byte, A in its high
// byte; 0 for every fully transparent pixel). A refused allocation throws
// std::bad_alloc, so it is never mistaken for too many colours.
std::unique_ptr<Histogram> build_histogram(tamble::device* dev, const std::uint8_t* pixels,
                                           std::size_t pixel_count, double gamma,
                                           std::uint32_t max_colors, unsigned posterize_bits,
                                           const double* importance);

// The same histogram, bit for bit, of an image given as each pixel's colour
// number (`ids`) and each colour's RGBA word (`words`, colour_count of them).
// With the colours' working colours (`colours`, may be null) and no
// posterization, the items take those and come out already converted.
std::unique_ptr<Histogram> build_histogram_numbered(tamble::device* dev, const std::uint32_t* ids,
                                                    std::size_t pixel_count,
                                                    const std::uint32_t* words,
                                                    std::size_t colour_count, double gamma,
                                                    std::uint32_t max_colors,
                                                    unsigned posterize_bits,
                                                    const double* importance,
                                                    const WorkColor* colours = nullptr);

// build_histogram_numbered in steps, for weights that come a range of
// pixels at a time, in pixel order (a noise map made in chunks of rows).
// The result is the same bit for bit.
class NumberedHistogramBuild {
 public:
  NumberedHistogramBuild(tamble::device* dev, const std::uint32_t* ids,
                         const std::uint32_t* words, std::size_t colour_count, double gamma,
                         std::uint32_t max_colors, unsigned posterize_bits,
                         const WorkColor* colours = nullptr);
  // False when there are more than max_colors keys: nothing more to do.
  bool fits() const { return fits_; }
  // The weights of pixels [first, first + count), importance[i] pixel
  // first + i's (null: every pixel weighs 1). Ranges come in order, once.
  void add(const double* importance, std::size_t first, std::size_t count);
  std::unique_ptr<Histogram> finish();

 private:
  tamble::device* dev_;
  const std::uint32_t* ids_;
  double gamma_;
  const WorkColor* colours_;
  std::vector<std::uint32_t> key_of_colour_;
  std::size_t distinct_ = 0;
  tamble::array<std::uint32_t> distinct_keys_;
  std::vector<std::uint32_t> colour_of_key_;
  tamble::array<double> sums_;
  bool fits_ = false;
};

// Converts every item's colour from premultiplied linear RGB to the working
// space, unless it is there already.
void histogram_to_work_colors(tamble::device* dev, Histogram& hist);

// Puts the items back in the order they were built and clears what median cut
// and re-weighting wrote into them, so a further palette search starts where
// the first one did.
void restore_build_order(tamble::device* dev, Histogram& hist);
