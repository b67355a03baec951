#include "io/decode_failure.h"

#include <new>

#include "io/file_system.h"

const char* decode_failure_message(DecodeFailure failure) {
  switch (failure) {
    case DecodeFailure::kNone: return "";
    case DecodeFailure::kUnrecognised: return "unsupported or corrupt image format";
    case DecodeFailure::kNoFrame: return "image has no decodable frame";
    case DecodeFailure::kCannotConvert: return "could not convert the image to RGBA";
    case DecodeFailure::kNoSize: return "image has no size";
    case DecodeFailure::kUnreadablePixels: return "could not read the pixels";
    case DecodeFailure::kTooLarge:
    case DecodeFailure::kOutOfMemory: return "image is too large";
  }
  return "unsupported or corrupt image format";
}

DecodeFailure check_image_size(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) return DecodeFailure::kNoSize;
  constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 31;
  if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) {
    return DecodeFailure::kTooLarge;
  }
  if (width * height * 4 > available_memory_bytes()) return DecodeFailure::kTooLarge;
  return DecodeFailure::kNone;
}

DecodeFailure allocate_pixels(std::uint64_t width, std::uint64_t height, DecodedImage& image) {
  DecodeFailure failure = check_image_size(width, height);
  if (failure != DecodeFailure::kNone) return failure;
  try {
    image.pixels.assign(width * height * 4, 0);
  } catch (const std::bad_alloc&) {
    return DecodeFailure::kOutOfMemory;
  }
  image.width = static_cast<std::uint32_t>(width);
  image.height = static_cast<std::uint32_t>(height);
  return DecodeFailure::kNone;
}
