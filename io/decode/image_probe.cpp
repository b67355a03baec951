#include "io/image_probe.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "io/file_system.h"
#include "io/decode/format_decoders.h"
#include "io/png/png_signature.h"

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

// A TIFF's first directory (classic or BigTIFF, either byte order): its
// ImageWidth and ImageLength entries.
bool probe_tiff(std::FILE* file, Bytes h, std::uint32_t& width, std::uint32_t& height) {
  const bool little = h[0] == 'I';
  auto u16 = [little](Bytes p) { return little ? little16(p) : big16(p); };
  auto u32 = [little](Bytes p) { return little ? little32(p) : big32(p); };
  auto u64 = [&](Bytes p) {
    return little ? std::uint64_t{u32(p + 4)} << 32 | u32(p) : std::uint64_t{u32(p)} << 32 | u32(p + 4);
  };
  const bool big = u16(h + 2) == 43;
  std::uint64_t directory = big ? u64(h + 8) : u32(h + 4);
  const std::size_t count_bytes = big ? 8 : 2, entry_bytes = big ? 20 : 12;
  unsigned char field[20];
  if (directory > LONG_MAX || std::fseek(file, static_cast<long>(directory), SEEK_SET) != 0 ||
      std::fread(field, 1, count_bytes, file) != count_bytes)
    return false;
  std::uint64_t entries = big ? u64(field) : u16(field);
  std::uint64_t found_width = 0, found_height = 0;
  for (std::uint64_t i = 0; i < entries && i < 4096; ++i) {
    if (std::fread(field, 1, entry_bytes, file) != entry_bytes) return false;
    std::uint32_t tag = u16(field), type = u16(field + 2);
    Bytes value = field + (big ? 12 : 8);
    std::uint64_t number = type == 3 ? u16(value) : type == 4 ? u32(value) : type == 16 && big ? u64(value) : 0;
    if (tag == 256) found_width = number;
    if (tag == 257) found_height = number;
  }
  if (found_width == 0 || found_height == 0 || found_width > UINT32_MAX || found_height > UINT32_MAX)
    return false;
  return found(static_cast<std::uint32_t>(found_width), static_cast<std::uint32_t>(found_height),
               width, height);
}

bool is_tiff(Bytes h, std::size_t n) {
  return n >= 16 && ((h[0] == 'I' && h[1] == 'I' && (h[2] == 42 || h[2] == 43) && h[3] == 0) ||
                     (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && (h[3] == 42 || h[3] == 43)));
}

bool probe_header(Bytes h, std::size_t n, std::uint32_t& width, std::uint32_t& height) {
  if (n >= 24 && starts_with_png_signature(h, n) && std::memcmp(h + 12, "IHDR", 4) == 0) {
    // Sizes beyond 2^31 - 1 break the format's own rule: a corrupt file, not a large one.
    if (big32(h + 16) > 0x7FFFFFFF || big32(h + 20) > 0x7FFFFFFF) return false;
    return found(big32(h + 16), big32(h + 20), width, height);
  }
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
               : is_tiff(head, n) ? probe_tiff(file, head, width, height)
                                  : probe_header(head, n, width, height);
  std::fclose(file);
  if (!known && is_heif_content(head, n)) known = probe_heif_file(path, width, height);
  return known;
}
