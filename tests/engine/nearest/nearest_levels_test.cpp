// The vector scans must give the scalar scan's (index, distance) bit for bit,
// and the scalar scan what a full scan with the same tie rule gives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/nearest/nearest_window_pairs.h"
#include "tests/engine/nearest/nearest_test_support.h"

namespace {

// Random palettes with repeated colours and runs of equal L, so that ties
// and long equal-L stretches are common.
Palette random_palette(std::mt19937_64& rng, std::uint32_t n) {
  std::vector<double> lightness_pool;
  for (int i = 0; i < 6; ++i) lightness_pool.push_back(uniform(rng, 0, 1));
  Palette p;
  for (std::uint32_t i = 0; i < n; ++i) {
    std::uint64_t kind = rng() % 8;
    if (kind == 0 && i > 0) {
      p.entries.push_back(p.entries[rng() % i]);
      continue;
    }
    WorkColor c{kind == 1 ? uniform(rng, 0, 1) : 1.0,
                kind <= 3 ? lightness_pool[rng() % lightness_pool.size()] : uniform(rng, 0, 1),
                uniform(rng, 0.15, 0.6), uniform(rng, 0.15, 0.85)};
    p.entries.push_back({c, 0.0, false});
  }
  return p;
}

WorkColor random_probe(std::mt19937_64& rng, const Palette& p) {
  switch (rng() % 4) {
    case 0:  // a palette colour itself: exact and duplicated matches
      return p.entries[rng() % p.count()].color;
    case 1: {  // midway between two entries
      const WorkColor& x = p.entries[rng() % p.count()].color;
      const WorkColor& y = p.entries[rng() % p.count()].color;
      return WorkColor{(x.alpha + y.alpha) / 2, (x.L + y.L) / 2, (x.a + y.a) / 2, (x.b + y.b) / 2};
    }
    case 2:  // outside the usual 0..1
      return WorkColor{uniform(rng, -0.5, 1.5), uniform(rng, -0.5, 1.5), uniform(rng, -0.5, 1.5),
                       uniform(rng, -0.5, 1.5)};
    default:
      return WorkColor{rng() % 3 ? 1.0 : uniform(rng, 0, 1), uniform(rng, 0, 1), uniform(rng, 0.1, 0.65),
                       uniform(rng, 0.1, 0.9)};
  }
}

void expect_same(const NearestMatch& got, const NearestMatch& want, int level, std::uint32_t n,
                 int probe) {
  ASSERT_EQ(got.index, want.index) << "level " << level << " palette " << n << " probe " << probe;
  ASSERT_EQ(got.distance, want.distance) << "level " << level << " palette " << n << " probe " << probe;
}

TEST(NearestLevels, AllLevelsMatchAFullScanOnRandomPalettes) {
  std::mt19937_64 rng(20261208);
  std::vector<int> levels{0};
  for (int level : {2, 3})
    if (level_available(level)) levels.push_back(level);
  if (levels.size() < 3) std::printf("only %zu scan level(s) available here\n", levels.size());

  for (std::uint32_t n = 1; n <= 256; n += (n < 20 ? 1 : 13)) {
    Palette p = random_palette(rng, n);
    for (double threshold : {1.0, 238.0 / 255.0}) {
      std::vector<nearest_index> indexes;
      for (int level : levels) indexes.emplace_back(nullptr, p, threshold, ColorMetric{}, level);
      for (int probe_no = 0; probe_no < 500; ++probe_no) {
        WorkColor probe = random_probe(rng, p);
        std::int64_t guess = rng() % 2 ? -1 : static_cast<std::int64_t>(rng() % n);
        double guess_distance = guess >= 0 ? color_difference(probe, p.entries[guess].color, ColorMetric{}) : 0.0;
        NearestMatch want = brute_force_nearest(p, probe, threshold, guess, guess_distance);
        for (std::size_t l = 0; l < levels.size(); ++l)
          expect_same(find_nearest(indexes[l], probe, guess, guess_distance), want, levels[l], n,
                      probe_no);
      }
    }
  }
}

// A search guided by guesses (any entries, none, out of range, the answer
// itself) must give the unguided answer bit for bit, penalties included, and
// probes that no guess can bound (far out, NaN) must not change path.
TEST(NearestLevels, GuidedSearchGivesTheUnguidedAnswer) {
  std::mt19937_64 rng(4242);
  for (int level : {0, 2, 3}) {
    if (!level_available(level)) continue;
    for (std::uint32_t n : {1u, 2u, 9u, 64u, 256u}) {
      Palette p = random_palette(rng, n);
      for (double threshold : {1.0, 238.0 / 255.0}) {
        nearest_index index(nullptr, p, threshold, ColorMetric{}, level);
        for (int probe_no = 0; probe_no < 300; ++probe_no) {
          WorkColor probe = random_probe(rng, p);
          if (probe_no == 0) probe = opaque_grey(1e12);
          if (probe_no == 1) probe = opaque_grey(std::nan(""));
          const NearestMatch want = find_nearest(index, probe);
          const auto pick = [&]() -> std::int64_t {
            switch (rng() % 4) {
              case 0: return -1;
              case 1: return static_cast<std::int64_t>(n + rng() % 3);
              case 2: return want.index;
              default: return static_cast<std::int64_t>(rng() % n);
            }
          };
          for (int guess_no = 0; guess_no < 2; ++guess_no) {
            const NearestMatch got = index.find_near(probe, pick());
            ASSERT_EQ(got.index, want.index) << "level " << level << " n " << n << " probe " << probe_no;
            ASSERT_TRUE(got.distance == want.distance ||
                        (std::isnan(got.distance) && std::isnan(want.distance)))
                << "level " << level << " n " << n << " probe " << probe_no;
          }
        }
      }
    }
  }
}

TEST(NearestLevels, VividnessAndBlendReachEveryLevel) {
  EngineSettings s;
  s.chroma_weight = 2.5;
  std::mt19937_64 rng(7);
  Palette p = random_palette(rng, 64);
  for (int level : {0, 2, 3}) {
    if (!level_available(level)) continue;
    nearest_index index(nullptr, p, 1.0, s.metric(), level);
    for (int probe_no = 0; probe_no < 200; ++probe_no) {
      WorkColor probe = random_probe(rng, p);
      expect_same(find_nearest(index, probe), brute_force_nearest(p, probe, 1.0, -1, 0.0, s.metric()),
                  level, 64, probe_no);
    }
  }
}

// The window search of error diffusion, in pairs of lanes as the portable
// row kernel runs it, from its own start and from another: the full
// search's answer whether or not the window alone settles it.
TEST(NearestWindow, GivesTheFullSearchAnswerFromAnyStart) {
  std::mt19937_64 rng(20261210);
  for (std::uint32_t n : {1u, 2u, 15u, 16u, 17u, 40u, 256u}) {
    Palette p = random_palette(rng, n);
    const nearest_index index(nullptr, p, 1.0, ColorMetric{});
    const nearest_window window(index);
    const WindowTable& t = window.table();
    const std::int64_t last_start = std::max<std::int64_t>(n - nearest_window::kWidth, 0);
    for (int probe_no = 0; probe_no < 600; ++probe_no) {
      const WorkColor c = random_probe(rng, p);
      const ScanProbe probe{c.alpha, c.L, c.a, c.b, squared_chroma(c), false};
      // The window never adds the translucent penalty: no probe is above an
      // infinite threshold.
      const NearestMatch want = brute_force_nearest(p, c, std::numeric_limits<double>::infinity());
      for (std::int64_t start : {window_start(t, c.L), static_cast<std::int64_t>(rng() % (last_start + 1))})
        expect_same(find_in_window<WindowPairs>(t, probe, start), want, 0, n, probe_no);
    }
  }
}

}  // namespace
