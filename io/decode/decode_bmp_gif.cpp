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

#include "io/decode/bmp_screen.h"
#include "io/decode/format_decoders.h"
#include "io/decode/gif_frame_check.h"

IoStatus decode_bmp_gif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  if (size < 6) return IoCode::kUnrecognised;
  if (size > 0x7fffffff) return IoCode::kTooLarge;
  const bool is_bmp = bytes[0] == 'B';
  if (is_bmp) {
    bool decoded = false;
    IoStatus screened = screen_bmp(bytes, size, image, decoded);
    if (!screened.ok() || decoded) return screened;
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
