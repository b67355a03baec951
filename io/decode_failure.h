#pragma once
// Why a decoder gave up, and the message the caller sees for it.
#include <cstdint>

#include "io/decoded_image.h"

enum class DecodeFailure {
  kNone,
  kUnrecognised,      // not a format we read, or its header is broken
  kNoFrame,           // a known format without a frame we can decode
  kCannotConvert,     // the frame's pixel layout cannot become RGBA
  kNoSize,            // zero width or height
  kUnreadablePixels,  // the data ends or breaks part way through
  kTooLarge,          // refused before allocating
  kOutOfMemory,       // the allocation itself failed
};

const char* decode_failure_message(DecodeFailure failure);

// Refuses images over 2^31 pixels or whose RGBA block would not fit in memory.
DecodeFailure check_image_size(std::uint64_t width, std::uint64_t height);

// Makes room for width x height RGBA pixels after checking the size.
DecodeFailure allocate_pixels(std::uint64_t width, std::uint64_t height, DecodedImage& image);
