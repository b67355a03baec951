#pragma once
// The Difference view's picture.
#include <cstddef>
#include <cstdint>
#include <vector>

// |source - result| x gain per colour channel, at most 255; alpha 255. `out` is
// resized to pixel_count x 4 (its storage is reused).
void difference_rgba(const std::uint8_t* source, const std::uint8_t* result, std::size_t pixel_count,
                     int gain, std::vector<std::uint8_t>& out);
