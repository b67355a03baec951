#include "io/png/deflate_walk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;  // codes up to this long are found with one look-up

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                           15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,
                                             17,   25,   33,   49,   65,   97,    129,   193,
                                             257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                             4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

// Bits from the least significant end of a 64-bit buffer, refilled a word at
// a time; past the end of the data come zero bits, and position() tells.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // At least 56 bits in the buffer afterwards.
  void refill() {
    if (size_ - std::min(next_, size_) >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data_ + next_, 8);
      buffer_ |= word << count_;
      next_ += static_cast<std::size_t>(63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    for (; count_ < 56; count_ += 8, ++next_) {
      if (next_ < size_) buffer_ |= std::uint64_t{data_[next_]} << count_;
    }
  }
  void need(int bits) {
    if (count_ < bits) refill();
  }
  std::uint64_t bits() const { return buffer_; }
  int count() const { return count_; }
  void drop(int bits) {
    buffer_ >>= bits;
    count_ -= bits;
  }
  std::uint32_t take(int bits) {
    need(bits);
    auto value = static_cast<std::uint32_t>(buffer_ & ((std::uint64_t{1} << bits) - 1));
    drop(bits);
    return value;
  }
  void to_byte_boundary() { drop(count_ & 7); }
  // Skips whole bytes, from a byte boundary.
  void skip_bytes(std::size_t bytes) {
    std::size_t buffered = static_cast<std::size_t>(count_) / 8;
    if (bytes < buffered) {
      drop(static_cast<int>(bytes * 8));
      return;
    }
    next_ += bytes - buffered;
    buffer_ = 0;
    count_ = 0;
  }
  std::size_t position() const { return next_ * 8 - static_cast<std::size_t>(count_); }
  // False once reading has gone past the end of the data.
  bool within() const { return position() <= size_ * 8; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t next_ = 0;  // the next byte to load
  std::uint64_t buffer_ = 0;
  int count_ = 0;         // bits of buffer_ not yet used
};

// What a code means, packed for one look-up: code length in bits 0-3, extra
// bits in 4-7, kind in 8-9, the length or distance base (or the plain symbol)
// from bit 16.
enum Kind : std::uint32_t { kLiteral = 0, kCopy = 1, kEnd = 2, kInvalid = 3 };
constexpr std::uint32_t meaning(std::uint32_t extra, Kind kind, std::uint32_t base) {
  return extra << 4 | std::uint32_t{kind} << 8 | base << 16;
}

// A literal/length or distance alphabet's meanings, by symbol.
using Meanings = std::uint32_t (*)(int symbol);
std::uint32_t literal_meaning(int symbol) {
  if (symbol < 256) return meaning(0, kLiteral, 1);
  if (symbol == 256) return meaning(0, kEnd, 0);
  if (symbol - 257 >= 29) return meaning(0, kInvalid, 0);
  return meaning(kLengthExtra[symbol - 257], kCopy, kLengthBase[symbol - 257]);
}
std::uint32_t distance_meaning(int symbol) {
  if (symbol >= 30) return meaning(0, kInvalid, 0);
  return meaning(kDistanceExtra[symbol], kCopy, kDistanceBase[symbol]);
}

// A canonical Huffman code: a table of meanings for the short codes, counts
// and sorted symbols for the long ones.
struct Huffman {
  std::uint16_t count[kMaxCodeBits + 1];
  std::uint16_t symbol[288];
  std::uint32_t fast[1 << kFastBits];  // meaning | code length; 0 for longer or unused codes
  Meanings meanings;

  // zlib's rules: no code may be over-subscribed; an incomplete code is
  // refused, except that a literal or distance code may be empty or hold a
  // single one-bit code.
  bool build(const std::uint8_t* lengths, int n, bool single_code_allowed, Meanings what) {
    meanings = what;
    std::memset(count, 0, sizeof count);
    for (int i = 0; i < n; ++i) ++count[lengths[i]];
    count[0] = 0;
    int left = 1, longest = 0;
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
      left = (left << 1) - count[bits];
      if (left < 0) return false;
      if (count[bits] != 0) longest = bits;
    }
    if (left > 0 && longest != 0 && !(single_code_allowed && longest == 1)) return false;

    std::uint16_t offset[kMaxCodeBits + 2] = {};
    std::uint32_t next_code[kMaxCodeBits + 1] = {};
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
      offset[bits + 1] = static_cast<std::uint16_t>(offset[bits] + count[bits]);
      next_code[bits] = (next_code[bits - 1] + count[bits - 1]) << 1;
    }
    std::memset(fast, 0, sizeof fast);
    for (int s = 0; s < n; ++s) {
      int bits = lengths[s];
      if (bits == 0) continue;
      symbol[offset[bits]++] = static_cast<std::uint16_t>(s);
      std::uint32_t code = next_code[bits]++;
      if (bits > kFastBits) continue;
      std::uint32_t reversed = 0;  // deflate sends codes from their top bit
      for (int b = 0; b < bits; ++b) reversed |= ((code >> b) & 1) << (bits - 1 - b);
      const std::uint32_t entry = what(s) | static_cast<std::uint32_t>(bits);
      for (std::uint32_t i = reversed; i < (1u << kFastBits); i += 1u << bits) fast[i] = entry;
    }
    return true;
  }

  // The meaning of the code at the front of `bits` with its length, or 0 for
  // a bit pattern no code has.
  std::uint32_t look_up(std::uint64_t bits) const {
    std::uint32_t entry = fast[bits & ((1u << kFastBits) - 1)];
    if (entry != 0) return entry;
    // Code by code, one bit longer each time (as zlib's puff does).
    int code = 0, first = 0, index = 0;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
      code |= static_cast<int>((bits >> (length - 1)) & 1);
      int n = count[length];
      if (code - n < first) return meanings(symbol[index + (code - first)]) | static_cast<std::uint32_t>(length);
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    return 0;
  }

  // The plain symbol, for the code-length alphabet; -1 for no code.
  int decode(BitReader& in) const {
    in.need(kMaxCodeBits);
    std::uint32_t entry = look_up(in.bits());
    if (entry == 0) return -1;
    in.drop(static_cast<int>(entry & 15));
    return static_cast<int>(entry >> 16);
  }
};

std::uint32_t plain_symbol(int symbol) { return static_cast<std::uint32_t>(symbol) << 16; }

struct FixedCodes {
  Huffman literal, distance;
  FixedCodes() {
    std::uint8_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    literal.build(lengths, 288, false, literal_meaning);
    // 32 five-bit codes, of which 30 and 31 are refused when met.
    std::uint8_t distances[32];
    std::memset(distances, 5, sizeof distances);
    distance.build(distances, 32, false, distance_meaning);
  }
};

bool read_dynamic_codes(BitReader& in, Huffman& literal, Huffman& distance) {
  int literals = static_cast<int>(in.take(5)) + 257;
  int distances = static_cast<int>(in.take(5)) + 1;
  int code_lengths = static_cast<int>(in.take(4)) + 4;
  if (literals > 286 || distances > 30) return false;
  std::uint8_t lengths[286 + 30] = {};
  for (int i = 0; i < code_lengths; ++i) lengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.take(3));
  Huffman lengths_code;
  if (!lengths_code.build(lengths, 19, false, plain_symbol)) return false;
  std::memset(lengths, 0, 19);
  const int total = literals + distances;
  for (int i = 0; i < total;) {
    int symbol = lengths_code.decode(in);
    if (symbol < 0 || !in.within()) return false;
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    int repeat = 0;
    if (symbol == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + static_cast<int>(in.take(2));
    } else {
      repeat = symbol == 17 ? 3 + static_cast<int>(in.take(3)) : 11 + static_cast<int>(in.take(7));
    }
    if (repeat > total - i) return false;
    std::memset(lengths + i, value, static_cast<std::size_t>(repeat));
    i += repeat;
  }
  if (lengths[256] == 0) return false;  // a block needs its end code
  return literal.build(lengths, literals, true, literal_meaning) &&
         distance.build(lengths + literals, distances, true, distance_meaning);
}

// Drops a code of a copy and returns the value of its extra bits.
std::uint32_t take_extra(BitReader& in, std::uint32_t entry) {
  int used = static_cast<int>(entry & 15), extra = static_cast<int>(entry >> 4 & 15);
  auto value = static_cast<std::uint32_t>((in.bits() >> used) & ((1u << extra) - 1));
  in.drop(used + extra);
  return value;
}

// A length code and its extra bits, a distance code and its: one refill
// covers them all.
constexpr int kLongestCopyBits = 15 + 5 + 15 + 13;

// Counts the output of one block's symbols up to its end code.
bool walk_symbols(BitReader& reader, const Huffman& literal, const Huffman& distance,
                  std::uint64_t& total) {
  BitReader in = reader;  // kept in registers
  std::uint64_t output = total;
  for (;;) {
    if (in.count() < kMaxCodeBits) {
      in.refill();
      if (!in.within()) return false;
    }
    std::uint32_t entry = literal.look_up(in.bits());
    if (entry == 0) return false;
    std::uint32_t kind = entry >> 8 & 3;
    if (kind == kLiteral) {
      in.drop(static_cast<int>(entry & 15));
      ++output;
      continue;
    }
    if (kind != kCopy) {
      if (kind == kInvalid) return false;
      in.drop(static_cast<int>(entry & 15));
      break;
    }
    // Past the end come zero bits, which may read as copies: every refill checks.
    if (in.count() < kLongestCopyBits) {
      in.refill();
      if (!in.within()) return false;
    }
    std::uint32_t length = (entry >> 16) + take_extra(in, entry);
    entry = distance.look_up(in.bits());
    if (entry == 0 || (entry >> 8 & 3) != kCopy) return false;
    std::uint32_t back = (entry >> 16) + take_extra(in, entry);
    if (back > output) return false;
    output += length;
  }
  reader = in;
  total = output;
  return in.within();
}

}  // namespace

bool walk_deflate_blocks(const std::uint8_t* data, std::size_t size, std::size_t length,
                         DeflateEnds& ends) {
  static const FixedCodes fixed;
  BitReader in(data, size);
  std::uint64_t output = 0;
  Huffman literal, distance;
  for (;;) {
    const std::size_t header = in.position();
    const bool last = in.take(1) != 0;
    const std::uint32_t type = in.take(2);
    if (type == 0) {
      in.to_byte_boundary();
      std::uint32_t stored = in.take(16);
      if ((in.take(16) ^ 0xFFFFu) != stored) return false;
      in.skip_bytes(stored);
      output += stored;
    } else if (type == 1) {
      if (!walk_symbols(in, fixed.literal, fixed.distance, output)) return false;
    } else if (type == 2) {
      if (!read_dynamic_codes(in, literal, distance) ||
          !walk_symbols(in, literal, distance, output)) {
        return false;
      }
    } else {
      return false;
    }
    if (!in.within()) return false;
    if (last) {
      ends.final_header = header;
      ends.end = in.position();
      return (ends.end + 7) / 8 == size && output == length;
    }
  }
}
