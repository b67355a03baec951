// The quick-select order of the serial split against a full descending sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/palette/median_cut_partition.h"

namespace {

std::vector<SplitRecord> random_records(std::size_t n, std::uint32_t key_range, std::mt19937& rng) {
  std::vector<SplitRecord> recs(n);
  std::uniform_int_distribution<std::uint32_t> key(0, key_range - 1);
  std::uniform_int_distribution<int> weight(0, 9);
  for (std::size_t i = 0; i < n; ++i)
    recs[i] = {key(rng), static_cast<std::uint32_t>(i), static_cast<double>(weight(rng))};
  return recs;
}

// Straightforward reference: full descending sort, then a walk item by item.
struct Reference {
  std::vector<SplitRecord> sorted;
  std::size_t break_at;  // count when the running sum never exceeds half
};

Reference reference(std::vector<SplitRecord> recs, double half) {
  std::stable_sort(recs.begin(), recs.end(),
                   [](const SplitRecord& x, const SplitRecord& y) { return x.key > y.key; });
  Reference ref{recs, recs.size()};
  double running = 0.0;
  for (std::size_t i = 0; i < recs.size(); ++i) {
    running += recs[i].weight;
    if (running > half) {
      ref.break_at = i;
      break;
    }
  }
  return ref;
}

double total_weight(const std::vector<SplitRecord>& recs) {
  double t = 0.0;
  for (const SplitRecord& r : recs) t += r.weight;
  return t;
}

// Nothing after `at` has a larger key than anything before or at it.
void expect_ordered_around(const std::vector<SplitRecord>& recs, std::size_t at) {
  std::uint32_t low_before = ~0u, high_after = 0;
  for (std::size_t i = 0; i <= at && i < recs.size(); ++i) low_before = std::min(low_before, recs[i].key);
  for (std::size_t i = at + 1; i < recs.size(); ++i) high_after = std::max(high_after, recs[i].key);
  if (at + 1 < recs.size()) {
    EXPECT_GE(low_before, high_after);
  }
}

}  // namespace

// Distinct keys leave no freedom: median and break point match the full sort
// exactly (integer weights keep every sum exact whatever the grouping).
TEST(MedianCutPartition, AgreesWithAFullSortOnDistinctKeys) {
  std::mt19937 rng(7);
  for (std::size_t n : {1u, 2u, 3u, 7u, 8u, 31u, 32u, 33u, 100u, 257u, 5000u}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<SplitRecord> recs = random_records(n, 1u << 30, rng);
      std::sort(recs.begin(), recs.end(),
                [](const SplitRecord& x, const SplitRecord& y) { return x.key < y.key; });
      recs.erase(std::unique(recs.begin(), recs.end(),
                             [](const SplitRecord& x, const SplitRecord& y) { return x.key == y.key; }),
                 recs.end());
      std::shuffle(recs.begin(), recs.end(), rng);
      const double half = total_weight(recs) / 2;
      Reference ref = reference(recs, half);

      std::size_t h = (recs.size() - 1) / 2;
      std::vector<SplitRecord> sel = recs;
      select_descending(sel.data(), sel.size(), h);
      ASSERT_EQ(sel[h].pos, ref.sorted[h].pos) << "n=" << n;
      if (sel.size() % 2 == 0) {
        select_descending(sel.data() + h + 1, sel.size() - h - 1, 0);
        ASSERT_EQ(sel[h + 1].pos, ref.sorted[h + 1].pos);
      }

      std::size_t at = find_break_point(sel.data(), sel.size(), half);
      ASSERT_EQ(at, ref.break_at) << "n=" << n;
      if (at < sel.size()) {
        EXPECT_EQ(sel[at].pos, ref.sorted[at].pos);
        expect_ordered_around(sel, at);
      }
    }
  }
}

// With repeated keys the order among equal keys is free, so only what a
// full sort fixes is compared: the key at each position that matters and the
// weight before the break.
TEST(MedianCutPartition, EqualKeysGiveTheSameMedianKeyAndBreakKey) {
  std::mt19937 rng(11);
  for (std::size_t n : {2u, 9u, 40u, 333u, 4000u}) {
    for (std::uint32_t range : {1u, 2u, 5u, 50u}) {
      std::vector<SplitRecord> recs = random_records(n, range, rng);
      const double half = total_weight(recs) / 2;
      Reference ref = reference(recs, half);
      std::size_t h = (n - 1) / 2;
      std::vector<SplitRecord> sel = recs;
      select_descending(sel.data(), n, h);
      ASSERT_EQ(sel[h].key, ref.sorted[h].key);
      expect_ordered_around(sel, h);

      std::size_t at = find_break_point(sel.data(), n, half);
      if (ref.break_at == n) {
        EXPECT_EQ(at, n);
        continue;
      }
      ASSERT_LT(at, n);
      EXPECT_EQ(sel[at].key, ref.sorted[ref.break_at].key);
      double before = 0.0;
      for (std::size_t i = 0; i < at; ++i) before += sel[i].weight;
      EXPECT_LE(before, half);
      EXPECT_GT(before + sel[at].weight, half);
      expect_ordered_around(sel, at);
      // The walk only moves records: the same set comes back.
      std::vector<std::uint32_t> got, want;
      for (const SplitRecord& r : sel) got.push_back(r.pos);
      for (const SplitRecord& r : recs) want.push_back(r.pos);
      std::sort(got.begin(), got.end());
      EXPECT_EQ(got, want);
    }
  }
}

TEST(MedianCutPartition, AllZeroWeightsNeverBreak) {
  std::mt19937 rng(3);
  std::vector<SplitRecord> recs = random_records(100, 1000, rng);
  for (SplitRecord& r : recs) r.weight = 0.0;
  EXPECT_EQ(find_break_point(recs.data(), recs.size(), 0.0), recs.size());
}

// Long runs of one key, alone or with a few larger keys among them, must not
// make the partitions peel one record per pass.
TEST(MedianCutPartition, LongRunsOfEqualKeysStayLinear) {
  const std::size_t n = 400000;
  std::vector<SplitRecord> recs(n);
  for (std::size_t i = 0; i < n; ++i) recs[i] = {7u, static_cast<std::uint32_t>(i), 1.0};
  std::vector<SplitRecord> sel = recs;
  select_descending(sel.data(), n, n / 2);
  EXPECT_EQ(sel[n / 2].key, 7u);
  EXPECT_EQ(find_break_point(sel.data(), n, n / 2.0), n / 2);

  for (std::size_t i = 0; i < n; i += 40000) recs[i].key = 9u;  // ten larger keys
  sel = recs;
  select_descending(sel.data(), n, n / 2);
  EXPECT_EQ(sel[n / 2].key, 7u);
  std::size_t at = find_break_point(sel.data(), n, n / 2.0);
  EXPECT_EQ(at, n / 2);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(sel[i].key, 9u);
}
