#include "app/document/distinct_colours.h"

#include <vector>

std::uint32_t count_distinct_colours(const std::uint8_t* rgba, std::size_t pixel_count) {
  // One bit per possible colour: 2 MiB, cheaper than any hash set for photos.
  std::vector<std::uint64_t> seen((std::size_t{1} << 24) / 64, 0);
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < pixel_count; ++i) {
    const std::uint8_t* p = rgba + 4 * i;
    std::uint32_t key = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    std::uint64_t bit = std::uint64_t{1} << (key & 63);
    std::uint64_t& word = seen[key >> 6];
    if (word & bit) continue;
    word |= bit;
    if (++count > kDistinctColoursCounted) break;
  }
  return count;
}
