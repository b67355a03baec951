#pragma once
// How far a result is from its source, both composited over white so that
// the colour of a transparent pixel does not count.
#include <cstddef>
#include <cstdint>

inline constexpr double kIdenticalPsnr = 99.0;  // shown when nothing differs

struct ResultQuality {
  double rmse = 0.0;  // 0..1 scale
  double psnr = kIdenticalPsnr;  // dB
};

// Over the R, G and B channels of `pixel_count` RGBA pixels of both images.
ResultQuality measure_quality(const std::uint8_t* source, const std::uint8_t* result,
                              std::size_t pixel_count);
