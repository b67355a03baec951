// libpng writes the signature and the header chunks (IHDR, gAMA, PLTE, tRNS);
// the image data is our own zlib stream, stored as IDAT chunks, then IEND.
//
// libpng reports errors by longjmp; the frames holding the setjmp keep only
// plain C locals, and every buffer is owned by the caller.
#include "io/png/png_encoder.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/colour/default_gamma.h"
#include "io/png/filtered_rows.h"
#include "io/png/parallel_deflate.h"
#include "io/png/png_rows.h"

namespace {

// Longest IDAT chunk; decoders read the data across chunks as one stream.
constexpr std::size_t kIdatBytes = std::size_t{1} << 20;

IoStatus compress_rows(const FilteredRows& filtered, CompressionEffort effort,
                       std::size_t piece_bytes, PieceDeflate* started,
                       std::vector<std::uint8_t>& stream) {
  auto source = [&filtered](std::size_t begin, std::size_t end, std::uint8_t* dest) {
    filtered.copy(begin, end, dest);
  };
  if (started && piece_bytes == 0 && started->size() == filtered.size() &&
      started->effort() == effort) {
    return started->finish(source, stream);
  }
  return deflate_in_pieces(filtered.size(), source, stream, effort, piece_bytes);
}

struct PngSink {
  std::FILE* file;
  bool write_failed;
};

void on_png_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_png_warning(png_structp, png_const_charp) {}

void on_png_write(png_structp png, png_bytep data, std::size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, sink->file) != length) {
    sink->write_failed = true;
    png_error(png, "write failed");
  }
}

void on_png_flush(png_structp png) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  std::fflush(sink->file);
}

// The gAMA chunk is left out when libpng would refuse the value.
void set_gamma(png_structp png, png_infop info, double gamma) {
  if (!(gamma > 0)) gamma = kDefaultGamma;
  double scaled = std::round(gamma * 100000.0);
  if (scaled >= 16 && scaled <= 625000000) {
    png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(scaled));
  }
}

struct PngLayout {
  std::uint32_t width, height;
  int bit_depth, colour_type;
  double gamma;
  const std::uint8_t* palette;  // RGBA entries; palette images only
  std::uint32_t palette_size;
  const std::uint8_t* stream;   // zlib stream of the filtered rows
  std::size_t stream_size;
};

void set_palette(png_structp png, png_infop info, const PngLayout* layout) {
  png_color colours[256];
  png_byte alphas[256];
  for (std::uint32_t i = 0; i < layout->palette_size; ++i) {
    const std::uint8_t* entry = layout->palette + i * 4;
    colours[i] = {entry[0], entry[1], entry[2]};
    alphas[i] = entry[3];
  }
  png_set_PLTE(png, info, colours, static_cast<int>(layout->palette_size));
  std::uint32_t transparent = transparency_count(layout->palette, layout->palette_size);
  if (transparent > 0) png_set_tRNS(png, info, alphas, static_cast<int>(transparent), nullptr);
}

IoStatus run_png_writer(PngSink* sink, const PngLayout* layout) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error,
                                            on_png_warning);
  if (png == nullptr) return IoCode::kEncoderNoMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return IoCode::kEncoderNoMemory;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return sink->write_failed ? IoCode::kCannotWrite : IoCode::kCodecFailed;
  }
  png_set_write_fn(png, sink, on_png_write, on_png_flush);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, layout->width, layout->height, layout->bit_depth, layout->colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  set_gamma(png, info, layout->gamma);
  if (layout->colour_type == PNG_COLOR_TYPE_PALETTE) set_palette(png, info, layout);
  png_write_info(png, info);
  for (std::size_t at = 0; at < layout->stream_size; at += kIdatBytes) {
    std::size_t length = std::min(kIdatBytes, layout->stream_size - at);
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), layout->stream + at, length);
  }
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return IoCode::kOk;
}

IoStatus write_png(std::FILE* file, PngLayout layout, const FilteredRows& filtered,
                   CompressionEffort effort, std::size_t piece_bytes,
                   PieceDeflate* started = nullptr) {
  std::vector<std::uint8_t> stream;
  IoStatus status = compress_rows(filtered, effort, piece_bytes, started, stream);
  if (!status.ok()) return status;
  layout.stream = stream.data();
  layout.stream_size = stream.size();
  PngSink sink{file, false};
  status = run_png_writer(&sink, &layout);
  if (std::fflush(file) != 0 && status.ok()) return IoCode::kCannotWrite;
  return status;
}

}  // namespace

IoStatus encode_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                            double gamma, const std::uint8_t* const* index_rows,
                            const std::uint8_t* palette, std::uint32_t palette_size,
                            CompressionEffort effort, std::size_t piece_bytes,
                            PieceDeflate* started) {
  // Sizes the format cannot hold fail in the codec, before any row is read.
  if (width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX) return IoCode::kCodecFailed;
  // An index past the palette would make a file that decoders reject or show wrongly.
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = index_rows[y];
    if (*std::max_element(row, row + width) >= palette_size) return IoCode::kBadArguments;
  }
  std::uint32_t depth = palette_bit_depth(palette_size);
  FilteredRows filtered{index_rows, width, depth, (std::size_t{width} * depth + 7) / 8, height};
  PngLayout layout{width, height, static_cast<int>(depth), PNG_COLOR_TYPE_PALETTE, gamma,
                   palette, palette_size, nullptr, 0};
  return write_png(file, layout, filtered, effort, piece_bytes, started);
}

IoStatus encode_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                         double gamma, const std::uint8_t* const* rgba_rows,
                         CompressionEffort effort, std::size_t piece_bytes) {
  if (width > PNG_UINT_31_MAX / 4 || height > PNG_UINT_31_MAX) return IoCode::kCodecFailed;
  FilteredRows filtered{rgba_rows, width, 8, std::size_t{width} * 4, height};
  PngLayout layout{width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, gamma, nullptr, 0, nullptr, 0};
  return write_png(file, layout, filtered, effort, piece_bytes);
}
