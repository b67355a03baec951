#include "io/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "tamble/algorithms.h"
#include "tamble/runtime.h"

namespace {

constexpr int kLevel = 9;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 9;
constexpr std::size_t kWindowBytes = std::size_t{1} << kWindowBits;
// zlib takes at most 4 GiB per call; longer pieces gain nothing anyway.
constexpr std::size_t kLongestPiece = std::size_t{1} << 30;

struct Piece {
  std::vector<std::uint8_t> bytes;  // raw deflate data
  std::uint32_t adler = 1;
  std::size_t length = 0;           // input bytes covered
  IoStatus result = IoCode::kCodecFailed;
};

// Raw deflate of input[dictionary_length, total), primed with the bytes before it.
IoStatus deflate_piece(std::uint8_t* input, std::size_t dictionary_length, std::size_t total,
                            bool last, std::vector<std::uint8_t>& out) {
  z_stream z{};
  int rc = deflateInit2(&z, kLevel, Z_DEFLATED, -kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) return rc == Z_MEM_ERROR ? IoCode::kEncoderNoMemory : IoCode::kCodecFailed;
  if (dictionary_length > 0 &&
      deflateSetDictionary(&z, input, static_cast<uInt>(dictionary_length)) != Z_OK) {
    deflateEnd(&z);
    return IoCode::kCodecFailed;
  }
  std::size_t length = total - dictionary_length;
  // Room for the worst case plus the empty stored block a sync flush adds.
  out.resize(deflateBound(&z, static_cast<uLong>(length)) + 16);
  z.next_in = input + dictionary_length;
  z.avail_in = static_cast<uInt>(length);
  std::size_t produced = 0;
  IoStatus result = IoCode::kOk;
  for (;;) {
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(out.size() - produced);
    rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    produced = out.size() - z.avail_out;
    if (last ? rc == Z_STREAM_END : (rc == Z_OK && z.avail_in == 0 && z.avail_out > 0)) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      result = IoCode::kCodecFailed;
      break;
    }
    out.resize(out.size() * 2);  // not reached with the bound above; kept for safety
  }
  deflateEnd(&z);
  out.resize(produced);
  out.shrink_to_fit();
  return result;
}

void compress_piece(const DeflateSource& source, std::size_t size, std::size_t piece_bytes,
                    std::size_t index, Piece& piece) {
  std::size_t begin = index * piece_bytes;
  std::size_t end = std::min(size, begin + piece_bytes);
  std::size_t dictionary_begin = begin > kWindowBytes ? begin - kWindowBytes : 0;
  piece.length = end - begin;
  try {
    std::vector<std::uint8_t> input(end - dictionary_begin);
    source(dictionary_begin, end, input.data());
    std::size_t dictionary_length = begin - dictionary_begin;
    piece.adler = static_cast<std::uint32_t>(
        adler32(1, input.data() + dictionary_length, static_cast<uInt>(piece.length)));
    piece.result = deflate_piece(input.data(), dictionary_length, input.size(), end == size,
                                 piece.bytes);
  } catch (const std::bad_alloc&) {
    piece.result = IoCode::kEncoderNoMemory;
  }
}

void append_big_endian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

IoStatus deflate_in_pieces(std::size_t size, const DeflateSource& source,
                           std::vector<std::uint8_t>& stream, std::size_t piece_bytes) {
  piece_bytes = std::clamp<std::size_t>(piece_bytes, 1, kLongestPiece);
  std::size_t count = size == 0 ? 1 : (size + piece_bytes - 1) / piece_bytes;
  std::vector<Piece> pieces;
  try {
    pieces.resize(count);
  } catch (const std::bad_alloc&) {
    return IoCode::kEncoderNoMemory;
  }
  // The writer may run before anything else has set up the pool.
  if (count > 1) tamble::configure_runtime(0);
  tamble::parallel_dynamic(count, [&](std::size_t i, unsigned) {
    compress_piece(source, size, piece_bytes, i, pieces[i]);
  });

  std::size_t total = 2 + 4;
  for (const Piece& piece : pieces) {
    if (!piece.result.ok()) return piece.result;
    total += piece.bytes.size();
  }
  try {
    stream.clear();
    stream.reserve(total);
  } catch (const std::bad_alloc&) {
    return IoCode::kEncoderNoMemory;
  }
  // Header of a 32 KiB window at the strongest level, as zlib writes it.
  stream.push_back(0x78);
  stream.push_back(0xDA);
  std::uint32_t adler = 1;
  for (const Piece& piece : pieces) {
    stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
    adler = static_cast<std::uint32_t>(
        adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.length)));
  }
  append_big_endian(stream, adler);
  return IoCode::kOk;
}

IoStatus deflate_in_pieces(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& stream, std::size_t piece_bytes) {
  return deflate_in_pieces(
      size,
      [data](std::size_t begin, std::size_t end, std::uint8_t* dest) {
        if (end > begin) std::memcpy(dest, data + begin, end - begin);
      },
      stream, piece_bytes);
}
