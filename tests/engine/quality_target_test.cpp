// The quality scale, and the target and limit the entry derives from it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/colour/histogram.h"
#include "engine/engine_cache.h"
#include "engine/engine_settings.h"
#include "engine/palette/palette_search.h"
#include "engine/quality_scale.h"
#include "tamble/device.h"
#include "tests/engine/pipeline_test_images.h"

namespace {

QuantizerOptions targeted(std::uint32_t colours, std::uint32_t speed, std::uint32_t least,
                          std::uint32_t aim) {
  QuantizerOptions o;
  o.colors = colours;
  o.speed = speed;
  o.quality_target = 1;
  o.quality_min = least;
  o.quality_max = aim;
  return o;
}

// Twelve flat colours in bands: a picture a palette can hold exactly.
std::vector<std::uint8_t> twelve_colours(std::uint32_t w, std::uint32_t h) {
  std::vector<std::uint8_t> px(4 * static_cast<std::size_t>(w) * h);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint32_t band = (x * 12) / w;
      std::uint8_t* p = &px[4 * (static_cast<std::size_t>(y) * w + x)];
      p[0] = static_cast<std::uint8_t>(band * 21);
      p[1] = static_cast<std::uint8_t>(255 - band * 17);
      p[2] = static_cast<std::uint8_t>((band * 97) & 255);
      p[3] = 255;
    }
  return px;
}

TEST(QualityScale, EndsAndEveryStepRoundTrip) {
  EXPECT_EQ(mse_for_quality(0), kNoMseLimit);  // 0 accepts anything
  EXPECT_EQ(mse_for_quality(100), kMseAtFullQuality);
  EXPECT_EQ(mse_for_quality(250), kMseAtFullQuality);
  EXPECT_EQ(quality_of_mse(0.0), 100u);
  EXPECT_EQ(quality_of_mse(1.0), 0u);
  EXPECT_EQ(quality_of_mse(-1.0), 0u);  // nothing measured
  for (std::uint32_t q = 1; q <= 100; ++q) {
    ASSERT_LT(mse_for_quality(q), mse_for_quality(q - 1)) << q;
    EXPECT_EQ(quality_of_mse(mse_for_quality(q)), q);
    EXPECT_EQ(quality_of_mse(mse_for_quality(q) * 1.0000001), q - 1);
  }
}

TEST(QualityTarget, AFewColourPictureReachesFullQualityWithItsOwnColours) {
  const std::vector<std::uint8_t> px = twelve_colours(96, 40);
  for (std::uint32_t speed : {1u, 3u, 7u}) {
    test_images::Result r = test_images::quantize(px, 96, 40, targeted(256, speed, 0, 100));
    ASSERT_EQ(r.status, kQuantizeOk) << speed;
    EXPECT_LE(r.size, 12u) << speed;
    EXPECT_EQ(r.report.quality, 100u) << speed;
    EXPECT_EQ(r.report.colors, r.size);
    EXPECT_EQ(r.rgba, px) << speed;
  }
  release_engine_caches();
}

TEST(QualityTarget, UsesTheFewestColoursThatReachTheAim) {
  const std::vector<std::uint8_t> px = test_images::gradient(64, 48, false);
  QuantizerOptions plain;
  plain.colors = 256;
  const std::uint32_t best = test_images::quantize(px, 64, 48, plain).report.quality;
  ASSERT_GT(best, 20u);
  const std::uint32_t aim = best - 8;
  test_images::Result r = test_images::quantize(px, 64, 48, targeted(256, 3, 0, aim));
  ASSERT_EQ(r.status, kQuantizeOk);
  EXPECT_GE(r.report.quality, aim);
  EXPECT_LT(r.size, 200u);
  // Fewest within a small margin: a plain run with a tenth fewer colours misses the aim.
  plain.colors = r.size - r.size / 10;
  EXPECT_LT(test_images::quantize(px, 64, 48, plain).report.quality, aim);
  release_engine_caches();
}

TEST(QualityTarget, AnUnreachableMinimumRefusesTheRunAndWritesNothing) {
  const std::vector<std::uint8_t> px = test_images::gradient(48, 32, true);
  for (std::uint32_t speed : {1u, 3u}) {
    test_images::Result r = test_images::quantize(px, 48, 32, targeted(4, speed, 100, 100));
    EXPECT_EQ(r.status, kQuantizeTooMuchError) << speed;
    EXPECT_EQ(r.indices, std::vector<std::uint8_t>(48 * 32, 0xCD));
    EXPECT_EQ(r.palette, std::vector<std::uint8_t>(1024, 0xAB));
    // The report tells how close the best palette came.
    EXPECT_LT(r.report.quality, 100u);
    EXPECT_GT(r.report.palette_error, 0.0);
    EXPECT_GE(r.report.colors, 2u);
    EXPECT_LE(r.report.colors, 4u);
  }
  // Target off: the same request succeeds and still reports its quality.
  QuantizerOptions off = targeted(4, 3, 100, 100);
  off.quality_target = 0;
  test_images::Result r = test_images::quantize(px, 48, 32, off);
  EXPECT_EQ(r.status, kQuantizeOk);
  EXPECT_EQ(r.report.colors, 4u);
  EXPECT_LT(r.report.quality, 100u);
  release_engine_caches();
}

}  // namespace

namespace {

// A palette search reorders and re-weights the items; restoring gives back the
// histogram as built, byte for byte, so each later search starts alike.
TEST(RestoreBuildOrder, UndoesWhatAPaletteSearchWrote) {
  tamble::device* dev = tamble::get_cpu_device();
  const std::vector<std::uint8_t> px = test_images::gradient(40, 30, true);
  auto hist = build_histogram(dev, px.data(), px.size() / 4, kDefaultGamma, 1u << 20, 0, nullptr);
  histogram_to_work_colors(dev, *hist);
  const std::vector<HistogramItem> built(hist->items.data(), hist->items.data() + hist->count);
  EngineSettings s;
  s.colors = 16;
  double error = -1.0;
  palette_search(dev, *hist, s, error);
  ASSERT_NE(std::memcmp(built.data(), hist->items.data(), built.size() * sizeof(HistogramItem)), 0);
  restore_build_order(dev, *hist);
  EXPECT_EQ(std::memcmp(built.data(), hist->items.data(), built.size() * sizeof(HistogramItem)), 0);
}

}  // namespace
