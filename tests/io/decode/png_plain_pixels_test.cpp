// The quick PNG road against libpng's: the same pixels for every filter,
// colour type and odd width, and libpng's own outcome whenever the image data
// is not exactly as expected.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "io/decode/png_plain_pixels.h"
#include "tests/io/io_test_support.h"

namespace {

// Rows mixing noise (every Paeth branch, wrapping sums) with smooth runs.
PngRecipe noisy_image(int colour_type, int channels, std::uint32_t width, std::uint32_t height,
                      std::uint32_t seed) {
  PngRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.colour_type = colour_type;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::vector<std::uint8_t> row(std::size_t{width} * channels);
    for (std::size_t i = 0; i < row.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = (y % 3 == 1) ? static_cast<std::uint8_t>(i * 7 + y * 3 + (seed >> 29))
                            : static_cast<std::uint8_t>(seed >> 24);
    }
    recipe.rows.push_back(std::move(row));
  }
  return recipe;
}

DecodedImage decode_by(PngRoad road, const std::vector<std::uint8_t>& png, IoStatus* status = nullptr,
                       std::string* detail = nullptr) {
  DecodedImage image;
  IoStatus result = decode_png_memory_by(road, png.data(), png.size(), image, detail);
  if (status != nullptr) *status = result;
  return image;
}

// True when the quick road reads the file, and then only with libpng's pixels,
// into a block of just the pixels and into one with a byte per row more,
// where RGBA rows are unfiltered in place.
bool quick_matches_libpng(const std::vector<std::uint8_t>& png, const PngRecipe& recipe,
                          int channels) {
  DecodedImage reference = decode_by(PngRoad::kLibpngOnly, png);
  bool read = false;
  for (std::size_t spare : {std::size_t{0}, std::size_t{recipe.height}}) {
    std::vector<std::uint8_t> quick(reference.pixels.size() + spare, 0xA5);
    read = read_plain_png_pixels(png.data(), png.size(), find_chunk(png, "IDAT"), recipe.width,
                                 recipe.height, channels, quick.data(), quick.size());
    if (read) {
      EXPECT_TRUE(std::memcmp(quick.data(), reference.pixels.data(), reference.pixels.size()) == 0)
          << spare;
    }
  }
  return read;
}

std::vector<std::uint8_t> zlib_stream(const std::vector<std::uint8_t>& raw, int window_bits) {
  return zlib_deflate(raw, 9, window_bits, Z_DEFAULT_STRATEGY);
}

// The file with all its image data chunks replaced by one holding `stream`.
std::vector<std::uint8_t> with_image_data(const std::vector<std::uint8_t>& png,
                                          const std::vector<std::uint8_t>& stream) {
  std::size_t first = find_chunk(png, "IDAT");
  std::size_t after = first;
  while (std::memcmp(&png[after + 4], "IDAT", 4) == 0) {
    after += 12 + (std::size_t{png[after]} << 24 | png[after + 1] << 16 | png[after + 2] << 8 | png[after + 3]);
  }
  std::vector<std::uint8_t> out(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(first));
  const std::uint32_t length = static_cast<std::uint32_t>(stream.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
  out.insert(out.end(), {'I', 'D', 'A', 'T'});
  out.insert(out.end(), stream.begin(), stream.end());
  out.insert(out.end(), 4, 0);
  out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(after), png.end());
  fix_chunk_crc(out, "IDAT");
  return out;
}

struct ColourType {
  int type, channels;
};
constexpr ColourType kColourTypes[] = {{PNG_COLOR_TYPE_GRAY, 1},
                                       {PNG_COLOR_TYPE_GRAY_ALPHA, 2},
                                       {PNG_COLOR_TYPE_RGB, 3},
                                       {PNG_COLOR_TYPE_RGBA, 4}};

}  // namespace

TEST(PngQuickRoad, EveryFilterColourTypeAndOddWidthGivesLibpngsPixels) {
  const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP,   PNG_FILTER_AVG,
                         PNG_FILTER_PAETH, PNG_ALL_FILTERS};
  for (ColourType colour : kColourTypes) {
    for (int filter : filters) {
      for (std::uint32_t width : {1u, 2u, 5u, 17u, 67u}) {
        SCOPED_TRACE(testing::Message() << "type " << colour.type << " filter " << filter
                                        << " width " << width);
        PngRecipe recipe = noisy_image(colour.type, colour.channels, width, 9, width + filter);
        recipe.filters = filter;
        // Small chunks make the image data span many of them.
        recipe.chunk_bytes = width == 67 ? 64 : 0;
        std::vector<std::uint8_t> png = make_png(recipe);
        EXPECT_TRUE(quick_matches_libpng(png, recipe, colour.channels));
        DecodedImage image = decode_by(PngRoad::kQuickWhenPlain, png);
        EXPECT_EQ(image.pixels, decode_by(PngRoad::kLibpngOnly, png).pixels);
      }
    }
  }
}

TEST(PngQuickRoad, CorpusPngsDecodeAsLibpngDoes) {
  for (const char* name : {"astronaut.png", "chelsea.png", "coffee.png", "horse.png", "logo.png",
                           "camera.png", "chessboard_RGB.png", "green_palette.png",
                           "MATE-Stripes-Dark.png", "Ubuntu-Mate-Cold-no-logo.png"}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> png = read_bytes(std::string(BQ_CORPUS_DIR) + "/" + name);
    ASSERT_FALSE(png.empty());
    IoStatus quick_status, libpng_status;
    DecodedImage quick = decode_by(PngRoad::kQuickWhenPlain, png, &quick_status);
    DecodedImage reference = decode_by(PngRoad::kLibpngOnly, png, &libpng_status);
    EXPECT_TRUE(quick_status.ok());
    EXPECT_TRUE(libpng_status.ok());
    EXPECT_EQ(quick.width, reference.width);
    EXPECT_EQ(quick.gamma, reference.gamma);
    EXPECT_TRUE(quick.pixels == reference.pixels);
    // The plain ones (8 bits, grey to RGBA, no key, not interlaced) take the quick road.
    bool plain = png[24] == 8 && png[25] != PNG_COLOR_TYPE_PALETTE && png[28] == 0 &&
                 find_chunk(png, "tRNS") == 0;
    if (plain) {
      PixelBytes pixels(reference.pixels.size());
      EXPECT_TRUE(read_plain_png_pixels(png.data(), png.size(), find_chunk(png, "IDAT"),
                                        reference.width, reference.height, png[25] == 0 ? 1 : png[25] == 4 ? 2 : png[25] == 2 ? 3 : 4,
                                        pixels.data(), pixels.size()));
      EXPECT_TRUE(pixels == reference.pixels);
    }
  }
}

// Each damaged file gives through the quick road exactly what libpng gives:
// the same status, words and pixels, whether libpng refuses it or not.
TEST(PngQuickRoad, DamagedImageDataFallsBackToLibpng) {
  PngRecipe recipe = noisy_image(PNG_COLOR_TYPE_RGB, 3, 33, 20, 5);
  recipe.chunk_bytes = 256;
  const std::vector<std::uint8_t> intact = make_png(recipe);
  ASSERT_TRUE(quick_matches_libpng(intact, recipe, 3));
  const std::size_t idat = find_chunk(intact, "IDAT");
  const std::size_t iend = find_chunk(intact, "IEND");

  std::vector<std::vector<std::uint8_t>> damaged;
  auto damage = [&](auto change) {
    std::vector<std::uint8_t> bytes = intact;
    change(bytes);
    damaged.push_back(bytes);
  };
  damage([&](auto& b) { b[idat + 20] ^= 0x10; });                      // CRC no longer matches
  damage([&](auto& b) { b[idat + 20] ^= 0x10; fix_chunk_crc(b, "IDAT"); });  // corrupt stream
  damage([&](auto& b) { b.resize(iend - 100); });                      // cut short
  damage([&](auto& b) { b[iend - 5] ^= 1; fix_chunk_crc(b, "IDAT"); });  // Adler-32 (last chunk)
  // An extra image data chunk after the stream's end.
  damage([&](auto& b) {
    const std::uint8_t extra[] = {0, 0, 0, 2, 'I', 'D', 'A', 'T', 1, 2, 0, 0, 0, 0};
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(iend), std::begin(extra), std::end(extra));
  });
  // Streams of our own over unfiltered rows: one with a filter type libpng
  // does not know, one whose header states a 512-byte window.
  std::vector<std::uint8_t> rows;
  for (const auto& row : recipe.rows) {
    rows.push_back(0);
    rows.insert(rows.end(), row.begin(), row.end());
  }
  std::vector<std::uint8_t> bad_filter = rows;
  bad_filter[3 * (33 * 3 + 1)] = 7;
  damaged.push_back(with_image_data(intact, zlib_stream(bad_filter, 15)));
  damaged.push_back(with_image_data(intact, zlib_stream(rows, 9)));
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    IoStatus quick_status, libpng_status;
    std::string quick_detail, libpng_detail;
    DecodedImage quick = decode_by(PngRoad::kQuickWhenPlain, damaged[i], &quick_status, &quick_detail);
    DecodedImage reference = decode_by(PngRoad::kLibpngOnly, damaged[i], &libpng_status, &libpng_detail);
    EXPECT_EQ(io_message(quick_status), io_message(libpng_status));
    EXPECT_EQ(quick_detail, libpng_detail);
    if (libpng_status.ok()) {
      EXPECT_EQ(quick.pixels, reference.pixels);
    }
  }
}
