#include "io/decode/png_plain_pixels.h"

#include <libdeflate.h>

#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "io/byte_order.h"
#include "io/decode/png_unfilter.h"
#include "tamble/os_memory.h"

namespace {

// PNG's own limit on a chunk's length.
constexpr std::uint32_t kLongestChunk = 0x7fffffffu;

struct AlignedFree {
  void operator()(std::uint8_t* p) const { tamble::os::free_aligned(p); }
};
using LargeBlock = std::unique_ptr<std::uint8_t[], AlignedFree>;

// A scratch block of large pages: with small ones its first touch costs a
// page fault per 4 KiB, as long as the inflating itself.
LargeBlock allocate_scratch(std::size_t bytes) {
  auto* p = static_cast<std::uint8_t*>(tamble::os::allocate_aligned(bytes, tamble::os::kLargePageBytes));
  if (p == nullptr) throw std::bad_alloc();
  tamble::os::advise_large_pages(p, bytes);
  return LargeBlock(p);
}

struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The data of the run of image data chunks from `first_idat`, each checked
// against its CRC, as one block: in place when there is one chunk, else
// copied into `joined`. Empty on any fault.
std::pair<const std::uint8_t*, std::size_t> gather_image_data(
    const std::uint8_t* file, std::size_t size, std::size_t first_idat,
    std::unique_ptr<std::uint8_t[]>& joined) {
  std::vector<std::pair<std::size_t, std::size_t>> chunks;  // data offset, length
  std::size_t total = 0;
  std::size_t position = first_idat;
  while (position <= size && size - position >= 8 &&
         std::memcmp(file + position + 4, "IDAT", 4) == 0) {
    const std::uint8_t* chunk = file + position;
    std::uint32_t length = big_endian_u32(chunk);
    if (length > kLongestChunk || size - position - 8 < std::size_t{length} + 4) return {};
    if (libdeflate_crc32(0, chunk + 4, std::size_t{length} + 4) != big_endian_u32(chunk + 8 + length)) {
      return {};
    }
    chunks.emplace_back(position + 8, length);
    total += length;
    position += std::size_t{length} + 12;
  }
  if (chunks.empty()) return {};
  if (chunks.size() == 1) return {file + chunks[0].first, total};
  joined.reset(new std::uint8_t[total]);
  std::size_t at = 0;
  for (auto [offset, length] : chunks) {
    std::memcpy(joined.get() + at, file + offset, length);
    at += length;
  }
  return {joined.get(), total};
}

// zlib, used by libpng, honours a window smaller than 32 KiB that the stream's
// header states (libpng's writer states one for small images) and refuses
// distances beyond it; libdeflate does not look. Both agree when the window
// holds the whole output.
bool window_holds(const std::uint8_t* data, std::size_t size, std::size_t output_bytes) {
  if (size < 2 || (data[0] & 0x0f) != 8) return false;
  int window_log = (data[0] >> 4) + 8;
  return window_log == 15 || (window_log < 15 && output_bytes <= std::size_t{1} << window_log);
}

// libpng's grey-to-RGB and filler transforms, a pixel at a time as one
// little-endian word (R in the low byte). `raw` has a byte of room after the row.
static_assert(std::endian::native == std::endian::little);
void expand_to_rgba(const std::uint8_t* raw, std::uint8_t* rgba, std::uint32_t width,
                    int channels) {
  for (std::uint32_t x = 0; x < width; ++x, rgba += 4) {
    std::uint32_t pixel = 0;
    if (channels == 3) {
      std::memcpy(&pixel, raw + std::size_t{x} * 3, 4);
      pixel |= 0xff000000u;
    } else if (channels == 2) {
      pixel = raw[2 * x] * 0x010101u | std::uint32_t{raw[2 * x + 1]} << 24;
    } else {
      pixel = raw[x] * 0x010101u | 0xff000000u;
    }
    std::memcpy(rgba, &pixel, 4);
  }
}

}  // namespace

bool read_plain_png_pixels(const std::uint8_t* file, std::size_t size, std::size_t first_idat,
                           std::uint32_t width, std::uint32_t height, int channels,
                           std::uint8_t* rgba, std::size_t rgba_room) {
  if (channels < 1 || channels > 4 || width == 0 || height == 0) return false;
  try {
    std::unique_ptr<std::uint8_t[]> joined;
    auto [data, data_size] = gather_image_data(file, size, first_idat, joined);
    const std::size_t row_bytes = std::size_t{width} * static_cast<std::size_t>(channels);
    const std::size_t pixel_bytes = std::size_t{width} * height * 4;
    const std::size_t filtered_bytes = (row_bytes + 1) * height;
    if (data == nullptr || !window_holds(data, data_size, filtered_bytes)) return false;
    // With fewer than four channels the filtered rows fit at the end of the
    // pixel block: each row is expanded to where the rows before it were.
    // RGBA rows, a byte longer each, start at the block's start when it has
    // the room: row y is unfiltered y + 1 bytes before where it was inflated.
    LargeBlock own_rows;
    std::uint8_t* filtered = nullptr;
    if (channels < 4) {
      filtered = rgba + (pixel_bytes - filtered_bytes);
    } else if (rgba_room >= filtered_bytes) {
      filtered = rgba;
    } else {
      own_rows = allocate_scratch(filtered_bytes);
      filtered = own_rows.get();
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(
        libdeflate_alloc_decompressor());
    if (!inflater) return false;
    std::size_t used = 0;
    if (libdeflate_zlib_decompress_ex(inflater.get(), data, data_size, filtered, filtered_bytes,
                                      &used, nullptr) != LIBDEFLATE_SUCCESS ||
        used != data_size) {
      return false;
    }
    joined.reset();

    // Two raw rows (one byte of room each for the three-byte pixel stores)
    // and the zero row above the image.
    std::vector<std::uint8_t> rows(3 * (row_bytes + 1), 0);
    std::uint8_t* zero = rows.data();
    std::uint8_t* previous = zero + row_bytes + 1;
    std::uint8_t* current = previous + row_bytes + 1;
    const std::size_t out_row = std::size_t{width} * 4;
    for (std::uint32_t y = 0; y < height; ++y) {
      const std::uint8_t* in = filtered + y * (row_bytes + 1);
      std::uint8_t* out_pixels = rgba + y * out_row;
      const std::uint8_t* prior = y == 0 ? zero : channels == 4 ? out_pixels - out_row : previous;
      std::uint8_t* raw = channels == 4 ? out_pixels : current;
      if (!unfilter_png_row(in[0], in + 1, prior, raw, row_bytes, channels)) return false;
      if (channels < 4) {
        expand_to_rgba(raw, out_pixels, width, channels);
        std::swap(previous, current);
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
