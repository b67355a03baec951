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

#include "io/byte_order.h"
#include "io/format_decoders.h"

namespace {

// stb_image pads a short uncompressed bitmap with zeros; a file that ends
// before its last row is refused instead of shown half black.
bool bitmap_is_truncated(const std::uint8_t* bytes, std::size_t size) {
  if (size < 34 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  std::uint32_t header_size = little_endian_u32(bytes + 14);
  if (header_size < 40) return false;  // old OS/2 headers: left to the decoder
  std::uint64_t offset = little_endian_u32(bytes + 10);
  std::int32_t width = static_cast<std::int32_t>(little_endian_u32(bytes + 18));
  std::int32_t height = static_cast<std::int32_t>(little_endian_u32(bytes + 22));
  std::uint32_t bits = little_endian_u16(bytes + 28);
  std::uint32_t compression = little_endian_u32(bytes + 30);
  if (compression != 0 && compression != 3 && compression != 6) return false;
  std::uint64_t columns = width < 0 ? 0 : static_cast<std::uint64_t>(width);
  std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  std::uint64_t stride = (columns * bits + 31) / 32 * 4;
  return offset + stride * rows > size;
}

// Walks a run of GIF sub-blocks from `position`; false when the file ends
// before the empty block that closes them.
bool skip_sub_blocks(const std::uint8_t* bytes, std::size_t size, std::size_t& position) {
  while (position < size) {
    std::size_t length = bytes[position++];
    if (length == 0) return true;
    if (length > size - position) return false;
    position += length;
  }
  return false;
}

std::size_t gif_colour_table_bytes(std::uint8_t flags) {
  return (flags & 0x80) != 0 ? 3 * (std::size_t{2} << (flags & 7)) : 0;
}

// stb_image leaves the rows a short GIF lacks transparent; a file that ends
// before the first frame's data is complete is refused instead.
bool gif_is_truncated(const std::uint8_t* bytes, std::size_t size) {
  if (size < 13 || std::memcmp(bytes, "GIF", 3) != 0) return false;
  std::size_t position = 13 + gif_colour_table_bytes(bytes[10]);
  while (position < size) {
    std::uint8_t introducer = bytes[position++];
    if (introducer == 0x21) {  // extension: a label, then sub-blocks
      if (++position > size || !skip_sub_blocks(bytes, size, position)) return true;
    } else if (introducer == 0x2c) {  // the first frame: descriptor, colours, code size, data
      if (size - position < 10) return true;
      position += 9 + gif_colour_table_bytes(bytes[position + 8]) + 1;
      return position > size || !skip_sub_blocks(bytes, size, position);
    } else {
      return false;  // the trailer or a broken file: left to the decoder
    }
  }
  return true;
}

}  // namespace

IoStatus decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  if (size > 0x7fffffff) return IoCode::kTooLarge;
  int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
    return IoCode::kUnrecognised;
  }
  // A bitmap stored top row first gives its height negative; it decodes the right way up.
  std::int64_t rows = height < 0 && bytes[0] == 'B' ? -std::int64_t{height} : height;
  IoStatus status = check_image_size(static_cast<std::uint32_t>(width),
                                     static_cast<std::uint64_t>(rows));
  if (!status.ok()) return status;
  if (bitmap_is_truncated(bytes, size) || gif_is_truncated(bytes, size)) {
    return IoCode::kUnreadablePixels;
  }
  stbi_uc* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (pixels == nullptr) return IoCode::kNoFrame;
  status = allocate_pixels(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                            image);
  if (status.ok()) std::memcpy(image.pixels.data(), pixels, image.pixels.size());
  stbi_image_free(pixels);
  return status;
}
