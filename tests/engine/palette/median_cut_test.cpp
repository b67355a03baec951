// median_cut as the palette search calls it: pins, both executions, the end
// steps and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "engine/palette/median_cut.h"
#include "median_cut_histograms.h"
#include "tamble/algorithms.h"
#include "tamble/runtime.h"

namespace {

constexpr double kScale = 0.0017714438596447158;  // the palette search's first error scale

Palette cut(const EngineSettings& s, Histogram& h, std::uint32_t colours, double target = 0.0) {
  return median_cut(tamble::get_cpu_device(), h, s, colours, target, kScale);
}

class MedianCutBoth : public testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override { s.mediancut_rounds = GetParam(); }
  EngineSettings s;
};

bool same_bits(const Palette& x, const Palette& y) {
  if (x.count() != y.count()) return false;
  for (std::uint32_t i = 0; i < x.count(); ++i) {
    const PaletteEntry &p = x.entries[i], &q = y.entries[i];
    if (std::memcmp(&p.color, &q.color, sizeof p.color) != 0 ||
        std::memcmp(&p.popularity, &q.popularity, sizeof p.popularity) != 0 || p.fixed != q.fixed)
      return false;
  }
  return true;
}

}  // namespace

TEST_P(MedianCutBoth, OneItemGivesOneEntry) {
  WorkColor c{1.0, 0.3, 0.45, 0.6};
  Histogram h = make_histogram({make_item(c, 2.5, 0)});
  Palette p = cut(s, h, 256);
  ASSERT_EQ(p.count(), 1u);
  EXPECT_NEAR(p.entries[0].color.L, 0.3, 1e-15);
  EXPECT_EQ(p.entries[0].color.alpha, 1.0);
  EXPECT_EQ(p.entries[0].popularity, 2.5);
  EXPECT_FALSE(p.entries[0].fixed);
  // The end step rescales by the distance to the entry: nearly none here.
  EXPECT_NEAR(h.items[0].cut_weight, 2.5, 1e-12);
  EXPECT_EQ(h.items[0].weight_root, std::sqrt(3.5) - 1.0);
}

TEST_P(MedianCutBoth, MakesTheRequestedBoxesCoveringEveryItemOnce) {
  std::vector<HistogramItem> items = random_items(30000, 5);
  Histogram h = make_histogram(items);
  Palette p = cut(s, h, 64);
  ASSERT_EQ(p.count(), 64u);
  double popularity = 0.0;
  for (const PaletteEntry& e : p.entries) {
    EXPECT_GT(e.popularity, 0.0);
    EXPECT_FALSE(e.fixed);
    popularity += e.popularity;
  }
  EXPECT_NEAR(popularity, h.total_weight, 1e-9 * h.total_weight);
  // Items are only reordered: pixel weights and colours stay with their source
  // index, and every cut weight grows by sqrt(1 + d/2) >= 1.
  std::set<std::uint32_t> seen;
  for (std::uint32_t i = 0; i < h.count; ++i) {
    const HistogramItem& it = h.items[i];
    const HistogramItem& orig = items[it.source_index];
    ASSERT_TRUE(seen.insert(it.source_index).second);
    EXPECT_EQ(it.pixel_weight, orig.pixel_weight);
    EXPECT_EQ(std::memcmp(&it.color, &orig.color, sizeof it.color), 0);
    EXPECT_GE(it.cut_weight, orig.cut_weight);
  }
}

TEST_P(MedianCutBoth, FindsSeparatedClusters) {
  std::vector<HistogramItem> items;
  WorkColor red{1.0, 0.5, 0.7, 0.6}, blue{1.0, 0.3, 0.45, 0.2};
  for (std::uint32_t i = 0; i < 200; ++i) {
    double jitter = (i % 10) * 0.001;
    WorkColor c = i < 100 ? red : blue;
    c.L += jitter;
    items.push_back(make_item(c, 1.0, i));
  }
  Histogram h = make_histogram(items);
  Palette p = cut(s, h, 2);
  ASSERT_EQ(p.count(), 2u);
  std::vector<double> as = {p.entries[0].color.a, p.entries[1].color.a};
  std::sort(as.begin(), as.end());
  // The split falls at the weighted median of the distances, which may take
  // one item of the other cluster along.
  EXPECT_NEAR(as[0], 0.45, 0.005);
  EXPECT_NEAR(as[1], 0.7, 0.005);
  EXPECT_NEAR(p.entries[0].popularity, 100.0, 1.0);
}

// One split, seen in the items it leaves: the serial loop puts the larger
// keys in the lower box, the rounds order everything ascending and put the
// smaller keys there; either way the lower box holds about half the split
// weight.
TEST_P(MedianCutBoth, OneSplitDividesTheKeysAndTheSplitWeight) {
  std::vector<HistogramItem> items = random_items(5000, 17);
  for (std::size_t i = 0; i < items.size(); ++i) items[i].cut_weight = items[i].pixel_weight = 1.0 + i % 3;
  Histogram h = make_histogram(items);
  Palette p = cut(s, h, 2);
  ASSERT_EQ(p.count(), 2u);
  // Integer weights make the popularity an exact prefix sum: find the boundary.
  std::size_t split = 0;
  double prefix = 0.0;
  while (split < h.count && prefix < p.entries[0].popularity) prefix += h.items[split++].pixel_weight;
  ASSERT_EQ(prefix, p.entries[0].popularity);
  ASSERT_GT(split, 0u);
  ASSERT_LT(split, h.count);

  std::uint32_t lower_min = ~0u, lower_max = 0, upper_min = ~0u, upper_max = 0;
  double total = 0.0, before = 0.0;
  for (std::size_t i = 0; i < h.count; ++i) {
    std::uint32_t k = h.items[i].sort_key;
    if (i < split) {
      lower_min = std::min(lower_min, k);
      lower_max = std::max(lower_max, k);
    } else {
      upper_min = std::min(upper_min, k);
      upper_max = std::max(upper_max, k);
    }
    total += h.items[i].split_weight;
    if (i + 1 < split) before += h.items[i].split_weight;
  }
  if (GetParam()) {
    EXPECT_LE(lower_max, upper_min);
    for (std::size_t i = 1; i < h.count; ++i) ASSERT_LE(h.items[i - 1].sort_key, h.items[i].sort_key);
  } else {
    EXPECT_GE(lower_min, upper_max);
  }
  const double half = total / 2;
  EXPECT_LE(before, half * (1 + 1e-12));
  EXPECT_GT(before + h.items[split - 1].split_weight, half * (1 - 1e-12));
}

TEST_P(MedianCutBoth, StopsWhenNoBoxCanBeSplitOrTheErrorTargetIsMet) {
  std::vector<HistogramItem> five;
  for (std::uint32_t i = 0; i < 5; ++i) five.push_back(make_item({1.0, 0.1 + 0.2 * i, 0.4, 0.5}, 1.0, i));
  Histogram h = make_histogram(five);
  EXPECT_EQ(cut(s, h, 16).count(), 5u);

  Histogram many = make_histogram(random_items(5000, 9));
  EXPECT_EQ(cut(s, many, 16, 1e9).count(), 2u);  // the first split already meets a huge target
}

TEST_P(MedianCutBoth, PinsEndThePaletteOrReplaceIt) {
  s.pins = {{1.0, 0.0, kNeutralA, kNeutralB}, {1.0, 1.0, kNeutralA, kNeutralB},
                   {0.5, 0.25, 0.5, 0.5}};
  Histogram h = make_histogram(random_items(3000, 2));
  Palette p = cut(s, h, 8);
  ASSERT_EQ(p.count(), 8u);
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_FALSE(p.entries[i].fixed);
  for (std::uint32_t i = 0; i < 3; ++i) {
    const PaletteEntry& e = p.entries[5 + i];
    EXPECT_TRUE(e.fixed);
    EXPECT_EQ(e.popularity, 0.0);
    EXPECT_EQ(std::memcmp(&e.color, &s.pins[i], sizeof e.color), 0);
  }

  // As many pins as colours or more: the first `colours` pins and nothing
  // else; the histogram is left as it was.
  std::vector<HistogramItem> before(h.items.begin(), h.items.end());
  Palette fixed = cut(s, h, 2);
  ASSERT_EQ(fixed.count(), 2u);
  EXPECT_EQ(std::memcmp(&fixed.entries[1].color, &s.pins[1], sizeof(WorkColor)), 0);
  EXPECT_TRUE(fixed.entries[0].fixed && fixed.entries[1].fixed);
  EXPECT_EQ(std::memcmp(before.data(), h.items.data(), before.size() * sizeof(HistogramItem)), 0);
  EXPECT_EQ(cut(s, h, 3).count(), 3u);
}

// The same input gives the same bits whether the work is spread over the
// pool or everything runs on one thread (a call from inside a parallel loop
// falls back to serial loops). 120000 items keep several rounds on the pool
// with their jobs cut into chunks; the later small boxes run whole.
TEST_P(MedianCutBoth, ResultDoesNotDependOnTheThreadCount) {
  tamble::configure_runtime(2);  // a pool even where the core count reads as 1
  ASSERT_GE(tamble::thread_count(), 2u);
  std::vector<HistogramItem> items = random_items(120000, 21);
  Histogram pooled = make_histogram(items);
  Palette on_pool = cut(s, pooled, 200);

  Histogram alone = make_histogram(items);
  Palette on_one;
  tamble::parallel_dynamic(2, [&](std::size_t i, unsigned) {
    if (i == 0) on_one = cut(s, alone, 200);
  });
  EXPECT_TRUE(same_bits(on_pool, on_one));
  EXPECT_EQ(std::memcmp(pooled.items.data(), alone.items.data(), items.size() * sizeof(HistogramItem)), 0);
}

INSTANTIATE_TEST_SUITE_P(Executions, MedianCutBoth, testing::Values(0u, 1u),
                         [](const testing::TestParamInfo<std::uint32_t>& info) {
                           return info.param ? std::string("Rounds") : std::string("Serial");
                         });
