// Files that claim more than they hold, or that decoders used to misread:
// oversized PNG chunks, short GIFs, top-down bitmaps, 16-bit samples, missing files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>

#include "io/image_decode.h"
#include "tests/io/io_test_support.h"
#include "tests/support/peak_memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

IoStatus load_bytes(const Bytes& bytes, DecodedImage& image, const char* name = "image") {
  ScratchFolder folder;
  write_bytes(folder.file(name), bytes);
  testing::internal::CaptureStderr();
  IoStatus status = load_image_file(folder.file(name), image);
  testing::internal::GetCapturedStderr();
  return status;
}

void append_u32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Inserts a chunk before the first IDAT; `claimed` overrides the stored length.
void insert_chunk(Bytes& png, const char* type, const Bytes& data, std::uint32_t claimed = 0) {
  Bytes chunk;
  append_u32(chunk, claimed != 0 ? claimed : static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  append_u32(chunk, static_cast<std::uint32_t>(crc32(crc32(0, chunk.data() + 4, 4), data.data(),
                                                     static_cast<uInt>(data.size()))));
  png.insert(png.begin() + static_cast<long>(find_chunk(png, "IDAT")), chunk.begin(), chunk.end());
}

// A zlib stream of `size` zero bytes made by hand: one fixed-Huffman block of a
// literal 0 and then matches of 258 at distance 1, so it costs a few megabytes at most.
Bytes zeros_bomb(std::uint64_t size) {
  Bytes out = {0x78, 0x01};
  std::uint64_t bits = 0;
  int count = 0;
  auto put = [&](std::uint32_t value, int length) {  // Huffman codes go most significant bit first
    for (int i = length - 1; i >= 0; --i) {
      bits |= std::uint64_t{(value >> i) & 1u} << count;
      if (++count == 8) out.push_back(static_cast<std::uint8_t>(bits)), bits = 0, count = 0;
    }
  };
  auto put_plain = [&](std::uint32_t value, int length) {  // header bits go least significant first
    for (int i = 0; i < length; ++i) {
      bits |= std::uint64_t{(value >> i) & 1u} << count;
      if (++count == 8) out.push_back(static_cast<std::uint8_t>(bits)), bits = 0, count = 0;
    }
  };
  put_plain(1, 1);     // final block
  put_plain(1, 2);     // fixed Huffman codes
  put(0x30, 8);        // literal 0
  for (std::uint64_t left = size - 1; left >= 258; left -= 258) {
    put(0xc5, 8);      // length 258
    put(0, 5);         // distance 1
  }
  put(0, 7);           // end of block (the few bytes short of `size` do not matter here)
  if (count > 0) out.push_back(static_cast<std::uint8_t>(bits));
  append_u32(out, 1);  // adler32 left wrong on purpose: the decoder must give up before it
  return out;
}

PngRecipe small_rgb() {
  PngRecipe recipe;
  recipe.width = 2;
  recipe.colour_type = PNG_COLOR_TYPE_RGB;
  recipe.rows = {{10, 20, 30, 40, 50, 60}};
  return recipe;
}

}  // namespace

TEST(DecoderLimits, PngChunksClaimingMoreThanTheFileOrAnySaneSizeAreNotAllocated) {
  std::uint64_t peak_before = peak_resident_bytes();
  Bytes text_claim = make_png(small_rgb());
  insert_chunk(text_claim, "tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}, 0x7ffffff0);
  DecodedImage image;
  EXPECT_EQ(io_message(load_bytes(text_claim, image)), "unsupported or corrupt image format");

  // Compressed text that inflates to 256 MiB is dropped; the image itself is fine.
  Bytes bomb = zeros_bomb(std::uint64_t{256} << 20);
  Bytes ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  ztxt.insert(ztxt.end(), bomb.begin(), bomb.end());
  Bytes itxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 1, 0, 0, 0};
  itxt.insert(itxt.end(), bomb.begin(), bomb.end());
  for (const auto& [type, data] : {std::pair{"zTXt", ztxt}, std::pair{"iTXt", itxt}}) {
    Bytes png = make_png(small_rgb());
    insert_chunk(png, type, data);
    DecodedImage decoded;
    ASSERT_EQ(io_message(load_bytes(png, decoded, "text.png")), "") << type;
    EXPECT_EQ(decoded.pixels, (Bytes{10, 20, 30, 255, 40, 50, 60, 255})) << type;
  }
  // Many text chunks, each within the per-chunk limit, are not kept or inflated either.
  Bytes flood = make_png(small_rgb());
  Bytes seven_mb = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  Bytes seven_mb_bomb = zeros_bomb(std::uint64_t{7} << 20);
  seven_mb.insert(seven_mb.end(), seven_mb_bomb.begin(), seven_mb_bomb.end());
  for (int i = 0; i < 120; ++i) insert_chunk(flood, "zTXt", seven_mb);
  ASSERT_EQ(io_message(load_bytes(flood, image, "flood.png")), "");
  EXPECT_EQ(image.pixels, (Bytes{10, 20, 30, 255, 40, 50, 60, 255}));
  // Before the limits each of these took hundreds of megabytes or more.
  EXPECT_LT(peak_resident_bytes(), peak_before + (std::uint64_t{96} << 20));
}

TEST(DecoderLimits, SixteenBitPngSamplesRoundToTheNearestByte) {
  PngRecipe recipe;
  recipe.width = 256;
  recipe.height = 256;
  recipe.colour_type = PNG_COLOR_TYPE_GRAY;
  recipe.bit_depth = 16;
  for (std::uint32_t y = 0; y < 256; ++y) {
    Bytes row;
    for (std::uint32_t x = 0; x < 256; ++x) row.push_back(static_cast<std::uint8_t>(y)), row.push_back(static_cast<std::uint8_t>(x));
    recipe.rows.push_back(row);
  }
  DecodedImage image;
  ASSERT_EQ(io_message(load_bytes(make_png(recipe), image, "grey16.png")), "");
  int wrong = 0;
  for (std::uint32_t value = 0; value < 65536; ++value) {
    wrong += image.pixels[value * 4] != (value * 255 + 32767) / 65535;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(image.pixels[65280 * 4], 254);
  EXPECT_EQ(image.pixels[32768 * 4], 128);
}

namespace {

// A GIF of 16 x 16 pixels, colour (x + y) % 4, its codes all literal and 9 bits wide.
Bytes make_gif() {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 16, 0, 0x81, 0, 0};  // 4-entry colour table
  for (std::uint8_t c : {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}) gif.push_back(c);
  for (std::uint8_t c : {0x2c, 0, 0, 0, 0, 16, 0, 16, 0, 0, 8}) gif.push_back(c);
  Bytes codes_bytes;
  std::uint32_t bits = 0;
  int count = 0;
  auto put = [&](std::uint32_t code) {
    bits |= code << count;
    for (count += 9; count >= 8; count -= 8) codes_bytes.push_back(static_cast<std::uint8_t>(bits)), bits >>= 8;
  };
  put(256);  // clear
  for (int i = 0; i < 256; ++i) {
    if (i % 100 == 99) put(256);  // keeps the code width at 9 bits
    put(static_cast<std::uint32_t>((i % 16 + i / 16) % 4));
  }
  put(257);  // end
  if (count > 0) codes_bytes.push_back(static_cast<std::uint8_t>(bits));
  for (std::size_t at = 0; at < codes_bytes.size(); at += 255) {
    std::size_t length = std::min<std::size_t>(255, codes_bytes.size() - at);
    gif.push_back(static_cast<std::uint8_t>(length));
    gif.insert(gif.end(), codes_bytes.begin() + static_cast<long>(at), codes_bytes.begin() + static_cast<long>(at + length));
  }
  gif.push_back(0);
  gif.push_back(0x3b);
  return gif;
}

}  // namespace

TEST(DecoderLimits, ShortGifIsRefusedAndWholeOneDecodes) {
  Bytes gif = make_gif();
  DecodedImage image;
  ASSERT_EQ(io_message(load_bytes(gif, image)), "");
  ASSERT_EQ(image.width, 16u);
  EXPECT_EQ((Bytes(image.pixels.begin() + 15 * 64 + 60, image.pixels.begin() + 15 * 64 + 64)),
            (Bytes{0, 0, 255, 255}));  // (15 + 15) % 4 = 2: blue

  for (std::size_t keep : {gif.size() - 2, gif.size() / 2, std::size_t{20}}) {
    DecodedImage cut;
    EXPECT_EQ(io_message(load_bytes(Bytes(gif.begin(), gif.begin() + static_cast<long>(keep)), cut)),
              "could not read the pixels")
        << keep;
  }
  // Cut after its first sub-block of image data but closed properly: still short.
  std::size_t data = 13 + 12 + 11;
  Bytes closed_early(gif.begin(), gif.begin() + static_cast<long>(data + 1 + gif[data]));
  closed_early.insert(closed_early.end(), {0, 0x3b});
  DecodedImage cut;
  EXPECT_EQ(io_message(load_bytes(closed_early, cut)), "could not read the pixels");
}

namespace {

// A BMP with a 40-byte header, `colours` BGRA palette entries and `data` after them.
Bytes make_bmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
               const Bytes& colours, const Bytes& data) {
  Bytes bmp(54, 0);
  std::uint32_t offset = static_cast<std::uint32_t>(54 + colours.size());
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<std::uint32_t>(offset + data.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bmp[26] = 1;
  bmp[28] = static_cast<std::uint8_t>(bits), bmp[29] = static_cast<std::uint8_t>(bits >> 8);
  put32(30, compression);
  put32(46, static_cast<std::uint32_t>(colours.size() / 4));
  bmp.insert(bmp.end(), colours.begin(), colours.end());
  bmp.insert(bmp.end(), data.begin(), data.end());
  return bmp;
}

}  // namespace

TEST(DecoderLimits, RunLengthBitmapsDecodeAndBrokenHeadersAreRefused) {
  const Bytes colours = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue (BGRx)
  // 4 x 2, bottom row first: runs of 2 reds, 1 green, 1 blue, end of line; then
  // the top row: a move of 1 pixel, a literal green, blue, green (padded), the end.
  Bytes rle8 = {2, 0, 1, 1, 1, 2, 0, 0, 0, 2, 1, 0, 0, 3, 1, 2, 1, 0, 0, 1};
  DecodedImage image;
  ASSERT_EQ(io_message(load_bytes(make_bmp(4, 2, 8, 1, colours, rle8), image)), "");
  const Bytes none = {0, 0, 0, 0}, red = {255, 0, 0, 255}, green = {0, 255, 0, 255}, blue = {0, 0, 255, 255};
  Bytes expected;
  for (const Bytes* pixel : {&none, &green, &blue, &green, &red, &red, &green, &blue})
    expected.insert(expected.end(), pixel->begin(), pixel->end());
  EXPECT_EQ(image.pixels, expected);
  // RLE4: the same picture, runs alternating nibbles.
  Bytes rle4 = {2, 0x00, 1, 0x10, 1, 0x20, 0, 0, 0, 2, 1, 0, 0, 3, 0x12, 0x10, 0, 1};
  ASSERT_EQ(io_message(load_bytes(make_bmp(4, 2, 4, 2, colours, rle4), image)), "");
  EXPECT_EQ(image.pixels, expected);
  // Data that stops before the end mark and before the last row is truncated.
  EXPECT_EQ(io_message(load_bytes(make_bmp(4, 2, 8, 1, colours, Bytes(rle8.begin(), rle8.begin() + 8)), image)),
            "could not read the pixels");

  // Depth 65288 with compression 0xFFFFFFFF, a negative width, RLE8 at 24 bits,
  // two planes: not bitmaps, whatever stb_image would make of them.
  Bytes two_planes = make_bmp(2, 2, 24, 0, {}, Bytes(16, 0));
  two_planes[26] = 2;
  for (const Bytes& bad : {make_bmp(4000, 1000, 65288, 0xFFFFFFFF, {}, Bytes(144, 0)),
                           make_bmp(-2, 2, 24, 0, {}, Bytes(16, 0)),
                           make_bmp(2, 2, 24, 1, {}, Bytes(16, 0)), two_planes}) {
    EXPECT_EQ(io_message(load_bytes(bad, image)), "unsupported or corrupt image format");
  }
}

TEST(DecoderLimits, TopDownBitmapDecodesRightWayUp) {
  // 2 x 2, 24-bit, height -2: the first stored row is the top one.
  Bytes bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
               0xfe, 0xff, 0xff, 0xff, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0};
  bmp.resize(54, 0);
  for (std::uint8_t c : {0, 0, 255, 0, 255, 0, 0, 0,        // top: red, green (stored B, G, R)
                         255, 0, 0, 255, 255, 255, 0, 0}) {  // bottom: blue, white
    bmp.push_back(c);
  }
  DecodedImage image;
  ASSERT_EQ(io_message(load_bytes(bmp, image)), "");
  ASSERT_EQ(image.height, 2u);
  EXPECT_EQ(image.pixels, (Bytes{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255}));
}

TEST(DecoderLimits, MissingFileIsNamedAsSuch) {
  ScratchFolder folder;
  DecodedImage image;
  EXPECT_EQ(io_message(load_image_file(folder.file("absent.png"), image)), "no such file");
  EXPECT_EQ(io_message(load_image_file(folder.file("absent/inner.png"), image)), "no such file");
  EXPECT_EQ(io_message(load_image_file(folder.path(), image)), "is a directory");
}
