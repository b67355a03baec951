#include "io/decode/bmp_header.h"

#include <initializer_list>

#include "io/byte_order.h"

namespace {

bool known_header_size(std::uint32_t size) {
  for (std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
    if (size == known) return true;
  return false;
}

bool depth_fits_compression(std::uint32_t bits, std::uint32_t compression) {
  switch (compression) {
    case kBmpRgb: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kBmpRle8: return bits == 8;
    case kBmpRle4: return bits == 4;
    case kBmpBitfields:
    case kBmpAlphaBitfields: return bits == 16 || bits == 32;
    default: return false;
  }
}

}  // namespace

bool read_bmp_header(const std::uint8_t* bytes, std::size_t size, BmpHeader& header) {
  if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  header.pixel_offset = little_endian_u32(bytes + 10);
  header.header_size = little_endian_u32(bytes + 14);
  if (!known_header_size(header.header_size) || 14 + std::uint64_t{header.header_size} > size)
    return false;
  std::int64_t width, height;
  std::uint32_t planes;
  if (header.header_size == 12) {
    width = little_endian_u16(bytes + 18);
    height = little_endian_u16(bytes + 20);
    planes = little_endian_u16(bytes + 22);
    header.bits = little_endian_u16(bytes + 24);
    header.compression = kBmpRgb;
  } else {
    width = static_cast<std::int32_t>(little_endian_u32(bytes + 18));
    height = static_cast<std::int32_t>(little_endian_u32(bytes + 22));
    planes = little_endian_u16(bytes + 26);
    header.bits = little_endian_u16(bytes + 28);
    // The short OS/2 2 header may end before the compression field.
    header.compression = header.header_size >= 20 ? little_endian_u32(bytes + 30) : kBmpRgb;
    header.palette_entries = header.header_size >= 40 ? little_endian_u32(bytes + 46) : 0;
  }
  header.top_down = height < 0;
  if (width <= 0 || height == 0 || planes != 1) return false;
  header.width = static_cast<std::uint32_t>(width);
  header.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
  if (!depth_fits_compression(header.bits, header.compression)) return false;
  // Run-length rows are stored bottom-up only.
  bool run_length = header.compression == kBmpRle8 || header.compression == kBmpRle4;
  if (run_length && header.top_down) return false;
  if (header.palette_entries > 256) return false;
  return header.pixel_offset >= 14 + header.header_size && header.pixel_offset < size;
}
