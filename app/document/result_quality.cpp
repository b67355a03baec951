#include "app/document/result_quality.h"

#include <array>
#include <cmath>

namespace {

// A channel value over white, 0..1, for every (alpha, channel) pair.
const std::array<double, 256 * 256>& over_white_table() {
  static const std::array<double, 256 * 256> table = [] {
    std::array<double, 256 * 256> values{};
    for (int a = 0; a < 256; ++a)
      for (int c = 0; c < 256; ++c)
        values[a * 256 + c] = c / 255.0 * (a / 255.0) + (1.0 - a / 255.0);
    return values;
  }();
  return table;
}

}  // namespace

ResultQuality measure_quality(const std::uint8_t* source, const std::uint8_t* result,
                              std::size_t pixel_count) {
  const auto& over_white = over_white_table();
  double sum = 0.0;
  for (std::size_t i = 0; i < pixel_count; ++i) {
    const std::uint8_t* s = source + 4 * i;
    const std::uint8_t* r = result + 4 * i;
    const double* s_row = &over_white[s[3] * 256];
    const double* r_row = &over_white[r[3] * 256];
    for (int c = 0; c < 3; ++c) {
      double d = s_row[s[c]] - r_row[r[c]];
      sum += d * d;
    }
  }
  ResultQuality quality;
  if (pixel_count == 0) return quality;
  double mse = sum / (static_cast<double>(pixel_count) * 3.0);
  quality.rmse = std::sqrt(mse);
  quality.psnr = mse > 0.0 ? 10.0 * std::log10(1.0 / mse) : kIdenticalPsnr;
  return quality;
}
