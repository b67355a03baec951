#pragma once
// One zlib stream (level 9, 32 KiB window) compressed in independent pieces on
// the worker pool. Each piece is a raw deflate primed with the 32 KiB before it
// and ended on a byte boundary, so the pieces simply concatenate; the piece
// length is fixed, so the bytes never depend on the thread count.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "io/io_status.h"

inline constexpr std::size_t kDeflatePieceBytes = 128 * 1024;

// Copies bytes [begin, end) of the input to dest; called from pool threads.
using DeflateSource = std::function<void(std::size_t begin, std::size_t end, std::uint8_t* dest)>;

// Replaces `stream` with the zlib stream of the `size` input bytes. An input of
// one piece gives exactly zlib's own single-call result for these settings.
// Fails with kEncoderNoMemory or kCodecFailed.
IoStatus deflate_in_pieces(std::size_t size, const DeflateSource& source,
                           std::vector<std::uint8_t>& stream,
                           std::size_t piece_bytes = kDeflatePieceBytes);

IoStatus deflate_in_pieces(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& stream,
                           std::size_t piece_bytes = kDeflatePieceBytes);
