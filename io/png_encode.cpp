// Palette and RGBA PNGs with libpng: no row filtering, strongest compression.
//
// libpng reports errors by longjmp; the frames holding the setjmp keep only
// plain C locals, and the packed row buffer is owned by the caller.
#include "io/png_encode.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "io/png_write.h"

namespace {

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
  if (!(gamma > 0)) gamma = 0.45454545454545453;
  double scaled = std::round(gamma * 100000.0);
  if (scaled >= 16 && scaled <= 625000000) {
    png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(scaled));
  }
}

void common_setup(png_structp png, png_infop info, PngSink* sink, double gamma) {
  png_set_write_fn(png, sink, on_png_write, on_png_flush);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  set_gamma(png, info, gamma);
}

struct IndexedJob {
  std::uint32_t width, height;
  double gamma;
  const std::uint8_t* const* rows;
  const std::uint8_t* palette;
  std::uint32_t palette_size;
  std::uint8_t* packed;  // one packed row
};

int run_indexed_encoder(PngSink* sink, const IndexedJob* job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error,
                                            on_png_warning);
  if (png == nullptr) return kPngNoMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return kPngNoMemory;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return sink->write_failed ? kPngCannotWrite : kPngCodecFailed;
  }
  std::uint32_t depth = palette_bit_depth(job->palette_size);
  common_setup(png, info, sink, job->gamma);
  png_set_IHDR(png, info, job->width, job->height, static_cast<int>(depth), PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_color colours[256];
  png_byte alphas[256];
  for (std::uint32_t i = 0; i < job->palette_size; ++i) {
    colours[i] = {job->palette[i * 4], job->palette[i * 4 + 1], job->palette[i * 4 + 2]};
    alphas[i] = job->palette[i * 4 + 3];
  }
  png_set_PLTE(png, info, colours, static_cast<int>(job->palette_size));
  std::uint32_t transparent = transparency_count(job->palette, job->palette_size);
  if (transparent > 0) png_set_tRNS(png, info, alphas, static_cast<int>(transparent), nullptr);
  png_write_info(png, info);
  for (std::uint32_t y = 0; y < job->height; ++y) {
    pack_index_row(job->rows[y], job->width, depth, job->packed);
    png_write_row(png, job->packed);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return kPngWritten;
}

int run_rgba_encoder(PngSink* sink, std::uint32_t width, std::uint32_t height, double gamma,
                     const std::uint8_t* const* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error,
                                            on_png_warning);
  if (png == nullptr) return kPngNoMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return kPngNoMemory;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return sink->write_failed ? kPngCannotWrite : kPngCodecFailed;
  }
  common_setup(png, info, sink, gamma);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  for (std::uint32_t y = 0; y < height; ++y) png_write_row(png, rows[y]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return kPngWritten;
}

int finish_file(std::FILE* file, int status) {
  if (std::fflush(file) != 0 && status == kPngWritten) return kPngCannotWrite;
  return status;
}

}  // namespace

std::uint32_t transparency_count(const std::uint8_t* palette, std::uint32_t palette_size) {
  for (std::uint32_t i = palette_size; i > 0; --i) {
    if (palette[(i - 1) * 4 + 3] != 255) return i;
  }
  return 0;
}

void pack_index_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t depth,
                    std::uint8_t* packed) {
  if (depth == 8) {
    std::copy(indices, indices + width, packed);
    return;
  }
  std::uint32_t per_byte = 8 / depth;
  std::uint32_t mask = (1u << depth) - 1;
  std::fill(packed, packed + (std::size_t{width} * depth + 7) / 8, 0);
  for (std::uint32_t j = 0; j < width; ++j) {
    std::uint32_t shift = 8 - depth * (j % per_byte + 1);
    // The mask keeps a stray index from spilling into its neighbours.
    packed[j / per_byte] |= static_cast<std::uint8_t>((indices[j] & mask) << shift);
  }
}

int encode_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                       const std::uint8_t* const* index_rows, const std::uint8_t* palette,
                       std::uint32_t palette_size) {
  // Sizes the format cannot hold fail in the codec, before any allocation.
  if (width > PNG_UINT_31_MAX || height > PNG_UINT_31_MAX) return kPngCodecFailed;
  // An index past the palette would make a file that decoders reject or show wrongly.
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = index_rows[y];
    if (*std::max_element(row, row + width) >= palette_size) return kPngBadArguments;
  }
  std::vector<std::uint8_t> packed;
  try {
    packed.resize(width);
  } catch (const std::bad_alloc&) {
    return kPngNoMemory;
  }
  PngSink sink{file, false};
  IndexedJob job{width, height, gamma, index_rows, palette, palette_size, packed.data()};
  return finish_file(file, run_indexed_encoder(&sink, &job));
}

int encode_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                    const std::uint8_t* const* rgba_rows) {
  if (width > PNG_UINT_31_MAX / 4 || height > PNG_UINT_31_MAX) return kPngCodecFailed;
  PngSink sink{file, false};
  return finish_file(file, run_rgba_encoder(&sink, width, height, gamma, rgba_rows));
}
