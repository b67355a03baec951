#pragma once
// The size checks and the allocation every decoder makes before reading pixels.
#include <cstddef>
#include <cstdint>

#include "io/decoded_image.h"
#include "io/io_status.h"

// Refuses images over 2^31 pixels or whose RGBA block would not fit in memory.
IoStatus check_image_size(std::uint64_t width, std::uint64_t height);

// Makes room for width x height RGBA pixels after checking the size, and
// `spare_bytes` more for a decoder that works in place and then trims them.
IoStatus allocate_pixels(std::uint64_t width, std::uint64_t height, DecodedImage& image,
                         std::size_t spare_bytes = 0);
