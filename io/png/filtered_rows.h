#pragma once
// The bytes a PNG's image data stream holds: per row a filter byte 0 (none),
// then the row's samples (indices packed to the bit depth, or RGBA bytes).
#include <cstddef>
#include <cstdint>

struct FilteredRows {
  const std::uint8_t* const* rows;
  std::uint32_t width;
  std::uint32_t depth;  // 1, 2 or 4: indices to pack; 8: rows copied as they are
  std::size_t stride;   // stored bytes per row, filter byte excluded
  std::size_t row_count;

  std::size_t size() const { return (stride + 1) * row_count; }
  // Stream bytes [begin, end) to dest.
  void copy(std::size_t begin, std::size_t end, std::uint8_t* dest) const;
};
