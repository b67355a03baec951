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
#include <memory>
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

// The same stream built while its input is still being produced: each piece
// whose input is final goes to the pool's idle worker at once
// (tamble/background_task.h). Pieces and levels are deflate_in_pieces', so
// are the bytes. Used from one thread.
class PieceDeflate {
 public:
  // `early` reads the input as it becomes final, until release().
  PieceDeflate(std::size_t size, DeflateSource early, CompressionEffort effort,
               std::size_t piece_bytes = 0);
  ~PieceDeflate();
  PieceDeflate(const PieceDeflate&) = delete;
  PieceDeflate& operator=(const PieceDeflate&) = delete;

  std::size_t size() const { return size_; }
  CompressionEffort effort() const { return effort_; }
  // Input bytes [0, ready) are final.
  void input_ready(std::size_t ready);
  // Returns once `early` is read no more. With all input final every piece
  // is compressed by then, on all threads; otherwise the pieces not yet taken
  // are left for finish().
  void release();
  // Compresses what is left from `source` and replaces `stream` with the result.
  IoStatus finish(const DeflateSource& source, std::vector<std::uint8_t>& stream);

 private:
  struct Piece;
  std::size_t size_;
  DeflateSource early_;
  CompressionEffort effort_;
  DeflatePlan plan_;
  std::size_t ready_ = 0;
  std::size_t offered_ = 0;  // pieces handed to the worker so far
  std::vector<Piece> pieces_;
};

IoStatus deflate_in_pieces(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& stream,
                           CompressionEffort effort = CompressionEffort::kDefault,
                           std::size_t piece_bytes = 0);
