#pragma once
// For every palette entry, its closest other entries: the candidates a
// dithered pixel may move to instead of its nearest entry.
#include <cstdint>
#include <vector>

#include "engine/palette/palette.h"

inline constexpr std::uint32_t kMaxNeighbours = 4;

struct NeighbourLists {
  std::uint32_t length = 0;             // min(N - 1, 4); 0 for fewer than two entries
  std::vector<std::uint32_t> entries;   // N lists of `length` palette indices, back to back

  const std::uint32_t* of(std::uint32_t entry) const {
    return entries.data() + static_cast<std::size_t>(entry) * length;
  }
};

// Each list holds the other entries with the smallest colour difference to its
// entry under `metric`, ascending; equal differences keep the smaller index first.
NeighbourLists build_neighbour_lists(const Palette& palette, const ColorMetric& metric);
