#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/engine_settings.h"
#include "engine/run_stats.h"
#include "engine/palette/palette_search.h"
#include "engine/palette/kmeans.h"
#include "engine/palette/ie6_workaround.h"
#include "engine/palette/palette_output.h"
#include "engine/speed_budget.h"
#include "tamble/device.h"
#include "tests/engine/remap_refusing_device.h"

namespace {

tamble::device* dev() { return tamble::get_cpu_device(); }

WorkColor opaque(double L, double a = kNeutralA, double b = kNeutralB) { return {1.0, L, a, b}; }

// A histogram of the given colours and weights, items in the given order.
std::unique_ptr<Histogram> histogram_of(const std::vector<WorkColor>& colors,
                                        const std::vector<double>& weights) {
  auto h = std::make_unique<Histogram>();
  h->count = static_cast<std::uint32_t>(colors.size());
  h->items = tamble::array<HistogramItem>(dev(), colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    h->items[i] = HistogramItem{colors[i], weights[i], weights[i], 0, 0,
                                static_cast<std::uint32_t>(i), 0};
    h->total_weight += weights[i];
  }
  return h;
}

PaletteEntry entry(WorkColor c, double popularity = 0, bool fixed = false) {
  return PaletteEntry{c, popularity, fixed};
}

}  // namespace

TEST(RefineKmeans, MovesFreeEntriesToTheMeanAndLeavesFixedAndIdleOnes) {
  auto h = histogram_of({opaque(0.10), opaque(0.20), opaque(0.80), opaque(0.90)}, {1, 3, 2, 2});
  Palette pal;
  pal.entries = {entry(opaque(0.12)), entry(opaque(0.85), 0, true), entry(opaque(0.5, 0.9, 0.1))};
  double err = kmeans_iteration(dev(), *h, pal, EngineSettings{}, false);
  EXPECT_DOUBLE_EQ(pal.entries[0].color.L, (0.10 * 1 + 0.20 * 3) / 4);
  EXPECT_EQ(pal.entries[0].popularity, 4.0);
  // Fixed: attracts colours (popularity) but never moves.
  EXPECT_EQ(pal.entries[1].color.L, 0.85);
  EXPECT_EQ(pal.entries[1].popularity, 4.0);
  // Attracted nothing: keeps its colour, popularity 0.
  EXPECT_EQ(pal.entries[2].color.a, 0.9);
  EXPECT_EQ(pal.entries[2].popularity, 0.0);
  double expected = (1 * 0.02 * 0.02 + 3 * 0.08 * 0.08 + 2 * 0.05 * 0.05 + 2 * 0.05 * 0.05) / 8;
  EXPECT_NEAR(err, expected, 1e-15);
}

TEST(RefineKmeans, ResultDoesNotDependOnItemOrder) {
  std::vector<WorkColor> colors;
  std::vector<double> weights;
  for (int i = 0; i < 3000; ++i) {
    colors.push_back({1.0, (i * 37 % 1000) / 1000.0, 0.3 + (i % 7) * 0.02, 0.5 + (i % 11) * 0.01});
    weights.push_back(0.5 + (i % 5) * 0.3);
  }
  auto a = histogram_of(colors, weights);
  auto b = histogram_of(colors, weights);
  // Reverse b's items but keep each item's source_index.
  std::reverse(b->items.begin(), b->items.end());
  Palette pa;
  for (int e = 0; e < 16; ++e) pa.entries.push_back(entry(opaque(e / 16.0 + 0.01)));
  Palette pb = pa;
  for (int it = 0; it < 3; ++it) {
    double ea = kmeans_iteration(dev(), *a, pa, EngineSettings{}, true);
    double eb = kmeans_iteration(dev(), *b, pb, EngineSettings{}, true);
    ASSERT_EQ(ea, eb);
  }
  for (int e = 0; e < 16; ++e) {
    EXPECT_EQ(pa.entries[e].color.L, pb.entries[e].color.L);
    EXPECT_EQ(pa.entries[e].popularity, pb.entries[e].popularity);
  }
}

TEST(RefineKmeans, ReweightingGrowsCutWeightBySinglePrecisionRoot) {
  auto h = histogram_of({opaque(0.1), opaque(0.7)}, {2, 1});
  h->items[0].cut_weight = 5.0;
  Palette pal;
  pal.entries = {entry(opaque(0.1), 0, true)};
  kmeans_iteration(dev(), *h, pal, EngineSettings{}, true);
  EXPECT_EQ(h->items[0].cut_weight, (2.0 + 5.0) * 1.0);
  double d = 0.6 * 0.6;
  EXPECT_EQ(h->items[1].cut_weight,
            (1.0 + 1.0) * static_cast<double>(std::sqrt(static_cast<float>(1.0 + d))));
  EXPECT_EQ(h->items[1].pixel_weight, 1.0);
}

TEST(RefineKmeans, BudgetPerSpeed) {
  const int budgets[] = {31, 24, 17, 12, 7, 4, 2, 2, 2, 2};
  for (std::uint32_t s = 1; s <= 10; ++s) EXPECT_EQ(kmeans_budget(s), budgets[s - 1]) << s;
  EXPECT_EQ(kmeans_min_change(1), 1.0 / (1 << 22));
  EXPECT_EQ(kmeans_min_change(10), 1.0 / (1 << 13));
  EXPECT_EQ(feedback_trials(3), 29);
  EXPECT_EQ(histogram_max_colors(3), 1966080u);
}


// The feedback loop keeps the best palette it measured, so the many trials of
// speed 1 end better than speed 3's single trial, which is their first.
// Without trials the palette is not measured and the error stays unset.
TEST(RefineSearch, MoreTrialsKeepTheBestAndNoTrialLeavesTheErrorUnset) {
  std::vector<WorkColor> colors;
  std::vector<double> weights;
  for (int i = 0; i < 4000; ++i) {
    colors.push_back({1.0, (i * 7919 % 4000) / 4000.0, 0.25 + (i * 31 % 97) / 200.0,
                      0.35 + (i * 17 % 89) / 180.0});
    weights.push_back(0.5 + (i % 5) * 0.5);
  }
  EngineSettings s;
  s.verbose = false;  // the loop's progress lines
  s.colors = 24;
  auto search = [&](std::uint32_t speed, double& error) {
    auto h = histogram_of(colors, weights);
    g_run_stats = RunStats{};
    s.speed = speed;
    return palette_search(dev(), *h, s, error);
  };
  double unset = -1.0;
  EXPECT_EQ(search(8, unset).count(), 24u);
  EXPECT_EQ(unset, -1.0);
  EXPECT_EQ(g_run_stats.feedback_trials, 0u);

  double one = -1.0, many = -1.0;
  search(3, one);
  EXPECT_EQ(g_run_stats.feedback_trials, 1u);
  EXPECT_GT(one, 0.0);
  Palette best = search(1, many);
  EXPECT_GT(g_run_stats.feedback_trials, 1u);
  // On this spread the re-weighted trials do find a better palette (about 8%).
  EXPECT_LT(many, one);
  EXPECT_LE(best.count(), 24u);
}

TEST(RefineOrder, FixedFirstThenTransparentThenOpaqueByPopularity) {
  Palette pal;
  pal.entries = {
      entry(opaque(0.1), 50),                      // opaque, popular
      entry({0.5, 0.2, kNeutralA, kNeutralB}, 9),  // translucent
      entry(opaque(0.3), 0, true),                 // pin A
      entry(opaque(0.4), 5),                       // opaque, rare
      entry({0.999, 0.5, kNeutralA, kNeutralB}, 1),  // just below 1: transparent
      entry({0.25, 0.6, kNeutralA, kNeutralB}, 0, true),  // pin B, translucent
  };
  QuantizedImage out;
  order_palette(out, pal, EngineSettings{});
  ASSERT_EQ(out.palette_size, 6u);
  EXPECT_EQ(pal.entries[0].color.L, 0.3);  // pins in their order
  EXPECT_EQ(pal.entries[1].color.L, 0.6);
  EXPECT_EQ(pal.entries[2].color.L, 0.5);  // transparent, popularity 1
  EXPECT_EQ(pal.entries[3].color.L, 0.2);  // transparent, popularity 9
  EXPECT_EQ(pal.entries[4].color.L, 0.4);  // opaque, 5
  EXPECT_EQ(pal.entries[5].color.L, 0.1);  // opaque, 50
  EXPECT_EQ(out.transparent_count, 4u);
}

TEST(RefineOrder, TransparentCountReachesALateTranslucentPin) {
  Palette pal;
  pal.entries = {entry(opaque(0.2), 3), entry({0.5, 0.3, kNeutralA, kNeutralB}, 0, true)};
  QuantizedImage out;
  order_palette(out, pal, EngineSettings{});
  EXPECT_EQ(pal.entries[0].color.L, 0.3);
  EXPECT_EQ(out.transparent_count, 1u);
  Palette all_opaque;
  all_opaque.entries = {entry(opaque(0.2), 3), entry(opaque(0.3), 1)};
  order_palette(out, all_opaque, EngineSettings{});
  EXPECT_EQ(out.transparent_count, 0u);
  EXPECT_EQ(all_opaque.entries[0].color.L, 0.3);
}

TEST(RefineOutput, PaletteBytesAreWrittenAndEntriesSnapToThem) {
  std::uint8_t rgba[4] = {200, 100, 50, 128};
  Palette pal;
  pal.entries = {entry(to_work_color(rgba, kDefaultGamma)), entry({0.0, 0.0, kNeutralA, kNeutralB})};
  pal.entries[0].color.L += 1e-9;  // not exactly a byte colour
  QuantizedImage out;
  palette_to_output(out, pal);
  EXPECT_EQ(out.palette_rgb[0][0], 200);
  EXPECT_EQ(out.palette_rgb[0][1], 100);
  EXPECT_EQ(out.palette_rgb[0][2], 50);
  EXPECT_EQ(out.palette_alpha[0], 128);
  WorkColor snapped = to_work_color(rgba, kDefaultGamma);
  EXPECT_EQ(pal.entries[0].color.L, snapped.L);
  EXPECT_EQ(out.palette_alpha[1], 0);
  EXPECT_EQ(out.palette_rgb[1][0], 0);
}

TEST(RefineIe6, NearlyOpaquePixelsBecomeOpaqueFaintOnesStay) {
  std::vector<std::uint8_t> px = {10, 20, 30, 250,  10, 20, 30, 238,
                                  90, 90, 90, 200,  90, 90, 90, 150};
  ImageDesc img;
  img.width = 4;
  img.height = 1;
  img.gamma = kDefaultGamma;
  img.rows = {px.data()};
  EngineSettings s;
  s.min_opaque_alpha = 238.0 / 255.0;
  ie6_workaround(img, s);
  EXPECT_EQ(px[3], 255);
  EXPECT_EQ(px[7], 255);
  // Stretched but still translucent, colour compensated upwards.
  EXPECT_GT(px[11], 200);
  EXPECT_LT(px[11], 255);
  EXPECT_LE(px[8], 90);
  // Below the limit (almost x 255 = 157): untouched.
  EXPECT_EQ(px[15], 150);
  EXPECT_EQ(px[12], 90);
}

TEST(RefineKmeans, SeededRefinementMatchesPlainIterations) {
  // Coarse colour levels make many exact ties between entries.
  std::vector<WorkColor> colors;
  std::vector<double> weights;
  for (int i = 0; i < 6000; ++i) {
    colors.push_back({i % 13 == 0 ? 0.5 : 1.0, (i * 37 % 64) / 64.0, 0.25 + (i * 11 % 16) / 32.0,
                      0.3 + (i * 5 % 16) / 32.0});
    weights.push_back(0.5 + (i % 4) * 0.25);
  }
  auto seeded = histogram_of(colors, weights);
  auto plain = histogram_of(colors, weights);
  Palette pa;
  for (int e = 0; e < 64; ++e)
    pa.entries.push_back(entry({1.0, (e % 16) / 16.0, 0.3 + (e / 16) * 0.05, 0.5}, 0, e % 9 == 0));
  Palette pb = pa;
  g_run_stats.kmeans_iterations = 0;
  EngineSettings s;
  s.speed = 1;
  double seeded_error = kmeans_refine(dev(), *seeded, pa, s);
  std::uint32_t iterations = g_run_stats.kmeans_iterations;
  ASSERT_GE(iterations, 2u);
  double plain_error = 0;
  for (std::uint32_t i = 0; i < iterations; ++i)
    plain_error = kmeans_iteration(dev(), *plain, pb, EngineSettings{}, false);
  EXPECT_EQ(seeded_error, plain_error);
  for (int e = 0; e < 64; ++e) {
    EXPECT_EQ(pa.entries[e].color.L, pb.entries[e].color.L) << e;
    EXPECT_EQ(pa.entries[e].color.a, pb.entries[e].color.a) << e;
    EXPECT_EQ(pa.entries[e].popularity, pb.entries[e].popularity) << e;
  }
}

TEST(RefineKmeans, RefinementBudgetPerSpeed) {
  std::vector<WorkColor> colors;
  std::vector<double> weights;
  for (int i = 0; i < 3000; ++i) {
    colors.push_back({1.0, (i * 7919 % 3000) / 3000.0, 0.2 + (i * 31 % 97) / 160.0,
                      0.3 + (i * 17 % 89) / 150.0});
    weights.push_back(1.0);
  }
  for (std::uint32_t speed : {1u, 3u, 6u, 10u}) {
    auto h = histogram_of(colors, weights);
    Palette pal;
    for (int e = 0; e < 32; ++e) pal.entries.push_back(entry(opaque(e / 320.0)));
    g_run_stats.kmeans_iterations = 0;
    EngineSettings s;
    s.speed = speed;
    kmeans_refine(dev(), *h, pal, s);
    EXPECT_LE(g_run_stats.kmeans_iterations, static_cast<std::uint32_t>(kmeans_budget(speed)));
    if (speed >= 7) {
      EXPECT_EQ(g_run_stats.kmeans_iterations, 2u);
    }
  }
}

// A device that refuses the search table must not let k-means answer entry 0
// for every colour as if that were a result.
TEST(RefineKmeans, RefusedSearchTableIsARefusedAllocation) {
  auto h = histogram_of({opaque(0.10), opaque(0.90)}, {1, 1});
  Palette pal;
  pal.entries = {entry(opaque(0.2)), entry(opaque(0.8))};
  RefusingDevice nothing(0);
  EXPECT_THROW(kmeans_iteration(&nothing, *h, pal, EngineSettings{}, false), std::bad_alloc);
  EXPECT_EQ(pal.entries[0].color.L, 0.2);
}
