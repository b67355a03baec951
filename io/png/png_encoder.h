#pragma once
// The PNG encoder behind every writer in io/png_write.h: palette and RGBA
// images whose data is compressed in pieces on the worker pool, without row
// filtering, identical bytes for any thread count. The writers check rows,
// palette and sizes first; the encoder refuses an index past the palette and
// a size the format cannot hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "io/io_status.h"
#include "io/png/parallel_deflate.h"

// piece_bytes: 0 for the compressor's own piece length; other values only to
// exercise piece boundaries in tests. `started`: the image data begun while
// the rows were made, for these rows at this bit depth (EarlyIndexedRows).
IoStatus encode_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                            double gamma, const std::uint8_t* const* index_rows,
                            const std::uint8_t* palette, std::uint32_t palette_size,
                            CompressionEffort effort = CompressionEffort::kDefault,
                            std::size_t piece_bytes = 0, PieceDeflate* started = nullptr);
IoStatus encode_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                         double gamma, const std::uint8_t* const* rgba_rows,
                         CompressionEffort effort = CompressionEffort::kDefault,
                         std::size_t piece_bytes = 0);
