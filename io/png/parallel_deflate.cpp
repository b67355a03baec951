#include "io/png/parallel_deflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "io/png/deflate_walk.h"
#include "tamble/algorithms.h"
#include "tamble/background_task.h"
#include "tamble/runtime.h"

namespace {

// The near-optimal parser: about a tenth smaller than the lazy levels on
// quantized images, at three to four times their time.
constexpr int kStrongestLevel = 12;
// The default above kOnePieceBytes: lazy matching, about as small as zlib's
// level 9 on quantized photos at a tenth of its time (level 8 and 9 take two
// to four times as long here and come out no smaller).
constexpr int kFastLevel = 7;
// Inputs up to this length take one piece, and by default the strongest
// parser: it costs only milliseconds there.
constexpr std::size_t kOnePieceBytes = std::size_t{1} << 20;
// Longer inputs split into a multiple of this many pieces of equal length, so
// two or four workers finish together.
constexpr std::size_t kPieceGroup = 4;
// The longest piece a caller may ask for.
constexpr std::size_t kLongestPiece = std::size_t{1} << 30;

struct PieceBytes {
  std::vector<std::uint8_t> bytes;  // raw deflate data
  std::uint32_t adler = 1;
  std::size_t length = 0;           // input bytes covered
  IoStatus result = IoCode::kCodecFailed;
};

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// Makes a complete raw deflate stream continuable: its final block becomes an
// ordinary one, followed by an empty stored block ending on a byte boundary.
bool make_continuable(std::vector<std::uint8_t>& raw, std::size_t length) {
  DeflateEnds ends;
  if (!walk_deflate_blocks(raw.data(), raw.size(), length, ends)) return false;
  const std::size_t final_header = ends.final_header, end = ends.end;
  raw[final_header / 8] &= static_cast<std::uint8_t>(~(1u << (final_header % 8)));
  // Header bits 0 (not final) and 00 (stored), then padding: all zero bits.
  std::size_t aligned = (end + 3 + 7) / 8;
  raw.resize(aligned, 0);
  if (end % 8 != 0) raw[end / 8] &= static_cast<std::uint8_t>((1u << (end % 8)) - 1);
  for (std::size_t byte = (end + 7) / 8; byte < aligned; ++byte) raw[byte] = 0;
  raw.insert(raw.end(), {0x00, 0x00, 0xFF, 0xFF});  // LEN 0, NLEN
  return true;
}

IoStatus compress_piece(const std::uint8_t* input, std::size_t length, int level, bool last,
                        std::vector<std::uint8_t>& out) {
  std::unique_ptr<libdeflate_compressor, CompressorFree> compressor(
      libdeflate_alloc_compressor(level));
  if (!compressor) return IoCode::kEncoderNoMemory;
  out.resize(libdeflate_deflate_compress_bound(compressor.get(), length) + 8);
  std::size_t produced =
      libdeflate_deflate_compress(compressor.get(), input, length, out.data(), out.size());
  if (produced == 0) return IoCode::kCodecFailed;
  out.resize(produced);
  if (!last && !make_continuable(out, length)) return IoCode::kCodecFailed;
  out.shrink_to_fit();
  return IoCode::kOk;
}

void run_piece(const DeflateSource& source, std::size_t size, const DeflatePlan& plan,
               std::size_t index, PieceBytes& piece) {
  std::size_t begin = index * plan.piece_bytes;
  std::size_t end = std::min(size, begin + plan.piece_bytes);
  piece.length = end - begin;
  try {
    std::vector<std::uint8_t> input(piece.length);
    source(begin, end, input.data());
    piece.adler = libdeflate_adler32(1, input.data(), input.size());
    piece.result = compress_piece(input.data(), input.size(), plan.level, end == size, piece.bytes);
  } catch (const std::bad_alloc&) {
    piece.result = IoCode::kEncoderNoMemory;
  }
}

void append_big_endian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

DeflatePlan plan_deflate(std::size_t size, CompressionEffort effort) {
  if (size <= kOnePieceBytes) return {kStrongestLevel, std::max<std::size_t>(size, 1)};
  std::size_t count = (size + kOnePieceBytes - 1) / kOnePieceBytes;
  count = (count + kPieceGroup - 1) / kPieceGroup * kPieceGroup;
  int level = effort == CompressionEffort::kSmallest ? kStrongestLevel : kFastLevel;
  return {level, (size + count - 1) / count};
}

struct PieceDeflate::Piece : PieceBytes {
  std::unique_ptr<tamble::background_task> task;  // while offered to the worker
  bool done = false;
};

PieceDeflate::PieceDeflate(std::size_t size, DeflateSource early, CompressionEffort effort,
                           std::size_t piece_bytes)
    : size_(size), early_(std::move(early)), effort_(effort), plan_(plan_deflate(size, effort)) {
  if (piece_bytes != 0) plan_.piece_bytes = std::min(piece_bytes, kLongestPiece);
  pieces_.resize(size == 0 ? 1 : (size + plan_.piece_bytes - 1) / plan_.piece_bytes);
}

PieceDeflate::~PieceDeflate() { release(); }

void PieceDeflate::input_ready(std::size_t ready) {
  if (!early_) return;
  ready_ = std::min(std::max(ready_, ready), size_);
  for (; offered_ < pieces_.size(); ++offered_) {
    const std::size_t end = std::min(size_, (offered_ + 1) * plan_.piece_bytes);
    if (end > ready_) break;
    Piece& piece = pieces_[offered_];
    piece.task = std::make_unique<tamble::background_task>(
        [this, &piece, i = offered_] { run_piece(early_, size_, plan_, i, piece); });
    piece.task->start();
  }
}

void PieceDeflate::release() {
  if (ready_ == size_ && offered_ > 0) {
    // Everything is final: the worker and this thread finish the pieces
    // together, from the back, since the worker's queue runs from the front:
    // the piece it is on comes last, when it is most likely done.
    tamble::parallel_dynamic(offered_, [this](std::size_t i, unsigned) {
      Piece& piece = pieces_[offered_ - 1 - i];
      if (piece.task) piece.task->finish();
    });
  }
  for (std::size_t i = 0; i < offered_; ++i) {
    Piece& piece = pieces_[i];
    if (!piece.task) continue;
    piece.done = piece.task->withdraw();
    piece.task.reset();
  }
}

IoStatus PieceDeflate::finish(const DeflateSource& source, std::vector<std::uint8_t>& stream) {
  release();
  // The writer may run before anything else has set up the pool.
  if (pieces_.size() > 1) tamble::configure_runtime(0);
  tamble::parallel_dynamic(pieces_.size(), [&](std::size_t i, unsigned) {
    if (!pieces_[i].done) run_piece(source, size_, plan_, i, pieces_[i]);
  });

  std::size_t total = 2 + 4;
  for (const Piece& piece : pieces_) {
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
  for (const Piece& piece : pieces_) {
    stream.insert(stream.end(), piece.bytes.begin(), piece.bytes.end());
    adler = static_cast<std::uint32_t>(
        adler32_combine(adler, piece.adler, static_cast<z_off_t>(piece.length)));
  }
  append_big_endian(stream, adler);
  return IoCode::kOk;
}

IoStatus deflate_in_pieces(std::size_t size, const DeflateSource& source,
                           std::vector<std::uint8_t>& stream, CompressionEffort effort,
                           std::size_t piece_bytes) {
  try {
    PieceDeflate deflate(size, nullptr, effort, piece_bytes);
    return deflate.finish(source, stream);
  } catch (const std::bad_alloc&) {
    return IoCode::kEncoderNoMemory;
  }
}

IoStatus deflate_in_pieces(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& stream, CompressionEffort effort,
                           std::size_t piece_bytes) {
  return deflate_in_pieces(
      size,
      [data](std::size_t begin, std::size_t end, std::uint8_t* dest) {
        if (end > begin) std::memcpy(dest, data + begin, end - begin);
      },
      stream, effort, piece_bytes);
}
