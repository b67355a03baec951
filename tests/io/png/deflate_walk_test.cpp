// The deflate block walker against zlib's inflate: the same final block and
// end for streams of every block type from both compressors, and the same
// verdict on damaged streams.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "io/png/deflate_walk.h"
#include "tests/io/io_test_support.h"

namespace {

// zlib's answer: the bit offsets of the final block's header and of its end,
// when the stream inflates to exactly `length` bytes and has nothing after it.
bool inflate_ends(const std::vector<std::uint8_t>& raw, std::size_t length, DeflateEnds& ends) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  std::vector<std::uint8_t> scratch(1 << 15);
  auto bit_position = [&] { return (raw.size() - z.avail_in) * 8 - (z.data_type & 63); };
  ends = {};
  bool whole = false;
  for (;;) {
    z.next_out = scratch.data();
    z.avail_out = static_cast<uInt>(scratch.size());
    int rc = inflate(&z, Z_BLOCK);
    if (rc == Z_STREAM_END) {
      whole = ends.end != 0 && z.total_out == length && z.avail_in == 0;
      break;
    }
    if (rc != Z_OK) break;
    if ((z.data_type & 128) != 0) {
      ((z.data_type & 64) != 0 ? ends.end : ends.final_header) = bit_position();
    }
  }
  inflateEnd(&z);
  return whole;
}

std::vector<std::uint8_t> sample_input(int kind, std::size_t size, std::mt19937& random) {
  std::vector<std::uint8_t> input(size);
  for (std::size_t i = 0; i < size; ++i) {
    switch (kind) {
      case 0: input[i] = static_cast<std::uint8_t>(random()); break;            // incompressible
      case 1: input[i] = static_cast<std::uint8_t>("abcabdabe"[random() % 9]); break;  // few symbols
      case 2: input[i] = static_cast<std::uint8_t>(i / 700 + (random() % 16 == 0)); break;  // long runs
      default: input[i] = static_cast<std::uint8_t>(i < 40 ? random() : input[i - 1 - random() % 40]);
    }
  }
  return input;
}

std::vector<std::uint8_t> libdeflate_raw(const std::vector<std::uint8_t>& input, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  std::vector<std::uint8_t> out(libdeflate_deflate_compress_bound(c, input.size()));
  out.resize(libdeflate_deflate_compress(c, input.data(), input.size(), out.data(), out.size()));
  libdeflate_free_compressor(c);
  return out;
}

std::vector<std::uint8_t> zlib_raw(const std::vector<std::uint8_t>& input, int level, int strategy) {
  return zlib_deflate(input, level, -15, strategy);
}

void expect_walk_as_inflate(const std::vector<std::uint8_t>& raw, std::size_t length,
                            bool must_pass) {
  DeflateEnds walked, inflated;
  bool walk_ok = walk_deflate_blocks(raw.data(), raw.size(), length, walked);
  bool inflate_ok = inflate_ends(raw, length, inflated);
  ASSERT_EQ(walk_ok, inflate_ok);
  if (must_pass) {
    ASSERT_TRUE(walk_ok);
  }
  if (walk_ok) {
    EXPECT_EQ(walked.final_header, inflated.final_header);
    EXPECT_EQ(walked.end, inflated.end);
  }
}

}  // namespace

TEST(DeflateWalk, FindsZlibsFinalBlockInEveryKindOfStream) {
  std::mt19937 random(23);
  for (int kind = 0; kind < 4; ++kind) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{300}, std::size_t{70000},
                             std::size_t{200000}}) {
      std::vector<std::uint8_t> input = sample_input(kind, size, random);
      for (int level : {0, 1, 6, 7, 12}) {
        SCOPED_TRACE(testing::Message() << "kind " << kind << " size " << size << " level " << level);
        expect_walk_as_inflate(libdeflate_raw(input, level), size, true);
      }
      for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
        SCOPED_TRACE(testing::Message() << "kind " << kind << " size " << size << " zlib " << strategy);
        expect_walk_as_inflate(zlib_raw(input, 9, strategy), size, true);
      }
      // A stream one byte shorter or longer than its claimed output is refused.
      DeflateEnds ends;
      std::vector<std::uint8_t> raw = libdeflate_raw(input, 6);
      EXPECT_FALSE(walk_deflate_blocks(raw.data(), raw.size(), size + 1, ends));
      raw.push_back(0);
      EXPECT_FALSE(walk_deflate_blocks(raw.data(), raw.size(), size, ends));
    }
  }
}

// Damaged streams (flipped bits, cut ends, random bytes): the walker accepts
// exactly what zlib accepts, and never reads past the data (under ASan).
TEST(DeflateWalk, AgreesWithZlibOnDamagedStreams) {
  std::mt19937 random(1023);
  for (int round = 0; round < 3000; ++round) {
    std::size_t size = 1 + random() % 3000;
    std::vector<std::uint8_t> input = sample_input(static_cast<int>(random() % 4), size, random);
    std::vector<std::uint8_t> raw = round % 2 == 0 ? libdeflate_raw(input, static_cast<int>(random() % 13))
                                                   : zlib_raw(input, 6, round % 4 == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY);
    switch (round % 3) {
      case 0:
        for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips) {
          raw[random() % raw.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        break;
      case 1: raw.resize(random() % raw.size()); break;
      default:
        for (std::size_t i = random() % raw.size(); i < raw.size(); ++i) {
          raw[i] = static_cast<std::uint8_t>(random());
        }
    }
    SCOPED_TRACE(round);
    expect_walk_as_inflate(raw, size, false);
  }
}
