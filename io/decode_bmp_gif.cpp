// BMP and GIF (first frame) with stb_image, limited to those two formats.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <cstring>

#include "io/format_decoders.h"

namespace {

std::uint32_t little_endian_u32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// stb_image pads a short uncompressed bitmap with zeros; a file that ends
// before its last row is refused instead of shown half black.
bool bitmap_is_truncated(const std::uint8_t* bytes, std::size_t size) {
  if (size < 34 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  std::uint32_t header_size = little_endian_u32(bytes + 14);
  if (header_size < 40) return false;  // old OS/2 headers: left to the decoder
  std::uint64_t offset = little_endian_u32(bytes + 10);
  std::int32_t width = static_cast<std::int32_t>(little_endian_u32(bytes + 18));
  std::int32_t height = static_cast<std::int32_t>(little_endian_u32(bytes + 22));
  std::uint32_t bits = bytes[28] | (bytes[29] << 8);
  std::uint32_t compression = little_endian_u32(bytes + 30);
  if (compression != 0 && compression != 3 && compression != 6) return false;
  std::uint64_t columns = width < 0 ? 0 : static_cast<std::uint64_t>(width);
  std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  std::uint64_t stride = (columns * bits + 31) / 32 * 4;
  return offset + stride * rows > size;
}

}  // namespace

DecodeFailure decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  if (size > 0x7fffffff) return DecodeFailure::kTooLarge;
  int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
    return DecodeFailure::kUnrecognised;
  }
  DecodeFailure failure = check_image_size(static_cast<std::uint32_t>(width),
                                           static_cast<std::uint32_t>(height));
  if (failure != DecodeFailure::kNone) return failure;
  if (bitmap_is_truncated(bytes, size)) return DecodeFailure::kUnreadablePixels;
  stbi_uc* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (pixels == nullptr) return DecodeFailure::kNoFrame;
  failure = allocate_pixels(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                            image);
  if (failure == DecodeFailure::kNone) std::memcpy(image.pixels.data(), pixels, image.pixels.size());
  stbi_image_free(pixels);
  return failure;
}
