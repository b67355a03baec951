#include <gtest/gtest.h>

#include <cmath>

#include "app/document/distinct_colours.h"
#include "app/document/result_quality.h"
#include "engine/quantize.h"
#include "tests/app/document_test_support.h"

namespace {

TEST(ResultQuality, OnlyWhatShowsOverWhiteCounts) {
  std::vector<std::uint8_t> source = gradient_pixels(16, 4);
  ResultQuality same = measure_quality(source.data(), source.data(), 64);
  EXPECT_EQ(same.rmse, 0.0);
  EXPECT_EQ(same.psnr, 99.0);

  // Fully transparent pixels composite to white whatever their channels hold.
  std::vector<std::uint8_t> result = source;
  for (std::size_t i = 0; i < 64; ++i)
    if (result[4 * i + 3] == 0) result[4 * i] ^= 0xFF, result[4 * i + 2] ^= 0x5A;
  EXPECT_EQ(measure_quality(source.data(), result.data(), 64).psnr, 99.0);

  // One opaque channel off by the full range in one of two pixels: mse 1/6.
  const std::uint8_t black[8] = {0, 0, 0, 255, 9, 9, 9, 255};
  const std::uint8_t red[8] = {255, 0, 0, 255, 9, 9, 9, 255};
  ResultQuality off = measure_quality(black, red, 2);
  EXPECT_NEAR(off.rmse, std::sqrt(1.0 / 6.0), 1e-12);
  EXPECT_NEAR(off.psnr, 10.0 * std::log10(6.0), 1e-12);
}

TEST(DistinctColours, AlphaIsIgnoredAndCountingStopsPastTheLimit) {
  const std::uint8_t pixels[12] = {1, 2, 3, 255, 1, 2, 3, 0, 3, 2, 1, 255};
  EXPECT_EQ(count_distinct_colours(pixels, 3), 2u);
  std::vector<std::uint8_t> many(std::size_t{1} << 23);  // 2^21 pixels, each its own colour
  for (std::uint32_t i = 0; i < (1u << 21); ++i) {
    many[4 * i] = i >> 16;
    many[4 * i + 1] = (i >> 8) & 0xFF;
    many[4 * i + 2] = i & 0xFF;
  }
  EXPECT_EQ(count_distinct_colours(many.data(), 1u << 21), kDistinctColoursCounted + 1);
}

TEST(DocumentOpen, ReplacesTheImageAndRestsTheLayersButKeepsTheEdits) {
  StandInEngine engine;
  Document document(engine.entry());
  EXPECT_FALSE(document.open("/nonexistent/picture.png").ok());
  EXPECT_EQ(document.width(), 0u);
  EXPECT_FALSE(document.run_requested());

  DocumentTestAccess::pins(document) = {Rgba{5, 6, 7, 255}};
  QuantizerOptions options;
  options.colors = 12;
  document.set_options(options);
  PngFile png(20, 10);
  ASSERT_GT(png.size, 0u);
  int dither_version = document.layer(kDitherLayer).version;
  ASSERT_TRUE(document.open(png.path).ok());
  EXPECT_EQ(document.width(), 20u);
  EXPECT_EQ(document.path(), png.path);
  EXPECT_EQ(document.distinct_colours(), count_distinct_colours(document.pixels().data(), 200));
  EXPECT_EQ(document.layer(kDitherLayer).bytes, std::vector<std::uint8_t>(200, 128));
  EXPECT_EQ(document.layer(kFocusLayer).bytes, std::vector<std::uint8_t>(200, 0));
  EXPECT_TRUE(document.layer(kDitherLayer).empty);
  EXPECT_GT(document.layer(kDitherLayer).version, dither_version);
  EXPECT_EQ(document.pins().size(), 1u);

  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_EQ(engine.calls.back().options.colors, 12u);
  // The source is measured as an RGBA PNG declaring its gamma, as the test file was written.
  EXPECT_EQ(document.source_png_size(), png.size);
}

TEST(DocumentWorker, ARealRunMatchesTheEngineAndGetsItsPngSize) {
  Document document;
  set_image(document, 64, 48);
  QuantizerOptions options;
  options.colors = 16;
  document.set_options(options);
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  const QuantResult& result = document.result();
  ASSERT_TRUE(result.ok);

  std::vector<std::uint8_t> indices(64 * 48);
  std::uint8_t palette[1024] = {};
  std::uint32_t count = 0;
  double gamma = 0.0;
  ASSERT_EQ(quantize_image(document.pixels().data(), 64, 48, kDefaultGamma, &options, nullptr,
                           indices.data(), palette, &count, nullptr, &gamma),
            kQuantizeOk);
  EXPECT_EQ(result.indices, indices);
  EXPECT_EQ(std::vector<std::uint8_t>(result.palette.begin(), result.palette.end()),
            std::vector<std::uint8_t>(palette, palette + 1024));
  EXPECT_EQ(result.palette_count, count);
  EXPECT_EQ(result.gamma, gamma);
  EXPECT_GT(result.psnr, 15.0);
  EXPECT_LT(result.psnr, 99.0);

  document.request_png_size();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  std::vector<const std::uint8_t*> rows(48);
  for (int y = 0; y < 48; ++y) rows[y] = &indices[y * 64];
  EXPECT_EQ(document.result().png_size, indexed_png_size(64, 48, gamma, rows.data(), palette, count));
}

}  // namespace
