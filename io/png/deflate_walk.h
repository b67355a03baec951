#pragma once
// Walks a raw deflate stream block by block without inflating it: block
// headers, code lengths, symbols and extra bits are decoded, nothing is
// copied and no window is kept, so it runs many times faster than inflating.
#include <cstddef>
#include <cstdint>

struct DeflateEnds {
  std::size_t final_header = 0;  // bit offset of the final block's header
  std::size_t end = 0;           // bit offset just after the final block's data
};

// False unless `data` holds exactly one valid stream, with no bytes after the
// final block but its padding, that inflates to exactly `length` bytes. The
// checks are zlib's: codes, lengths, symbols, distances back into the output.
bool walk_deflate_blocks(const std::uint8_t* data, std::size_t size, std::size_t length,
                         DeflateEnds& ends);
