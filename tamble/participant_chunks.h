#pragma once
// Splits n items into `parts` contiguous chunks and runs body(c, lo, hi) for
// each chunk c on the pool. Chunk c covers the same items whoever runs it, so
// per-chunk tables combined in chunk order give the same answer on any pool.
#include <cstddef>

#include "tamble/algorithms.h"

namespace tamble::detail {

inline std::size_t chunk_begin(std::size_t n, unsigned parts, unsigned c) {
  std::size_t chunk = (n + parts - 1) / parts;
  std::size_t lo = static_cast<std::size_t>(c) * chunk;
  return lo < n ? lo : n;
}

template <class Body>
void for_each_participant_chunk(std::size_t n, unsigned parts, Body body) {
  parallel_dynamic(
      parts,
      [&](std::size_t c, unsigned) {
        unsigned ci = static_cast<unsigned>(c);
        body(ci, chunk_begin(n, parts, ci), chunk_begin(n, parts, ci + 1));
      },
      2);
}

}  // namespace tamble::detail
