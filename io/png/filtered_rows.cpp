#include "io/png/filtered_rows.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/png/png_rows.h"

void FilteredRows::copy(std::size_t begin, std::size_t end, std::uint8_t* dest) const {
  std::size_t line = stride + 1;
  std::vector<std::uint8_t> packed;
  while (begin < end) {
    std::size_t y = begin / line;
    std::size_t x = begin % line;
    if (x == 0) {
      *dest++ = 0;
      ++begin;
      continue;
    }
    std::size_t take = std::min(line - x, end - begin);
    const std::uint8_t* bytes = rows[y];
    if (depth < 8) {
      packed.resize(stride);
      pack_index_row(rows[y], width, depth, packed.data());
      bytes = packed.data();
    }
    std::memcpy(dest, bytes + (x - 1), take);
    dest += take;
    begin += take;
  }
}
