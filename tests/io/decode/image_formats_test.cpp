// The generic decoder: real files of every format, synthetic JPEGs, and
// broken or hostile files that must end in a message.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cstdlib>

#include "io/image_decode.h"
#include "tests/io/io_test_support.h"

namespace {

const std::string kCorpus = BQ_CORPUS_DIR;

struct LoadResult {
  bool ok;
  DecodedImage image;
  std::string message;
};

LoadResult load(const std::string& path) {
  LoadResult result;
  result.image.width = 77;  // a failure must leave this alone
  IoStatus status = load_image_file(path, result.image);
  result.ok = status.ok();
  result.message = io_message(status);
  return result;
}

LoadResult load_bytes(const std::vector<std::uint8_t>& bytes, const char* name = "image") {
  ScratchFolder folder;
  write_bytes(folder.file(name), bytes);
  return load(folder.file(name));
}

void expect_failure(const LoadResult& result, const char* message) {
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, message);
  EXPECT_EQ(result.image.width, 77u);
}

}  // namespace

TEST(ImageFormats, CorpusImagesDecodeToTheirSizes) {
  struct Expected {
    const char* name;
    std::uint32_t width, height;
  };
  const Expected files[] = {
      {"astronaut.png", 512, 512},      {"chelsea.png", 451, 300},
      {"chelsea.webp", 451, 300},       {"coffee.png", 600, 400},
      {"coffee.bmp", 600, 400},         {"coffee.gif", 600, 400},
      {"rocket.jpg", 640, 427},         {"horse.png", 400, 328},
      {"logo.png", 500, 500},           {"camera.png", 512, 512},
      {"chessboard_RGB.png", 200, 200}, {"chessboard_GRAY_U16.tif", 200, 200},
      {"checker_bilevel.png", 10, 10},  {"green_palette.png", 320, 240},
      {"foo3x5x4indexed.png", 5, 3},    {"GreenTraditional.jpg", 1900, 1200},
  };
  for (const Expected& file : files) {
    LoadResult result = load(kCorpus + "/" + file.name);
    ASSERT_TRUE(result.ok) << file.name << ": " << result.message;
    EXPECT_EQ(result.image.width, file.width) << file.name;
    EXPECT_EQ(result.image.height, file.height) << file.name;
    EXPECT_EQ(result.image.pixels.size(), std::size_t{file.width} * file.height * 4) << file.name;
  }
}

TEST(ImageFormats, GenericFormatsAgreeWithThePngAndUseDefaultGamma) {
  LoadResult png = load(kCorpus + "/coffee.png");
  LoadResult bmp = load(kCorpus + "/coffee.bmp");
  ASSERT_TRUE(png.ok && bmp.ok);
  EXPECT_EQ(bmp.image.pixels, png.image.pixels);  // lossless copy: same bytes in the same order
  EXPECT_EQ(bmp.image.gamma, 0.45454545454545453);
  EXPECT_EQ(load(kCorpus + "/rocket.jpg").image.gamma, 0.45454545454545453);
  EXPECT_EQ(load(kCorpus + "/checker_bilevel.png").image.gamma, 0.45455);

  LoadResult tiff = load(kCorpus + "/chessboard_GRAY_U16.tif");
  ASSERT_TRUE(tiff.ok);
  bool grey = true;
  for (std::size_t i = 0; i < tiff.image.pixels.size(); i += 4) {
    const std::uint8_t* p = &tiff.image.pixels[i];
    grey = grey && p[0] == p[1] && p[1] == p[2] && p[3] == 255;
  }
  EXPECT_TRUE(grey);
}

TEST(ImageFormats, JpegGreyAndCmykDecode) {
  const std::uint8_t grey[1] = {100};
  LoadResult grey_result = load_bytes(make_flat_jpeg(16, 8, 1, grey));
  ASSERT_TRUE(grey_result.ok) << grey_result.message;
  EXPECT_NEAR(grey_result.image.pixels[0], 100, 2);
  EXPECT_EQ(grey_result.image.pixels[0], grey_result.image.pixels[2]);
  EXPECT_EQ(grey_result.image.pixels[3], 255);

  // libjpeg marks CMYK files as Adobe's, whose samples are stored inverted:
  // these are cyan-free, full magenta and yellow, no black, i.e. red.
  const std::uint8_t inverted_red[4] = {255, 0, 0, 255};
  LoadResult cmyk = load_bytes(make_flat_jpeg(16, 16, 4, inverted_red));
  ASSERT_TRUE(cmyk.ok) << cmyk.message;
  EXPECT_NEAR(cmyk.image.pixels[0], 255, 3);
  EXPECT_NEAR(cmyk.image.pixels[1], 0, 3);
  EXPECT_NEAR(cmyk.image.pixels[2], 0, 3);
}

TEST(ImageFormats, WebpKeepsAlpha) {
  std::vector<std::uint8_t> rgba = {200, 100, 50, 0, 1, 2, 3, 128, 9, 8, 7, 255, 4, 4, 4, 4};
  std::uint8_t* encoded = nullptr;
  std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), 2, 2, 8, &encoded);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> bytes(encoded, encoded + size);
  WebPFree(encoded);
  LoadResult result = load_bytes(bytes);
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.image.pixels[7], 128);
  EXPECT_EQ(result.image.pixels[11], 255);
  EXPECT_EQ((std::vector<std::uint8_t>(result.image.pixels.begin() + 4, result.image.pixels.begin() + 8)),
            (std::vector<std::uint8_t>{1, 2, 3, 128}));
}

// The threaded decoder gives libwebp's plain single-thread pixels, on a small
// lossy file and on the 16.8 MP one (many rows, so the threads overlap).
TEST(ImageFormats, WebpDecodedOnTwoThreadsGivesTheSamePixels) {
  for (const char* name : {"chelsea.webp", "truchet-l.webp"}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> bytes = read_bytes(kCorpus + "/" + name);
    LoadResult result = load_bytes(bytes);
    ASSERT_TRUE(result.ok) << result.message;
    PixelBytes plain(result.image.pixels.size());
    ASSERT_NE(WebPDecodeRGBAInto(bytes.data(), bytes.size(), plain.data(), plain.size(),
                                 static_cast<int>(result.image.width) * 4),
              nullptr);
    EXPECT_TRUE(plain == result.image.pixels);
  }
}

TEST(ImageFormats, WhatIsNoImageIsNamedForWhatItIs) {
  ScratchFolder folder;
  expect_failure(load(folder.file("missing.png")), "no such file");
  expect_failure(load(folder.path()), "is a directory");
  ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);
  expect_failure(load(folder.file("pipe")), "not a regular file");
  write_bytes(folder.file("locked.png"), {1, 2, 3});
  ::chmod(folder.file("locked.png").c_str(), 0);
  if (::geteuid() != 0) expect_failure(load(folder.file("locked.png")), "permission denied");
  testing::internal::CaptureStderr();
  expect_failure(load_bytes({}, "empty.png"), "unsupported or corrupt image format");
  testing::internal::GetCapturedStderr();
  expect_failure(load_bytes({'h', 'e', 'l', 'l', 'o'}), "unsupported or corrupt image format");
}

TEST(ImageFormats, HeadersClaimingHugeImagesAreRefusedBeforeDecoding) {
  PngRecipe recipe;
  recipe.colour_type = PNG_COLOR_TYPE_RGB;
  recipe.rows = {{1, 2, 3}};
  std::vector<std::uint8_t> png = make_png(recipe);
  std::size_t ihdr = find_chunk(png, "IHDR");
  const std::uint8_t huge[8] = {0, 1, 0x86, 0xa0, 0, 1, 0x86, 0xa0};  // 100000 x 100000
  std::copy(huge, huge + 8, png.begin() + static_cast<long>(ihdr) + 8);
  fix_chunk_crc(png, "IHDR");
  testing::internal::CaptureStderr();
  expect_failure(load_bytes(png, "huge.png"), "image is too large");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("image is too large"), std::string::npos);

  // 30000 x 30000 is allowed in principle, but a few bytes of image data cannot fill it.
  const std::uint8_t large[8] = {0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30};
  std::copy(large, large + 8, png.begin() + static_cast<long>(ihdr) + 8);
  fix_chunk_crc(png, "IHDR");
  testing::internal::CaptureStderr();
  expect_failure(load_bytes(png, "large.png"), "could not read the pixels");
  testing::internal::GetCapturedStderr();

  // The frame header of a JPEG holds 16-bit sides: 65000 x 65000 is past 2^31 pixels.
  const std::uint8_t grey[1] = {50};
  std::vector<std::uint8_t> jpeg = make_flat_jpeg(8, 8, 1, grey);
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {
      jpeg[i + 5] = jpeg[i + 7] = 0xfd;
      jpeg[i + 6] = jpeg[i + 8] = 0xe8;
      break;
    }
  }
  expect_failure(load_bytes(jpeg), "image is too large");
}

TEST(ImageFormats, FilesEndingMidImageFailCleanly) {
  PngRecipe recipe;
  recipe.width = 64;
  recipe.height = 64;
  recipe.colour_type = PNG_COLOR_TYPE_RGB;
  std::uint32_t noise = 12345;  // incompressible, so the cut lands inside the pixel data
  for (int y = 0; y < 64; ++y) {
    std::vector<std::uint8_t> row(64 * 3);
    for (auto& sample : row) sample = static_cast<std::uint8_t>((noise = noise * 1103515245u + 12345u) >> 24);
    recipe.rows.push_back(row);
  }
  std::vector<std::uint8_t> png = make_png(recipe);
  png.resize(find_chunk(png, "IDAT") + 200);
  testing::internal::CaptureStderr();
  expect_failure(load_bytes(png), "could not read the pixels");
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("  error: decoding failed", 0), 0u);

  std::vector<std::uint8_t> jpeg = read_bytes(kCorpus + "/rocket.jpg");
  jpeg.resize(jpeg.size() / 2);
  expect_failure(load_bytes(jpeg), "could not read the pixels");

  std::vector<std::uint8_t> bmp = read_bytes(kCorpus + "/coffee.bmp");
  bmp.resize(bmp.size() - 1000);
  expect_failure(load_bytes(bmp), "could not read the pixels");

  for (const char* name : {"chelsea.webp", "chessboard_GRAY_U16.tif", "coffee.gif"}) {
    std::vector<std::uint8_t> bytes = read_bytes(kCorpus + "/" + name);
    bytes.resize(bytes.size() * 2 / 3);
    LoadResult result = load_bytes(bytes);
    EXPECT_FALSE(result.ok) << name;
    EXPECT_EQ(result.image.width, 77u) << name;
  }
}
