#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/dither/bayer_matrix.h"
#include "engine/dither/mixing_plan.h"
#include "engine/dither/neighbour_lists.h"
#include "masked_test_support.h"

namespace {

WorkColor from_bytes(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  const std::uint8_t rgba[4] = {r, g, b, a};
  return to_work_color(rgba, kDefaultGamma);
}

TEST(LinearPalette, RoundTripsThroughTheWorkingSpace) {
  std::mt19937 rng(7);
  for (int i = 0; i < 500; ++i) {
    WorkColor c = from_bytes(rng() % 256, rng() % 256, rng() % 256, 1 + rng() % 255);
    LinearColor lin = work_to_linear(c);
    WorkColor back = linear_mix_to_work(lin);
    EXPECT_NEAR(back.L, c.L, 1e-6);
    EXPECT_NEAR(back.a, c.a, 1e-6);
    EXPECT_NEAR(back.b, c.b, 1e-6);
    EXPECT_EQ(back.alpha, c.alpha);
  }
}

// Two entries and the pixel halfway between them in linear light.
struct Halfway {
  Palette palette = palette_of({from_bytes(200, 180, 120), from_bytes(40, 60, 90)});
  WorkColor pixel;
  Halfway() {
    LinearColor p = work_to_linear(palette.entries[0].color), q = work_to_linear(palette.entries[1].color);
    pixel = linear_mix_to_work(LinearColor{0.5 * p.alpha + 0.5 * q.alpha, 0.5 * p.r + 0.5 * q.r,
                                           0.5 * p.g + 0.5 * q.g, 0.5 * p.b + 0.5 * q.b});
  }
};

class MixingPlanRemap : public testing::Test {
 protected:
  void SetUp() override {
    s.plan_restraint = 0.0;
    s.plan_colors = 2;
    set_uniform_level(s, 1.0);
  }
  EngineSettings s;
};

TEST_F(MixingPlanRemap, HalfwayPixelSplitsEveryTileWithTheDarkEntryAtLowThresholds) {
  Halfway h;
  std::vector<WorkColor> pixels(24 * 16, h.pixel);
  std::vector<std::uint8_t> out = run_masked(s, pixels, 24, 16, h.palette, kDitherMixingPlan);
  for (std::uint32_t y = 0; y < 16; ++y)
    for (std::uint32_t x = 0; x < 24; ++x) {
      int expected = kBayerMatrix[y % 8][x % 8] < 32 ? 1 : 0;  // entry 1 is the darker
      ASSERT_EQ(out[y * 24 + x], expected) << x << "," << y;
    }
}

TEST_F(MixingPlanRemap, NoLevelMeansTheNearestEntry) {
  Halfway h;
  std::vector<WorkColor> pixels(16 * 16, h.pixel);
  auto nearest = std::min_element(h.palette.entries.begin(), h.palette.entries.end(),
                                  [&](const PaletteEntry& a, const PaletteEntry& b) {
                                    return color_difference(h.pixel, a.color, ColorMetric{}) <
                                           color_difference(h.pixel, b.color, ColorMetric{});
                                  }) - h.palette.entries.begin();
  set_uniform_level(s, 0.0);
  for (std::uint8_t i : run_masked(s, pixels, 16, 16, h.palette, kDitherMixingPlan)) ASSERT_EQ(i, nearest);

  set_uniform_level(s, 1.0);
  std::vector<std::uint8_t> map(16 * 16, 0);
  s.dither_map = map.data();
  s.dither_width = s.dither_height = 16;
  for (std::uint8_t i : run_masked(s, pixels, 16, 16, h.palette, kDitherMixingPlan)) ASSERT_EQ(i, nearest);
}

TEST_F(MixingPlanRemap, PixelOnAnEntryKeepsItEverywhere) {
  s.plan_colors = 4;
  set_uniform_level(s, 2.0);  // capped at 1 for the plan
  Palette p = palette_of({from_bytes(10, 10, 10), from_bytes(250, 240, 230), from_bytes(120, 60, 30),
                          from_bytes(30, 140, 200), from_bytes(128, 128, 128)});
  for (std::uint8_t e = 0; e < p.count(); ++e) {
    std::vector<WorkColor> pixels(8 * 8, p.entries[e].color);
    for (std::uint8_t i : run_masked(s, pixels, 8, 8, p, kDitherMixingPlan)) ASSERT_EQ(i, e);
  }
}

TEST(MixingPlan, PlanSizeFollowsTheNeighboursAndPlanColours) {
  Palette three = palette_of({from_bytes(200, 30, 30), from_bytes(30, 200, 30), from_bytes(30, 30, 200)});
  NeighbourLists lists = build_neighbour_lists(three, ColorMetric{});
  ASSERT_EQ(lists.length, 2u);
  EXPECT_EQ(build_mixing_plan(three, lists.length, 4, 0.0, ColorMetric{}).size, 3u);
  EXPECT_EQ(build_mixing_plan(three, lists.length, 2, 0.0, ColorMetric{}).size, 2u);
  EXPECT_EQ(build_mixing_plan(three, lists.length, 9, 0.0, ColorMetric{}).size, 3u);  // out of range reads as 3
  EXPECT_EQ(build_mixing_plan(three, lists.length, 0, -1.0, ColorMetric{}).restraint, 0.0);

  // A pixel mixed 4:2:2 from the three entries is planned exactly so.
  LinearColor l[3];
  for (int i = 0; i < 3; ++i) l[i] = work_to_linear(three.entries[i].color);
  auto mixed = [&](auto channel) { return 0.5 * channel(l[0]) + 0.25 * channel(l[1]) + 0.25 * channel(l[2]); };
  WorkColor pixel = linear_mix_to_work(LinearColor{mixed([](const LinearColor& c) { return c.alpha; }),
                                                   mixed([](const LinearColor& c) { return c.r; }),
                                                   mixed([](const LinearColor& c) { return c.g; }),
                                                   mixed([](const LinearColor& c) { return c.b; })});
  MixingPlan plan = build_mixing_plan(three, lists.length, 4, 0.0, ColorMetric{});
  PixelMix mix = plan_pixel_mix(plan, three, pixel, 0, lists.of(0), lists.length);
  ASSERT_EQ(mix.count, 3u);
  std::uint32_t duty_of[3] = {};
  for (std::uint32_t i = 0; i < mix.count; ++i) duty_of[mix.member[i]] = mix.duty[i];
  EXPECT_EQ(duty_of[0], 4u);
  EXPECT_EQ(duty_of[1], 2u);
  EXPECT_EQ(duty_of[2], 2u);
}

TEST(MixingPlan, RestraintTradesTheExactMixForNearMembers) {
  // A pixel one eighth of the way from entry 0 to entry 1 in linear light.
  Palette p = palette_of({from_bytes(200, 180, 120), from_bytes(40, 60, 90)});
  LinearColor a = work_to_linear(p.entries[0].color), b = work_to_linear(p.entries[1].color);
  WorkColor pixel = linear_mix_to_work(LinearColor{0.875 * a.alpha + 0.125 * b.alpha, 0.875 * a.r + 0.125 * b.r,
                                                   0.875 * a.g + 0.125 * b.g, 0.875 * a.b + 0.125 * b.b});
  ASSERT_LT(color_difference(pixel, p.entries[0].color, ColorMetric{}),
            color_difference(pixel, p.entries[1].color, ColorMetric{}));
  NeighbourLists lists = build_neighbour_lists(p, ColorMetric{});
  PixelMix loose = plan_pixel_mix(build_mixing_plan(p, lists.length, 2, 0.0, ColorMetric{}), p, pixel, 0, lists.of(0), 1);
  EXPECT_EQ(loose.duty[0], 7u);
  EXPECT_EQ(loose.duty[1], 1u);
  MixingPlan strict_plan = build_mixing_plan(p, lists.length, 2, 1.0, ColorMetric{});
  PixelMix strict = plan_pixel_mix(strict_plan, p, pixel, 0, lists.of(0), 1);
  EXPECT_EQ(strict.duty[0], 8u);
  for (double t : {0.01, 0.5, 0.99}) EXPECT_EQ(pick_mix_member(strict_plan, strict, 1.0, t), 0u);
}

// The plain enumeration, every candidate converted and costed in full.
void reference_duty(const MixingPlan& plan, const Palette& palette, const WorkColor& pixel,
                    const PixelMix& mix, std::uint32_t* duty) {
  const std::uint32_t n = mix.count;
  const ColorMetric plan_metric{plan.chroma_weight, plan.blend};
  double d[4], best = 1e20;
  for (std::uint32_t i = 0; i < n; ++i)
    d[i] = color_difference(pixel, palette.entries[mix.member[i]].color, plan_metric);
  for (std::uint32_t w1 = 0; w1 <= (n >= 2 ? 8u : 0u); ++w1)
    for (std::uint32_t w2 = 0; w2 <= (n >= 3 ? 8 - w1 : 0u); ++w2)
      for (std::uint32_t w3 = 0; w3 <= (n >= 4 ? 8 - w1 - w2 : 0u); ++w3) {
        std::uint32_t w[4] = {8 - w1 - w2 - w3, w1, w2, w3};
        LinearColor m{0, 0, 0, 0};
        double reach = 0.0;
        for (std::uint32_t i = 0; i < n; ++i) {
          LinearColor lin = work_to_linear(palette.entries[mix.member[i]].color);
          double f = w[i] / 8.0;
          if (i == 0) {
            m = LinearColor{f * lin.alpha, f * lin.r, f * lin.g, f * lin.b};
            reach = f * d[0];
          } else {
            m.alpha += f * lin.alpha;
            m.r += f * lin.r;
            m.g += f * lin.g;
            m.b += f * lin.b;
            reach += f * d[i];
          }
        }
        double cost = color_difference(pixel, linear_mix_to_work(m), plan_metric);
        if (plan.restraint > 0) cost += plan.restraint * reach;
        if (cost < best) {
          best = cost;
          std::copy(w, w + n, duty);
        }
      }
}

TEST(MixingPlan, ShortcutsChooseWhatTheFullEnumerationChooses) {
  EngineSettings s;
  std::mt19937 rng(11);
  for (double vividness : {1.0, 2.5}) {
    s.chroma_weight = vividness;
    Palette p;
    for (int i = 0; i < 24; ++i)
      p.entries.push_back(PaletteEntry{from_bytes(rng() % 256, rng() % 256, rng() % 256,
                                                  i % 5 == 0 ? 128 + rng() % 128 : 255), 0.0, false});
    NeighbourLists lists = build_neighbour_lists(p, s.metric());
    for (std::uint32_t colors : {2u, 3u, 4u})
      for (double restraint : {0.0, 0.175, 0.6}) {
        MixingPlan plan = build_mixing_plan(p, lists.length, colors, restraint, s.metric());
        for (int k = 0; k < 150; ++k) {
          WorkColor pixel = from_bytes(rng() % 256, rng() % 256, rng() % 256, k % 4 ? 255 : 200);
          std::uint32_t q = rng() % p.count();
          PixelMix mix = plan_pixel_mix(plan, p, pixel, q, lists.of(q), lists.length);
          std::uint32_t expected[4] = {};
          reference_duty(plan, p, pixel, mix, expected);
          for (std::uint32_t i = 0; i < mix.count; ++i)
            ASSERT_EQ(mix.duty[i], expected[i]) << "colors " << colors << " restraint " << restraint;
        }
      }
  }
}

TEST(MixingPlan, WalkGivesEachMemberItsShareInLightnessOrder) {
  Palette p = palette_of({grey(0.5), grey(0.8), grey(0.2)});
  MixingPlan plan = build_mixing_plan(p, 2, 3, 0.0, ColorMetric{});
  PixelMix mix;
  mix.count = 3;
  mix.member[0] = 0, mix.member[1] = 1, mix.member[2] = 2;
  mix.duty[0] = 4, mix.duty[1] = 2, mix.duty[2] = 2;
  // Order 2 (dark), 0, 1 (light). At v = 1 the shares are 2/8, 4/8, 2/8.
  EXPECT_EQ(pick_mix_member(plan, mix, 1.0, 0.2), 2u);
  EXPECT_EQ(pick_mix_member(plan, mix, 1.0, 0.3), 0u);
  EXPECT_EQ(pick_mix_member(plan, mix, 1.0, 0.8), 1u);
  // At v = 0.5: 1/8, 6/8, 1/8; the nearest entry takes what the others give up.
  EXPECT_EQ(pick_mix_member(plan, mix, 0.5, 0.1), 2u);
  EXPECT_EQ(pick_mix_member(plan, mix, 0.5, 0.8), 0u);
  EXPECT_EQ(pick_mix_member(plan, mix, 0.5, 0.9), 1u);
  // Levels above 1 act as 1; a threshold the sum never passes takes the last.
  EXPECT_EQ(pick_mix_member(plan, mix, 3.0, 0.3), 0u);
  EXPECT_EQ(pick_mix_member(plan, mix, 1.0, 1.5), 1u);
}

}  // namespace
