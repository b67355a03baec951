#include "app/testing/bitmap_file.h"

#include <cstdio>
#include <vector>

#include "io/byte_order.h"
#include "io/replacing_file.h"

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;

}  // namespace

bool write_bitmap_24(const std::string& path, int width, int height,
                     const std::uint8_t* rgba_bottom_up) {
  if (width <= 0 || height <= 0 || rgba_bottom_up == nullptr) return false;
  std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
  std::uint64_t image_bytes = row_bytes * static_cast<std::uint64_t>(height);
  if (image_bytes > 0xFFFFFFFFull - kHeadersSize) return false;  // the header cannot say its size

  std::uint8_t header[kHeadersSize] = {'B', 'M'};
  put_little_endian_u32(header + 2, kHeadersSize + static_cast<std::uint32_t>(image_bytes));
  put_little_endian_u32(header + 10, kHeadersSize);  // where the pixels start
  put_little_endian_u32(header + 14, 40);
  put_little_endian_u32(header + 18, static_cast<std::uint32_t>(width));
  put_little_endian_u32(header + 22, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
  put_little_endian_u16(header + 26, 1);                                   // planes
  put_little_endian_u16(header + 28, 24);                                  // bits per pixel
  put_little_endian_u32(header + 34, static_cast<std::uint32_t>(image_bytes));  // compression 0 stays zero

  ReplacingFile file;
  std::FILE* out = file.open(path);
  if (out == nullptr) return false;
  bool written = std::fwrite(header, sizeof header, 1, out) == 1;
  std::vector<std::uint8_t> row(row_bytes, 0);
  const std::uint8_t* pixel = rgba_bottom_up;
  for (int y = 0; y < height && written; ++y) {
    for (int x = 0; x < width; ++x, pixel += 4) {
      row[3 * x] = pixel[2];
      row[3 * x + 1] = pixel[1];
      row[3 * x + 2] = pixel[0];
    }
    written = std::fwrite(row.data(), row.size(), 1, out) == 1;
  }
  if (!written) {
    file.abandon();
    return false;
  }
  return file.commit();
}
