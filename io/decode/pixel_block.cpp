#include "io/pixel_block.h"

#include <new>

#include "io/file_system.h"
#include "tamble/large_page_vector.h"

IoStatus check_image_size(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) return IoCode::kNoSize;
  constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 31;
  if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) {
    return IoCode::kTooLarge;
  }
  if (width * height * 4 > available_memory_bytes()) return IoCode::kTooLarge;
  return IoCode::kOk;
}

IoStatus allocate_pixels(std::uint64_t width, std::uint64_t height, DecodedImage& image,
                         std::size_t spare_bytes) {
  IoStatus status = check_image_size(width, height);
  if (!status.ok()) return status;
  try {
    tamble::assign_on_large_pages(image.pixels, width * height * 4 + spare_bytes);
  } catch (const std::bad_alloc&) {
    return IoCode::kOutOfMemory;
  }
  image.width = static_cast<std::uint32_t>(width);
  image.height = static_cast<std::uint32_t>(height);
  return IoCode::kOk;
}
