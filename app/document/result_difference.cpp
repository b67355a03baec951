#include "app/document/result_difference.h"

#include <algorithm>
#include <cstdlib>

void difference_rgba(const std::uint8_t* source, const std::uint8_t* result, std::size_t pixel_count,
                     int gain, std::vector<std::uint8_t>& out) {
  out.resize(pixel_count * 4);
  for (std::size_t i = 0; i < pixel_count * 4; i += 4) {
    for (std::size_t c = 0; c < 3; ++c) {
      int difference = std::abs(int{source[i + c]} - int{result[i + c]}) * gain;
      out[i + c] = static_cast<std::uint8_t>(std::min(difference, 255));
    }
    out[i + 3] = 255;
  }
}
