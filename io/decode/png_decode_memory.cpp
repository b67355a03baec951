// PNG decoding with libpng from a file held in memory.
//
// libpng reports errors by longjmp. The frame holding the setjmp keeps only
// plain C locals, and every callback libpng can jump out of is free of C++
// objects, so no destructor is ever skipped.
#include <png.h>

#include <cstring>

#include "engine/colour/default_gamma.h"
#include "io/byte_order.h"
#include "io/decode/format_decoders.h"
#include "io/decode/png_plain_pixels.h"

namespace {

struct PngSource {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t position;
  char error[160];
};

void on_png_error(png_structp png, png_const_charp text) {
  auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(source->error, sizeof source->error, "%s", text != nullptr ? text : "error");
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

void on_png_read(png_structp png, png_bytep out, std::size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->position) png_error(png, "the file ends early");
  std::memcpy(out, source->bytes + source->position, count);
  source->position += count;
}

double png_file_gamma(png_structp png, png_infop info) {
  png_fixed_point gamma = 0;
  if (png_get_gAMA_fixed(png, info, &gamma) != 0 && gamma > 0) return gamma / 100000.0;
  if (png_get_valid(png, info, PNG_INFO_sRGB) != 0) return 0.45455;
  return kDefaultGamma;
}

// Asks libpng for 8-bit RGBA whatever the stored colour type and depth.
void request_rgba8(png_structp png, png_infop info) {
  png_byte colour_type = png_get_color_type(png, info);
  png_set_expand(png);
  // Rounds to the nearest 8-bit value, (v * 255 + 32767) / 65535.
  if (png_get_bit_depth(png, info) == 16) png_set_scale_16(png);
  if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  bool has_alpha = (colour_type & PNG_COLOR_MASK_ALPHA) != 0 ||
                   png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (!has_alpha) png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
}

// Chunks other than the image data that libpng reads are held whole in memory;
// none we meet in practice comes near this, so a small file cannot claim gigabytes.
constexpr png_alloc_size_t kLargestChunkBytes = 8u << 20;

// True when a chunk before the image data claims more bytes than the file
// holds after it: libpng would first make room for all of them.
bool header_chunk_overruns(const PngSource& source) {
  std::size_t position = 8;
  while (source.size >= position && source.size - position >= 8) {
    const std::uint8_t* chunk = source.bytes + position;
    std::uint64_t length = big_endian_u32(chunk);
    if (std::memcmp(chunk + 4, "IDAT", 4) == 0) return false;
    if (length + 4 > source.size - position - 8) return true;
    position += 12 + static_cast<std::size_t>(length);
  }
  return false;
}

// Deflate never expands data more than 1032 times, so a file whose image data
// is too short for its stated size is refused before its pixel block is made.
bool image_data_can_fill(const PngSource& source, std::uint64_t stored_bytes) {
  std::uint64_t compressed = 0;
  std::size_t position = 8;
  while (source.size - position >= 12) {
    const std::uint8_t* chunk = source.bytes + position;
    std::uint64_t length = big_endian_u32(chunk);
    if (length > source.size - position - 12) length = source.size - position - 12;
    if (std::memcmp(chunk + 4, "IDAT", 4) == 0) compressed += length;
    position += 12 + static_cast<std::size_t>(length);
  }
  return stored_bytes <= compressed * 1032 + 1024;
}

enum Stage { kReadingHeader, kReadingPixels };

// Stored samples per pixel when the quick road can read the image, else 0.
int plain_channels(png_structp png, png_infop info) {
  if (png_get_bit_depth(png, info) != 8 || png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ||
      png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    return 0;
  }
  switch (png_get_color_type(png, info)) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 0;
  }
}

IoStatus run_png_decoder(PngSource* source, DecodedImage* image, PngRoad road) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, source, on_png_error,
                                           on_png_warning);
  if (png == nullptr) return IoCode::kOutOfMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return IoCode::kOutOfMemory;
  }
  volatile Stage stage = kReadingHeader;
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return stage == kReadingHeader ? IoCode::kUnrecognised
                                   : IoCode::kUnreadablePixels;
  }
  png_set_read_fn(png, source, on_png_read);
  // Our own size check below replaces libpng's default one-million-pixel side limit.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_chunk_malloc_max(png, kLargestChunkBytes);
  // Only the chunks that decide the pixels' gamma are read (libpng takes the
  // gamma of a profile or chromaticities that name sRGB); text, EXIF and the rest
  // are skipped unread, so no file can make us keep or inflate them. Each of
  // the four may appear once and is held to the chunk limit.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  static const png_byte kChunksRead[] = "gAMA\0sRGB\0iCCP\0cHRM\0";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kChunksRead, 4);
  if (header_chunk_overruns(*source)) png_error(png, "a chunk runs past the end of the file");
  png_read_info(png, info);

  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  IoStatus status = check_image_size(width, height);
  std::uint64_t stored_bytes = std::uint64_t{height} * (png_get_rowbytes(png, info) + 1);
  if (status.ok() && !image_data_can_fill(*source, stored_bytes)) {
    std::snprintf(source->error, sizeof source->error, "the image data is too short");
    status = IoCode::kUnreadablePixels;
  }
  if (status.ok()) {
    image->gamma = png_file_gamma(png, info);
    int channels = road == PngRoad::kQuickWhenPlain ? plain_channels(png, info) : 0;
    request_rgba8(png, info);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{width} * 4) {
      status = IoCode::kCannotConvert;
    } else {
      // RGBA rows of the quick road are unfiltered in place: a byte of
      // room per row for their filter types.
      status = allocate_pixels(width, height, *image, channels == 4 ? height : 0);
    }
    if (status.ok()) {
      stage = kReadingPixels;
      std::uint8_t* pixels = image->pixels.data();
      // png_read_info stopped just after the first image data chunk's header.
      bool quick = channels != 0 && source->position >= 8 &&
                   read_plain_png_pixels(source->bytes, source->size, source->position - 8, width,
                                         height, channels, pixels, image->pixels.size());
      image->pixels.resize(std::size_t{width} * height * 4);
      for (int pass = 0; pass < passes && !quick; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
          png_read_row(png, pixels + std::size_t{y} * width * 4, nullptr);
        }
      }
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return status;
}

}  // namespace

IoStatus decode_png_memory_by(PngRoad road, const std::uint8_t* bytes, std::size_t size,
                              DecodedImage& image, std::string* codec_detail) {
  PngSource source{bytes, size, 0, {}};
  IoStatus status = run_png_decoder(&source, &image, road);
  if (codec_detail != nullptr) *codec_detail = source.error;
  return status;
}

IoStatus decode_png_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image,
                           std::string* codec_detail) {
  return decode_png_memory_by(PngRoad::kQuickWhenPlain, bytes, size, image, codec_detail);
}
