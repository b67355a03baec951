#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/dither/bayer_matrix.h"
#include "engine/dither/blue_noise_table.h"
#include "masked_test_support.h"
#include "tamble/runtime.h"
#include "tests/engine/isa_checksum.h"

namespace {

// Two greys a quarter of the way from the nearer one (index 0) to the other:
// at level v the far entry wins where mask x v pushes past the midpoint.
constexpr std::uint32_t kWidth = 70;   // not a multiple of 8 or 64
constexpr std::uint32_t kHeight = 67;

const Palette& two_greys() {
  static const Palette p = palette_of({grey(0.25), grey(0.75)});
  return p;
}

std::vector<WorkColor> flat(WorkColor c, std::uint32_t w = kWidth, std::uint32_t h = kHeight) {
  return std::vector<WorkColor>(static_cast<std::size_t>(w) * h, c);
}

double mask_at(DitherKind kind, std::uint32_t x, std::uint32_t y) {
  return kind == kDitherBayer ? bayer_mask_value(x, y) : blue_noise_mask_value(x, y);
}

class ThresholdMask : public testing::TestWithParam<DitherKind> {
 protected:
  EngineSettings s;
};

TEST_P(ThresholdMask, RunnerUpWhereTheThresholdCarriesPastTheMidpoint) {
  const DitherKind kind = GetParam();
  for (double level : {1.0, 2.0}) {  // the level is not capped for the masks
    set_uniform_level(s, level);
    std::vector<std::uint8_t> out = run_masked(s, flat(grey(0.375)), kWidth, kHeight, two_greys(), kind);
    std::size_t far = 0;
    for (std::uint32_t y = 0; y < kHeight; ++y)
      for (std::uint32_t x = 0; x < kWidth; ++x) {
        int expected = mask_at(kind, x, y) * level > 0.25 ? 1 : 0;
        ASSERT_EQ(out[y * kWidth + x], expected) << "level " << level << " at " << x << "," << y;
        far += out[y * kWidth + x];
      }
    EXPECT_GT(far, 0u);
  }
}

TEST_P(ThresholdMask, ShareOfTheRunnerUpIsTheFractionalPositionOverOneTile) {
  const DitherKind kind = GetParam();
  set_uniform_level(s, 1.0);
  const std::uint32_t tile = kind == kDitherBayer ? kBayerSize : kBlueNoiseSize;
  std::vector<std::uint8_t> out = run_masked(s, flat(grey(0.375), tile, tile), tile, tile, two_greys(), kind);
  std::size_t far = 0;
  for (std::uint8_t i : out) far += i;
  EXPECT_EQ(far, out.size() / 4);
}

TEST_P(ThresholdMask, NoLevelMeansTheNearestEntry) {
  const DitherKind kind = GetParam();
  set_uniform_level(s, 0.0);
  for (std::uint8_t i : run_masked(s, flat(grey(0.45)), kWidth, kHeight, two_greys(), kind)) ASSERT_EQ(i, 0);

  // A painted 0 switches dithering off at its pixels only.
  set_uniform_level(s, 1.0);
  std::vector<std::uint8_t> map(static_cast<std::size_t>(kWidth) * kHeight, 128);
  for (std::uint32_t x = 0; x < kWidth; ++x) map[3 * kWidth + x] = 0;
  s.dither_map = map.data();
  s.dither_width = kWidth;
  s.dither_height = kHeight;
  std::vector<std::uint8_t> out = run_masked(s, flat(grey(0.45)), kWidth, kHeight, two_greys(), kind);
  std::size_t far_in_row3 = 0, far_elsewhere = 0;
  for (std::uint32_t y = 0; y < kHeight; ++y)
    for (std::uint32_t x = 0; x < kWidth; ++x) (y == 3 ? far_in_row3 : far_elsewhere) += out[y * kWidth + x];
  EXPECT_EQ(far_in_row3, 0u);
  EXPECT_GT(far_elsewhere, 0u);
}

TEST_P(ThresholdMask, IgnoresADitherMapOfAnotherSize) {
  const DitherKind kind = GetParam();
  set_uniform_level(s, 1.0);
  std::vector<std::uint8_t> plain = run_masked(s, flat(grey(0.375)), kWidth, kHeight, two_greys(), kind);
  std::vector<std::uint8_t> zeros(static_cast<std::size_t>(kWidth + 1) * kHeight, 0);
  s.dither_map = zeros.data();
  s.dither_width = kWidth + 1;
  s.dither_height = kHeight;
  EXPECT_EQ(run_masked(s, flat(grey(0.375)), kWidth, kHeight, two_greys(), kind), plain);
}

TEST_P(ThresholdMask, RunnerUpIsTheNeighbourNearestToThePixel) {
  // Entry 0's list starts with entry 1 (darker), but entry 2 (lighter) is
  // nearer to a pixel above entry 0: the push must run towards entry 2.
  const DitherKind kind = GetParam();
  set_uniform_level(s, 1.0);
  Palette p = palette_of({grey(0.5), grey(0.3125), grey(0.703125), grey(0.0625)});
  std::vector<std::uint8_t> out = run_masked(s, flat(grey(0.5625)), kWidth, kHeight, p, kind);
  for (std::uint32_t y = 0; y < kHeight; ++y)
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      int expected = 0.5625 + mask_at(kind, x, y) * 0.203125 > 0.6015625 ? 2 : 0;
      ASSERT_EQ(out[y * kWidth + x], expected) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(BayerAndBlueNoise, ThresholdMask,
                         testing::Values(kDitherBayer, kDitherBlueNoise));

class EveryMaskedKind : public testing::TestWithParam<DitherKind> {
 protected:
  EngineSettings s;
};

TEST_P(EveryMaskedKind, OneEntryPaletteTakesEveryOpaquePixel) {
  set_uniform_level(s, 2.0);
  std::vector<WorkColor> pixels;
  for (int i = 0; i < 300; ++i) pixels.push_back(WorkColor{1.0, (i % 17) / 16.0, 0.2 + (i % 5) * 0.1, 0.6});
  for (std::uint8_t i : run_masked(s, pixels, 20, 15, palette_of({grey(0.5)}), GetParam())) ASSERT_EQ(i, 0);
}

TEST_P(EveryMaskedKind, TransparentPixelsTakeTheTransparentIndex) {
  set_uniform_level(s, 2.0);
  // Entry 2 is the one nearest to transparent black.
  Palette p = palette_of({grey(0.2), grey(0.8), WorkColor{0.0, 0.0, kNeutralA, kNeutralB}, grey(0.5)});
  std::vector<WorkColor> pixels = flat(grey(0.45), 40, 40);
  for (std::size_t i = 0; i < pixels.size(); i += 3) pixels[i] = WorkColor{0.003, 0.9, 0.3, 0.7};
  std::vector<std::uint8_t> out = run_masked(s, pixels, 40, 40, p, GetParam());
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i % 3 == 0)
      ASSERT_EQ(out[i], 2) << i;
    else
      ASSERT_NE(out[i], 2) << i;
  }
}

TEST_P(EveryMaskedKind, WritesEveryPixelAndRepeatsItself) {
  set_uniform_level(s, 1.3);
  std::vector<WorkColor> pixels;
  std::vector<double> edges;
  for (std::uint32_t i = 0; i < 90 * 70; ++i) {
    pixels.push_back(WorkColor{1.0, (i % 90) / 90.0, 0.25 + (i / 90) / 200.0, 0.55});
    edges.push_back((i % 7) / 6.0);
  }
  s.dither_floor = 0.2;
  Palette p = palette_of({grey(0.1), grey(0.4), WorkColor{1.0, 0.6, 0.5, 0.5},
                          WorkColor{1.0, 0.8, 0.3, 0.6}, grey(0.95), WorkColor{1.0, 0.5, 0.35, 0.4}});
  std::vector<std::uint8_t> first = run_masked(s, pixels, 90, 70, p, GetParam(), edges.data());
  for (std::uint8_t i : first) ASSERT_LT(i, p.count());
  EXPECT_EQ(run_masked(s, pixels, 90, 70, p, GetParam(), edges.data()), first);
}

TEST(MaskedRemap, DegenerateCallsLeaveDefinedBytes) {
  EngineSettings s;
  std::vector<WorkColor> pixels(12, grey(0.4));
  // No palette at all: zeros rather than whatever the buffer held.
  EXPECT_EQ(run_masked(s, pixels, 4, 3, Palette{}, kDitherBayer), std::vector<std::uint8_t>(12, 0));
  // A kind this pass does not know: the undithered nearest entry.
  std::vector<std::uint8_t> out = run_masked(s, pixels, 4, 3, two_greys(), static_cast<DitherKind>(7));
  EXPECT_EQ(out, std::vector<std::uint8_t>(12, 0));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, EveryMaskedKind,
                         testing::Values(kDitherBayer, kDitherBlueNoise, kDitherMixingPlan));

}  // namespace

namespace {

// Prints a checksum of all three kinds on a varied image with an edge map and
// a dither map; run in child processes by the test below.
TEST(MaskedDeterminism, DISABLED_PrintChecksum) {
  tamble::configure_runtime(0);
  print_level_ran();
  EngineSettings s;
  const std::uint32_t w = 300, h = 170;
  std::vector<WorkColor> pixels;
  std::vector<double> edges;
  std::vector<std::uint8_t> map;
  std::mt19937 rng(17);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint8_t rgba[4] = {static_cast<std::uint8_t>(x * 255 / w), static_cast<std::uint8_t>(y * 255 / h),
                              static_cast<std::uint8_t>((x * y + rng() % 9) % 256),
                              static_cast<std::uint8_t>(x % 50 == 0 ? 0 : 255 - (y % 3) * 20)};
      pixels.push_back(to_work_color(rgba, kDefaultGamma));
      edges.push_back((rng() % 101) / 100.0);
      map.push_back(static_cast<std::uint8_t>(rng() % 256));
    }
  Palette p;
  for (int i = 0; i < 200; ++i) {
    std::uint8_t rgba[4] = {static_cast<std::uint8_t>(rng() % 256), static_cast<std::uint8_t>(rng() % 256),
                            static_cast<std::uint8_t>(rng() % 256), static_cast<std::uint8_t>(i % 9 ? 255 : 120)};
    p.entries.push_back(PaletteEntry{to_work_color(rgba, kDefaultGamma), 0.0, false});
  }
  s.dither_map = map.data();
  s.dither_width = w;
  s.dither_height = h;
  s.dither_strength = 1.6;
  s.plan_colors = 4;
  s.min_opaque_alpha = 238.0 / 255.0;
  std::uint64_t sum = 1469598103934665603ull;
  for (DitherKind kind : {kDitherBayer, kDitherBlueNoise, kDitherMixingPlan}) {
    std::vector<std::uint8_t> out(pixels.size());
    s.dither = kind;
    remap_masked(tamble::get_cpu_device(), RemapImage{pixels.data(), w, h}, p, s, edges.data(),
                 out.data());
    for (std::uint8_t b : out) sum = (sum ^ b) * 1099511628211ull;
  }
  std::printf("CHECKSUM %016llx\n", static_cast<unsigned long long>(sum));
}


constexpr const char* kMaskedChecksumTest = "MaskedDeterminism.DISABLED_PrintChecksum";

class MaskedLevels : public ::testing::TestWithParam<IsaCase> {};

TEST_P(MaskedLevels, SameBytesAsOneScalarThread) { expect_same_checksum_as_scalar(GetParam(), kMaskedChecksumTest); }

INSTANTIATE_TEST_SUITE_P(Isa, MaskedLevels, ::testing::Values(IsaCase{"avx2", "2"}, IsaCase{"avx512", "5"}),
                         isa_case_name);

}  // namespace
