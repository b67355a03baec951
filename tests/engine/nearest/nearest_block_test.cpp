// The block of sorted entries measured at once must settle an answer only
// when no entry outside it can win: palettes crowded into a sliver of
// lightness (where it rarely can), spread past the usual 0..1, or sitting on
// bucket edges, and probes anywhere, give the full scan's answer bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/engine/nearest/nearest_test_support.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();

// What a search without a guess answers, including for probes so far out
// that no distance is below its starting bound.
NearestMatch unguided_answer(const Palette& p, const WorkColor& probe, double threshold) {
  NearestMatch m = brute_force_nearest(p, probe, threshold);
  if (m.index == kNone) m = brute_force_nearest(p, probe, threshold, kNone, kInf);
  if (m.index == kNone) m = {kInf, 0};
  return m;
}

Palette crowded_palette(std::mt19937_64& rng, std::uint32_t n) {
  Palette p;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (i % 9 == 8) {  // a copy of an earlier entry: equal distances, smaller index first
      p.entries.push_back(p.entries[rng() % i]);
      continue;
    }
    double L;
    switch (i % 5) {
      case 0: L = 0.5 + uniform(rng, 0, 1e-4); break;  // crowded band
      case 1: L = 0.5; break;                          // one lightness, many colours
      case 2: L = std::floor(uniform(rng, 0, 1024)) / 1024; break;  // bucket edges
      case 3: L = uniform(rng, -3, 4); break;          // past both ends
      default: L = uniform(rng, 0, 1);
    }
    const double alpha = i % 7 == 0 ? uniform(rng, 0.5, 1) : 1.0;
    p.entries.push_back({WorkColor{alpha, L, uniform(rng, 0.1, 0.65), uniform(rng, 0.1, 0.9)}, 0.0, false});
  }
  return p;
}

// Probe k near entry r.
WorkColor probe_near(std::mt19937_64& rng, const Palette& p, int k, std::uint32_t r) {
  const WorkColor& e = p.entries[r].color;
  switch (k % 6) {
    case 0: return e;
    case 1: return WorkColor{1.0, e.L + uniform(rng, -1e-3, 1e-3), e.a + uniform(rng, -0.05, 0.05), e.b};
    case 2: return WorkColor{1.0, std::floor(uniform(rng, 0, 1024)) / 1024, e.a, e.b};
    case 3: return WorkColor{uniform(rng, 0.9, 1), uniform(rng, -5, 6), uniform(rng, 0, 1), uniform(rng, 0, 1)};
    case 4: return WorkColor{1.0, k % 12 == 4 ? kInf : -kInf, e.a, e.b};
    default: return WorkColor{1.0, e.L, std::nan(""), e.b};
  }
}

TEST(NearestBlock, CrowdedAndFarPalettesGiveTheFullScanAnswer) {
  std::mt19937_64 rng(20261211);
  for (std::uint32_t n : {23u, 24u, 25u, 47u, 256u}) {
    const Palette p = crowded_palette(rng, n);
    for (double threshold : {1.0, 238.0 / 255.0}) {
      for (int level : {0, 2, 3}) {
        if (!level_available(level)) continue;
        const nearest_index index(nullptr, p, threshold, ColorMetric{}, level);
        for (int k = 0; k < 600; ++k) {
          // The guess is often the probe's own entry, perhaps a later copy
          // whose twin lies outside the block.
          const auto r = static_cast<std::uint32_t>(rng() % n);
          const WorkColor probe = probe_near(rng, p, k, r);
          const std::int64_t guess = rng() % 2 ? r : static_cast<std::int64_t>(rng() % n);
          const double guess_distance = color_difference(probe, p.entries[guess].color, ColorMetric{});
          const NearestMatch want = unguided_answer(p, probe, threshold);
          const NearestMatch guided = brute_force_nearest(p, probe, threshold, guess, guess_distance);
          const NearestMatch got[][2] = {{find_nearest(index, probe), want},
                                         {index.find_near(probe, guess), want},
                                         {find_nearest(index, probe, guess, guess_distance), guided}};
          for (const auto& [m, expected] : got) {
            ASSERT_EQ(m.index, expected.index) << "n " << n << " level " << level << " probe " << k;
            ASSERT_TRUE(m.distance == expected.distance ||
                        (std::isnan(m.distance) && std::isnan(expected.distance)))
                << "n " << n << " level " << level << " probe " << k;
          }
        }
      }
    }
  }
}

// Two greys a quarter of lightness either side of a grey probe tie exactly;
// the one with the smaller index lies just outside the block (above it, then
// below it), behind colourful entries that fill the block on each side.
TEST(NearestBlock, TieJustOutsideTheBlockGoesToTheSmallerIndex) {
  const WorkColor colourful_low{1.0, 0.45, kNeutralA + 0.3, kNeutralB};
  const WorkColor colourful_high{1.0, 0.6, kNeutralA + 0.3, kNeutralB};
  for (bool outside_above : {true, false}) {
    Palette p = make_palette({outside_above ? opaque_grey(0.75) : opaque_grey(0.25)});
    for (int i = 0; i < 3; ++i) p.entries.push_back({opaque_grey(outside_above ? 0.0 : 1.0), 0.0, false});
    for (int i = 0; i < (outside_above ? 11 : 12); ++i) p.entries.push_back({colourful_low, 0.0, false});
    for (int i = 0; i < (outside_above ? 12 : 11); ++i) p.entries.push_back({colourful_high, 0.0, false});
    p.entries.push_back({outside_above ? opaque_grey(0.25) : opaque_grey(0.75), 0.0, false});
    for (int level : {0, 2, 3}) {
      if (!level_available(level)) continue;
      const nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
      const NearestMatch m = find_nearest(index, opaque_grey(0.5));
      EXPECT_EQ(m.index, 0) << "level " << level << (outside_above ? " above" : " below");
      EXPECT_EQ(m.distance, 0.0625);
    }
  }
}

}  // namespace
