// BMP and GIF (first frame) with stb_image, limited to those two formats;
// run-length BMPs with our own decoder.
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

#include "io/decode/decode_bmp_rle.h"
#include "io/decode/format_decoders.h"
#include "io/decode/gif_frame_check.h"

namespace {

// stb_image pads a short uncompressed bitmap with zeros; a file that ends
// before its last row is refused instead of shown half black.
bool bitmap_is_truncated(const BmpHeader& header, std::size_t size) {
  std::uint64_t stride = (std::uint64_t{header.width} * header.bits + 31) / 32 * 4;
  return header.pixel_offset + stride * header.height > size;
}

}  // namespace

IoStatus decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  if (size < 6) return IoCode::kUnrecognised;
  if (size > 0x7fffffff) return IoCode::kTooLarge;
  BmpHeader bmp;
  const bool is_bmp = bytes[0] == 'B';
  if (is_bmp) {
    // A header out of its format's bounds is refused, not guessed at.
    if (!read_bmp_header(bytes, size, bmp)) return IoCode::kUnrecognised;
    IoStatus status = check_image_size(bmp.width, bmp.height);
    if (!status.ok()) return status;
    if (bmp.compression == kBmpRle8 || bmp.compression == kBmpRle4)
      return decode_bmp_rle(bytes, size, bmp, image);
    if (bitmap_is_truncated(bmp, size)) return IoCode::kUnreadablePixels;
  }
  int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &width, &height, &channels)) {
    return IoCode::kUnrecognised;
  }
  // A bitmap stored top row first gives its height negative; it decodes the right way up.
  std::int64_t rows = height < 0 && is_bmp ? -std::int64_t{height} : height;
  IoStatus status = check_image_size(static_cast<std::uint32_t>(width),
                                     static_cast<std::uint64_t>(rows));
  if (!status.ok()) return status;
  if (!is_bmp && gif_first_frame_is_short(bytes, size)) return IoCode::kUnreadablePixels;
  stbi_uc* pixels = stbi_load_from_memory(bytes, length, &width, &height, &channels, 4);
  if (pixels == nullptr) return IoCode::kNoFrame;
  status = allocate_pixels(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                            image);
  if (status.ok()) std::memcpy(image.pixels.data(), pixels, image.pixels.size());
  stbi_image_free(pixels);
  return status;
}
