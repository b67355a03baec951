#pragma once
// What every way of building a histogram shares: the posterized key of a
// pixel and the histogram made of keys with their summed weights.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/colour/histogram.h"
#include "tamble/device.h"

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

// The histogram of `distinct` ascending keys with their weights.
std::unique_ptr<Histogram> histogram_of_keys(tamble::device* dev, const std::uint32_t* colour_keys,
                                             const double* w, std::size_t distinct, double gamma);
