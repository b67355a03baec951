// Run-length encoded BMPs (RLE8, RLE4), which the general bitmap decoder does
// not read. Rows are stored bottom-up; pixels the runs skip stay transparent.
#include <cstring>

#include "io/decode/decode_bmp_rle.h"
#include "io/pixel_block.h"

namespace {

struct RleCursor {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t position;
  bool take(std::uint8_t& value) {
    if (position >= size) return false;
    value = bytes[position++];
    return true;
  }
};

class RleCanvas {
 public:
  RleCanvas(const BmpHeader& header, const std::uint8_t* palette, std::uint32_t entries,
            DecodedImage& image)
      : header_(header), palette_(palette), entries_(entries), image_(image) {}

  // Pixels past the right edge are dropped, as common readers drop them.
  void put(std::uint32_t index) {
    if (x_ < header_.width && line_ < header_.height) {
      std::uint8_t* pixel =
          image_.pixels.data() + (std::size_t{header_.height - 1 - line_} * header_.width + x_) * 4;
      if (index < entries_) {
        const std::uint8_t* bgr = palette_ + std::size_t{index} * 4;
        pixel[0] = bgr[2], pixel[1] = bgr[1], pixel[2] = bgr[0];
      } else {
        pixel[0] = pixel[1] = pixel[2] = 0;
      }
      pixel[3] = 255;
    }
    ++x_;
  }
  void next_line() { x_ = 0, ++line_; }
  void move(std::uint32_t dx, std::uint32_t dy) { x_ += dx, line_ += dy; }
  bool complete() const { return line_ >= header_.height; }

 private:
  const BmpHeader& header_;
  const std::uint8_t* palette_;
  std::uint32_t entries_;
  DecodedImage& image_;
  std::uint32_t x_ = 0, line_ = 0;
};

// Pixel `i` of a run: RLE8 repeats the byte, RLE4 alternates its two nibbles.
std::uint32_t run_pixel(std::uint8_t value, std::uint32_t i, bool four_bit) {
  if (!four_bit) return value;
  return i % 2 == 0 ? value >> 4 : value & 0x0F;
}

// True once the end-of-bitmap mark is read or every row is done; false when the
// data ends before.
bool decode_runs(RleCursor& in, RleCanvas& canvas, bool four_bit) {
  std::uint8_t count, value;
  while (in.take(count) && in.take(value)) {
    if (count > 0) {
      for (std::uint32_t i = 0; i < count; ++i) canvas.put(run_pixel(value, i, four_bit));
    } else if (value == 0) {
      canvas.next_line();
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      std::uint8_t dx, dy;
      if (!in.take(dx) || !in.take(dy)) return false;
      canvas.move(dx, dy);
    } else {
      // A literal run of `value` pixels, its bytes padded to an even count.
      std::uint32_t stored = four_bit ? (value + 1u) / 2 : value;
      if (stored > in.size - in.position) return false;
      for (std::uint32_t i = 0; i < value; ++i) {
        std::uint8_t byte = in.bytes[in.position + (four_bit ? i / 2 : i)];
        canvas.put(four_bit ? run_pixel(byte, i, true) : byte);
      }
      in.position += stored + stored % 2;
    }
  }
  return canvas.complete();
}

}  // namespace

IoStatus decode_bmp_rle(const std::uint8_t* bytes, std::size_t size, const BmpHeader& header,
                        DecodedImage& image) {
  std::size_t palette_at = 14 + std::size_t{header.header_size};
  std::uint32_t entries = header.palette_entries != 0 ? header.palette_entries : 1u << header.bits;
  if (palette_at + std::size_t{entries} * 4 > header.pixel_offset) return IoCode::kUnrecognised;
  IoStatus status = allocate_pixels(header.width, header.height, image);
  if (!status.ok()) return status;
  RleCanvas canvas(header, bytes + palette_at, entries, image);
  RleCursor in{bytes, size, header.pixel_offset};
  if (!decode_runs(in, canvas, header.compression == kBmpRle4)) return IoCode::kUnreadablePixels;
  return IoCode::kOk;
}
