#include "io/decode/gif_frame_check.h"

#include <cstring>
#include <vector>

#include "io/byte_order.h"

namespace {

// Walks a run of sub-blocks from `position`, handing each one's data to `take`;
// false when the file ends before the empty block that closes them.
template <class Take>
bool walk_sub_blocks(const std::uint8_t* bytes, std::size_t size, std::size_t& position, Take take) {
  while (position < size) {
    std::size_t length = bytes[position++];
    if (length == 0) return true;
    if (length > size - position) return false;
    take(bytes + position, length);
    position += length;
  }
  return false;
}

std::size_t colour_table_bytes(std::uint8_t flags) {
  return (flags & 0x80) != 0 ? 3 * (std::size_t{2} << (flags & 7)) : 0;
}

// Counts the pixels an LZW stream gives without making them: each code stands
// for a string whose length the table keeps.
class LzwPixelCounter {
 public:
  explicit LzwPixelCounter(int minimum_bits)
      : minimum_bits_(minimum_bits), clear_(1u << minimum_bits), lengths_(4096, 1) {
    reset();
  }

  void feed(const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length && !ended_; ++i) {
      bits_ |= std::uint32_t{data[i]} << bit_count_;
      bit_count_ += 8;
      while (bit_count_ >= code_bits_ && !ended_) {
        std::uint32_t code = bits_ & ((1u << code_bits_) - 1);
        bits_ >>= code_bits_;
        bit_count_ -= code_bits_;
        take(code);
      }
    }
  }
  std::uint64_t pixels() const { return pixels_; }

 private:
  int minimum_bits_;
  std::uint32_t clear_;
  std::vector<std::uint32_t> lengths_;
  std::uint32_t next_ = 0, previous_ = 0;
  bool have_previous_ = false, ended_ = false;
  int code_bits_ = 0;
  std::uint32_t bits_ = 0;
  int bit_count_ = 0;
  std::uint64_t pixels_ = 0;

  void reset() {
    next_ = clear_ + 2;
    code_bits_ = minimum_bits_ + 1;
    have_previous_ = false;
  }

  void take(std::uint32_t code) {
    if (code == clear_) return reset();
    if (code == clear_ + 1 || (!have_previous_ && code > clear_) || code > next_) {
      ended_ = true;  // the end mark, or a code no decoder could follow
      return;
    }
    if (have_previous_) {
      std::uint32_t length = code < next_ ? lengths_[code] : lengths_[previous_] + 1;
      pixels_ += length;
      if (next_ < 4096) lengths_[next_++] = lengths_[previous_] + 1;
      if (next_ == (1u << code_bits_) && code_bits_ < 12) ++code_bits_;
    } else {
      pixels_ += 1;
    }
    previous_ = code;
    have_previous_ = true;
  }
};

}  // namespace

bool gif_first_frame_is_short(const std::uint8_t* bytes, std::size_t size) {
  if (size < 13 || std::memcmp(bytes, "GIF", 3) != 0) return false;
  std::size_t position = 13 + colour_table_bytes(bytes[10]);
  auto ignore = [](const std::uint8_t*, std::size_t) {};
  while (position < size) {
    std::uint8_t introducer = bytes[position++];
    if (introducer == 0x21) {  // extension: a label, then sub-blocks
      if (++position > size || !walk_sub_blocks(bytes, size, position, ignore)) return true;
    } else if (introducer == 0x2c) {  // the first frame: descriptor, colours, code size, data
      if (size - position < 10) return true;
      std::uint64_t frame_pixels =
          std::uint64_t{little_endian_u16(bytes + position + 4)} * little_endian_u16(bytes + position + 6);
      position += 9 + colour_table_bytes(bytes[position + 8]);
      if (position >= size) return true;
      int minimum_bits = bytes[position++];
      if (minimum_bits < 2 || minimum_bits > 11) return false;  // broken: left to the decoder
      LzwPixelCounter counter(minimum_bits);
      auto count = [&](const std::uint8_t* data, std::size_t length) { counter.feed(data, length); };
      if (!walk_sub_blocks(bytes, size, position, count)) return true;
      return counter.pixels() < frame_pixels;
    } else {
      return false;  // the trailer or a broken file: left to the decoder
    }
  }
  return true;
}
