#pragma once
// Indexed and RGBA PNG writing.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "io/compression_effort.h"
#include "io/io_status.h"
#include "io/png/png_rows.h"  // palette_bit_depth, which callers report
#include "io/replacing_file.h"

class PieceDeflate;

// An indexed PNG's image data compressed while its rows are still being
// made: each piece whose rows are final goes to the pool's idle worker.
// Handed to a writer with the same size, palette size and effort, it gives
// the same bytes as writing without it; otherwise the writer ignores it.
class EarlyIndexedRows {
 public:
  EarlyIndexedRows(std::uint32_t width, std::uint32_t height,
                   CompressionEffort effort = CompressionEffort::kDefault);
  ~EarlyIndexedRows();
  EarlyIndexedRows(const EarlyIndexedRows&) = delete;
  EarlyIndexedRows& operator=(const EarlyIndexedRows&) = delete;

  // The rows will be read from `indices`, width x height bytes row after row.
  void begin(const std::uint8_t* indices, std::uint32_t palette_size);
  // Rows [0, done) hold their final indices.
  void rows_final(std::uint32_t done);
  // Returns once nothing reads `indices` any more.
  void release();
  // For the writers: the data begun for this image, or null.
  PieceDeflate* matching(std::uint32_t width, std::uint32_t height, std::uint32_t palette_size,
                         CompressionEffort effort) const;

 private:
  struct Begun;
  std::uint32_t width_, height_;
  CompressionEffort effort_;
  std::unique_ptr<Begun> begun_;
};

// palette: palette_size RGBA entries. A failure leaves any earlier file at
// `path` untouched and no partial file behind; a kCannotWrite carries the
// system's reason.
IoStatus write_indexed_png(const std::string& path, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort = CompressionEffort::kDefault);

// The same into a file already opened (so that a run learns early whether its
// output can be made); commits it on success.
IoStatus write_indexed_png(ReplacingFile& output, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort = CompressionEffort::kDefault,
                           EarlyIndexedRows* early = nullptr);
// The PNG's bytes into an open stream (standard output, say); nothing is committed.
IoStatus write_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort = CompressionEffort::kDefault,
                           EarlyIndexedRows* early = nullptr);

IoStatus write_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                   const std::uint8_t* const* rgba_rows);

// Byte length the indexed PNG would have, or 0 on any failure.
std::uint64_t indexed_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                               const std::uint8_t* const* index_rows,
                               const std::uint8_t* palette, std::uint32_t palette_size);
// The indexed PNG file's bytes, exactly as write_indexed_png would write them; empty on any failure.
std::vector<std::uint8_t> indexed_png_bytes(std::uint32_t width, std::uint32_t height, double gamma,
                                            const std::uint8_t* const* index_rows,
                                            const std::uint8_t* palette, std::uint32_t palette_size);
// Byte length the RGBA PNG would have, or 0 on any failure.
std::uint64_t rgba_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                            const std::uint8_t* const* rgba_rows);
