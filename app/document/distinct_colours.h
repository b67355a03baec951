#pragma once
// Counting the distinct RGB colours of an image, for the status line.
#include <cstddef>
#include <cstdint>

// Counting stops once more than this many are found.
inline constexpr std::uint32_t kDistinctColoursCounted = 1048576;

// Distinct R, G, B triples among `pixel_count` RGBA pixels (alpha ignored);
// at most kDistinctColoursCounted + 1.
std::uint32_t count_distinct_colours(const std::uint8_t* rgba, std::size_t pixel_count);
