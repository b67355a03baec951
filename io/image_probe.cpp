#include "io/image_probe.h"

#include <cstdio>
#include <cstring>

#include "io/file_system.h"
#include "io/png_signature.h"

namespace {

using Bytes = const unsigned char*;

std::uint32_t big16(Bytes p) { return std::uint32_t{p[0]} << 8 | p[1]; }
std::uint32_t big32(Bytes p) { return big16(p) << 16 | big16(p + 2); }
std::uint32_t little16(Bytes p) { return std::uint32_t{p[1]} << 8 | p[0]; }
std::uint32_t little24(Bytes p) { return std::uint32_t{p[2]} << 16 | little16(p); }
std::uint32_t little32(Bytes p) { return little16(p + 2) << 16 | little16(p); }

bool found(std::uint32_t w, std::uint32_t h, std::uint32_t& width, std::uint32_t& height) {
  width = w;
  height = h;
  return true;
}

// Walks the marker segments up to the first start-of-frame.
bool probe_jpeg(std::FILE* file, std::uint32_t& width, std::uint32_t& height) {
  if (std::fseek(file, 2, SEEK_SET) != 0) return false;
  for (;;) {
    if (std::fgetc(file) != 0xFF) return false;
    int marker;
    do marker = std::fgetc(file);
    while (marker == 0xFF);  // fill bytes
    if (marker == EOF) return false;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length field
    unsigned char field[5];
    if (std::fread(field, 1, 2, file) != 2) return false;
    std::uint32_t length = big16(field);
    if (length < 2) return false;
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                 marker != 0xCC;
    if (frame) {
      if (std::fread(field, 1, 5, file) != 5) return false;
      return found(big16(field + 3), big16(field + 1), width, height);
    }
    if (std::fseek(file, static_cast<long>(length) - 2, SEEK_CUR) != 0) return false;
  }
}

bool probe_header(Bytes h, std::size_t n, std::uint32_t& width, std::uint32_t& height) {
  if (n >= 24 && starts_with_png_signature(h, n) && std::memcmp(h + 12, "IHDR", 4) == 0)
    return found(big32(h + 16), big32(h + 20), width, height);
  if (n >= 10 && (std::memcmp(h, "GIF87a", 6) == 0 || std::memcmp(h, "GIF89a", 6) == 0))
    return found(little16(h + 6), little16(h + 8), width, height);
  if (n >= 26 && h[0] == 'B' && h[1] == 'M') {
    // The old 12-byte header holds 16-bit sizes; the later ones signed 32-bit,
    // a negative height meaning rows stored top-down.
    if (little32(h + 14) == 12) return found(little16(h + 18), little16(h + 20), width, height);
    std::int32_t w = static_cast<std::int32_t>(little32(h + 18));
    std::int32_t ht = static_cast<std::int32_t>(little32(h + 22));
    if (w < 0 || ht == INT32_MIN) return false;
    return found(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(ht < 0 ? -ht : ht),
                 width, height);
  }
  if (n >= 30 && std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WEBP", 4) == 0) {
    Bytes chunk = h + 12;
    if (std::memcmp(chunk, "VP8X", 4) == 0)
      return found(little24(h + 24) + 1, little24(h + 27) + 1, width, height);
    if (std::memcmp(chunk, "VP8L", 4) == 0 && h[20] == 0x2F) {
      std::uint32_t bits = little32(h + 21);
      return found((bits & 0x3FFF) + 1, (bits >> 14 & 0x3FFF) + 1, width, height);
    }
    if (std::memcmp(chunk, "VP8 ", 4) == 0 && h[23] == 0x9D && h[24] == 0x01 && h[25] == 0x2A)
      return found(little16(h + 26) & 0x3FFF, little16(h + 28) & 0x3FFF, width, height);
  }
  return false;
}

}  // namespace

bool probe_image_size(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
  if (!is_regular_file(path)) return false;  // a pipe could block the read forever
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char head[32] = {};
  std::size_t n = std::fread(head, 1, sizeof head, file);
  bool known = n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF
                   ? probe_jpeg(file, width, height)
                   : probe_header(head, n, width, height);
  std::fclose(file);
  return known;
}
