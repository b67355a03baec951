// The generic decoder on Linux: the format is chosen by the file's first bytes,
// never by its name, and each format goes to its own library.
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/colour/default_gamma.h"
#include "io/file_system.h"
#include "io/decode/format_decoders.h"
#include "io/image_decode.h"

namespace {

enum class ImageFormat { kUnknown, kPng, kJpeg, kWebp, kTiff, kBmp, kGif, kHeif };

bool starts_with(const std::vector<std::uint8_t>& bytes, const char* magic, std::size_t length,
                 std::size_t offset = 0) {
  return bytes.size() >= offset + length && std::memcmp(bytes.data() + offset, magic, length) == 0;
}

ImageFormat sniff_format(const std::vector<std::uint8_t>& bytes) {
  if (starts_with(bytes, "\x89PNG\r\n\x1a\n", 8)) return ImageFormat::kPng;
  if (starts_with(bytes, "\xff\xd8\xff", 3)) return ImageFormat::kJpeg;
  if (starts_with(bytes, "RIFF", 4) && starts_with(bytes, "WEBP", 4, 8)) return ImageFormat::kWebp;
  if (starts_with(bytes, "II*\0", 4) || starts_with(bytes, "MM\0*", 4) ||
      starts_with(bytes, "II+\0", 4) || starts_with(bytes, "MM\0+", 4)) {
    return ImageFormat::kTiff;
  }
  if (starts_with(bytes, "BM", 2)) return ImageFormat::kBmp;
  if (starts_with(bytes, "GIF87a", 6) || starts_with(bytes, "GIF89a", 6)) return ImageFormat::kGif;
  if (is_heif_content(bytes.data(), bytes.size())) return ImageFormat::kHeif;
  return ImageFormat::kUnknown;
}

IoStatus decode_by_format(const std::vector<std::uint8_t>& bytes, DecodedImage& image) {
  const std::uint8_t* data = bytes.data();
  std::size_t size = bytes.size();
  switch (sniff_format(bytes)) {
    case ImageFormat::kPng: return decode_png_memory(data, size, image);
    case ImageFormat::kJpeg: return decode_jpeg_memory(data, size, image);
    case ImageFormat::kWebp: return decode_webp_memory(data, size, image);
    case ImageFormat::kTiff: return decode_tiff_memory(data, size, image);
    case ImageFormat::kBmp:
    case ImageFormat::kGif: return decode_bmp_gif_memory(data, size, image);
    case ImageFormat::kHeif: return decode_heif_memory(data, size, image);
    case ImageFormat::kUnknown: break;
  }
  return IoCode::kUnrecognised;
}

}  // namespace

IoStatus decode_bytes_with_platform(const std::vector<std::uint8_t>& bytes, DecodedImage& image) {
  DecodedImage decoded;
  IoStatus status = decode_by_format(bytes, decoded);
  if (!status.ok()) return status;
  decoded.gamma = kDefaultGamma;
  image = std::move(decoded);
  return status;
}
