#include "io/decode/bmp_screen.h"

#include "io/decode/bmp_header.h"
#include "io/decode/decode_bmp_rle.h"
#include "io/pixel_block.h"

namespace {

// General decoders pad a short uncompressed bitmap with zeros; a file that ends
// before its last row is refused instead of shown half black.
bool bitmap_is_truncated(const BmpHeader& header, std::size_t size) {
  std::uint64_t stride = (std::uint64_t{header.width} * header.bits + 31) / 32 * 4;
  return header.pixel_offset + stride * header.height > size;
}

}  // namespace

IoStatus screen_bmp(const std::uint8_t* bytes, std::size_t size, DecodedImage& image, bool& decoded) {
  decoded = false;
  BmpHeader bmp;
  // A header out of its format's bounds is refused, not guessed at.
  if (!read_bmp_header(bytes, size, bmp)) return IoCode::kUnrecognised;
  IoStatus status = check_image_size(bmp.width, bmp.height);
  if (!status.ok()) return status;
  if (bmp.compression == kBmpRle8 || bmp.compression == kBmpRle4) {
    decoded = true;
    return decode_bmp_rle(bytes, size, bmp, image);
  }
  if (bitmap_is_truncated(bmp, size)) return IoCode::kUnreadablePixels;
  return IoCode::kOk;
}
