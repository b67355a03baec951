#pragma once
// One zlib stream compressed by libdeflate in independent pieces on the worker
// pool. libdeflate ends every piece with a final block: for all pieces but the
// last that block's final bit is cleared and an empty stored block brings the
// piece to a byte boundary, so the pieces simply concatenate. Piece lengths
// and levels depend only on the input length and the effort, so the bytes
// never depend on the thread count.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "io/compression_effort.h"
#include "io/io_status.h"

struct DeflatePlan {
  int level;                // libdeflate level, 1..12
  std::size_t piece_bytes;  // input bytes per piece (the last may be shorter)
};

// The level and piece length used for `size` input bytes.
DeflatePlan plan_deflate(std::size_t size, CompressionEffort effort);

// Copies bytes [begin, end) of the input to dest; called from pool threads.
using DeflateSource = std::function<void(std::size_t begin, std::size_t end, std::uint8_t* dest)>;

// Replaces `stream` with the zlib stream of the `size` input bytes.
// piece_bytes 0 takes the plan's; other values only to exercise piece
// boundaries in tests.
IoStatus deflate_in_pieces(std::size_t size, const DeflateSource& source,
                           std::vector<std::uint8_t>& stream,
                           CompressionEffort effort = CompressionEffort::kDefault,
                           std::size_t piece_bytes = 0);

IoStatus deflate_in_pieces(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& stream,
                           CompressionEffort effort = CompressionEffort::kDefault,
                           std::size_t piece_bytes = 0);
