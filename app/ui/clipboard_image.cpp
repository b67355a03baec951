#include "app/ui/clipboard_image.h"

#include <cstring>

#include "app/document/png_size.h"
#include "app/ui/translate.h"
#include "io/byte_order.h"
#include "engine/palette_capacity.h"
#include "io/png_write.h"

namespace {

constexpr std::uint32_t kImageHeaderSize = 124;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kColourSpaceSrgb = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kIntentImages = 4;

bool indices_complete(const QuantResult& result) {
  return result.indices.size() >= std::size_t{result.width} * result.height;
}

}  // namespace

std::vector<std::uint8_t> expand_result_rgba(const QuantResult& result, std::string& message) {
  std::vector<std::uint8_t> rgba;
  if (!result.ok) {
    message = translate("nothing to copy yet");
    return rgba;
  }
  if (!result.indices_available) {
    message = translate("the result is being replaced; try again");
    return rgba;
  }
  if (!indices_complete(result) || result.palette_count == 0 || result.palette_count > kPaletteCapacity ||
      result.width == 0 || result.height == 0) {
    message = translate("the result is incomplete");
    return rgba;
  }
  const std::size_t pixels = std::size_t{result.width} * result.height;
  rgba.resize(pixels * 4);
  for (std::size_t i = 0; i < pixels; ++i) {
    std::uint32_t index = result.indices[i];
    if (index >= result.palette_count) index = 0;
    std::memcpy(rgba.data() + i * 4, result.palette.data() + index * 4, 4);
  }
  return rgba;
}

std::vector<std::uint8_t> bitmap_v5_file(std::uint32_t width, std::uint32_t height,
                                         const std::uint8_t* rgba) {
  std::vector<std::uint8_t> file;
  const std::uint64_t image_bytes = std::uint64_t{width} * height * 4;
  if (rgba == nullptr || image_bytes == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
      image_bytes > 0xFFFFFFFFull - kBitmapV5HeadersSize)
    return file;
  file.assign(kBitmapV5HeadersSize + image_bytes, 0);
  std::uint8_t* header = file.data();
  header[0] = 'B';
  header[1] = 'M';
  put_little_endian_u32(header + 2, static_cast<std::uint32_t>(file.size()));
  put_little_endian_u32(header + 10, kBitmapV5HeadersSize);  // where the pixels start
  std::uint8_t* image = header + 14;
  put_little_endian_u32(image + 0, kImageHeaderSize);
  put_little_endian_u32(image + 4, width);
  put_little_endian_u32(image + 8, height);  // positive: rows bottom-up
  put_little_endian_u16(image + 12, 1);      // planes
  put_little_endian_u16(image + 14, 32);     // bits per pixel
  put_little_endian_u32(image + 16, kBitFields);
  put_little_endian_u32(image + 20, static_cast<std::uint32_t>(image_bytes));
  put_little_endian_u32(image + 40, 0x00FF0000);  // red
  put_little_endian_u32(image + 44, 0x0000FF00);  // green
  put_little_endian_u32(image + 48, 0x000000FF);  // blue
  put_little_endian_u32(image + 52, 0xFF000000);  // alpha
  put_little_endian_u32(image + 56, kColourSpaceSrgb);
  put_little_endian_u32(image + 108, kIntentImages);

  std::uint8_t* out = file.data() + kBitmapV5HeadersSize;
  const std::size_t row_bytes = std::size_t{width} * 4;
  for (std::uint32_t row = 0; row < height; ++row) {
    const std::uint8_t* in = rgba + (height - 1 - row) * row_bytes;
    for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = in[3];
    }
  }
  return file;
}

std::vector<std::uint8_t> result_png_bytes(const QuantResult& result) {
  if (!result.ok || !result.indices_available || !indices_complete(result) || result.height == 0) return {};
  std::vector<const std::uint8_t*> rows = row_pointers(result.indices.data(), result.height, result.width);
  return indexed_png_bytes(result.width, result.height, result.gamma, rows.data(), result.palette.data(),
                           result.palette_count);
}
