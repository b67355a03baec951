#include <gtest/gtest.h>

#include <cmath>

#include "tests/engine/nearest/nearest_test_support.h"
#include "tests/engine/remap_refusing_device.h"

namespace {

constexpr int kLevels[] = {0, 2, 3};
constexpr double kIe6Threshold = 238.0 / 255.0;

TEST(NearestSearch, SingleEntryAnswersEveryProbe) {
  Palette p = make_palette({WorkColor{0.5, 0.3, 0.4, 0.6}});
  for (int level : kLevels) {
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
    for (WorkColor probe : {WorkColor{0, 0, kNeutralA, kNeutralB}, WorkColor{1, 1, 0.1, 0.9},
                            WorkColor{0.5, 0.3, 0.4, 0.6}, WorkColor{1, -1, 3, -3}}) {
      NearestMatch m = find_nearest(index, probe);
      EXPECT_EQ(m.index, 0);
      EXPECT_EQ(m.distance, color_difference(probe, p.entries[0].color, ColorMetric{}));
    }
  }
}

TEST(NearestSearch, EqualDistanceChoosesSmallerIndexAtEveryLevel) {
  // Index 0 sorts last (largest L), so visiting order and index order disagree.
  Palette p = make_palette({opaque_grey(0.75), opaque_grey(0.25), opaque_grey(0.1),
                            opaque_grey(0.75), opaque_grey(0.25)});
  for (int level : kLevels) {
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
    NearestMatch between = find_nearest(index, opaque_grey(0.5));
    EXPECT_EQ(between.index, 0) << "level " << level;
    EXPECT_EQ(between.distance, 0.0625);
    EXPECT_EQ(find_nearest(index, opaque_grey(0.25)).index, 1) << "level " << level;
    EXPECT_EQ(find_nearest(index, opaque_grey(0.8)).index, 0) << "level " << level;
  }
}

TEST(NearestSearch, EqualLightnessRunIsSearchedWhole) {
  // Twelve entries of one L, differing only in chroma; the closest sits at the
  // far end of the run from where the scan starts.
  Palette p;
  for (int i = 0; i < 12; ++i)
    p.entries.push_back({WorkColor{1.0, 0.5, 0.2 + 0.03 * i, kNeutralB}, 0.0, false});
  p.entries.push_back({opaque_grey(0.9), 0.0, false});
  for (int level : kLevels) {
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
    for (int target : {0, 5, 11}) {
      WorkColor probe = p.entries[target].color;
      NearestMatch m = find_nearest(index, probe);
      EXPECT_EQ(m.index, target) << "level " << level;
      EXPECT_EQ(m.distance, 0.0);
    }
  }
}

TEST(NearestSearch, GuessThatIsNearestComesBackUnchanged) {
  Palette p = make_palette({opaque_grey(0.1), opaque_grey(0.4), opaque_grey(0.7), opaque_grey(0.95)});
  WorkColor probe = opaque_grey(0.45);
  double exact = color_difference(probe, p.entries[1].color, ColorMetric{});
  for (int level : kLevels) {
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
    NearestMatch m = find_nearest(index, probe, 1, exact);
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.distance, exact);
    // A worse guess is improved upon; the answer matches the unguessed one.
    NearestMatch from_far = find_nearest(index, probe, 3, color_difference(probe, p.entries[3].color, ColorMetric{}));
    EXPECT_EQ(from_far.index, 1);
    EXPECT_EQ(from_far.distance, exact);
  }
}

TEST(NearestSearch, GuessOutsideThePaletteIsIgnored) {
  Palette p = make_palette({opaque_grey(0.1), opaque_grey(0.6)});
  nearest_index index(nullptr, p, 1.0, ColorMetric{}, 0);
  for (std::int64_t guess : {std::int64_t{2}, std::int64_t{255}, std::int64_t{-7}}) {
    NearestMatch m = find_nearest(index, opaque_grey(0.55), guess, 0.0);
    EXPECT_EQ(m.index, 1);
  }
}

TEST(NearestSearch, TranslucentEntriesCostExtraForOpaqueProbesWithIe6Workaround) {
  WorkColor translucent{0.99, 0.5, kNeutralA, kNeutralB};
  for (int level : kLevels) {
    // Opaque entry farther by less than the penalty: the opaque one wins.
    Palette close = make_palette({translucent, opaque_grey(0.5 + std::sqrt(0.0005))});
    nearest_index a(nullptr, close, kIe6Threshold, ColorMetric{}, level);
    NearestMatch m = find_nearest(a, opaque_grey(0.5));
    EXPECT_EQ(m.index, 1);
    EXPECT_EQ(m.distance, color_difference(opaque_grey(0.5), close.entries[1].color, ColorMetric{}));
    // Farther by more than the penalty: the translucent one wins and pays it.
    Palette far = make_palette({translucent, opaque_grey(0.54)});
    nearest_index b(nullptr, far, kIe6Threshold, ColorMetric{}, level);
    m = find_nearest(b, opaque_grey(0.5));
    EXPECT_EQ(m.index, 0);
    EXPECT_EQ(m.distance, color_difference(opaque_grey(0.5), translucent, ColorMetric{}) + kTranslucentPenalty);
    // A probe at the threshold is not penalised.
    WorkColor at_threshold{kIe6Threshold, 0.5, kNeutralA, kNeutralB};
    m = find_nearest(a, at_threshold);
    EXPECT_EQ(m.index, 0);
    EXPECT_EQ(m.distance, color_difference(at_threshold, translucent, ColorMetric{}));
    // Without the workaround nothing is penalised.
    nearest_index plain(nullptr, close, 1.0, ColorMetric{}, level);
    EXPECT_EQ(find_nearest(plain, opaque_grey(0.5)).index, 0);
  }
}

TEST(NearestSearch, ProbesBeyondTheStartingBoundStillGetAnEntry) {
  Palette p = make_palette({opaque_grey(0.2), opaque_grey(0.8)});
  for (int level : kLevels) {
    nearest_index index(nullptr, p, 1.0, ColorMetric{}, level);
    NearestMatch huge = find_nearest(index, opaque_grey(1e12));
    EXPECT_EQ(huge.index, 1);
    EXPECT_EQ(huge.distance, color_difference(opaque_grey(1e12), p.entries[1].color, ColorMetric{}));
    NearestMatch nan = find_nearest(index, opaque_grey(std::nan("")));
    EXPECT_GE(nan.index, 0);
    EXPECT_LT(nan.index, 2);
  }
}

// A table without memory could only answer entry 0, which is no answer.
TEST(NearestSearch, RefusedTableIsARefusedAllocation) {
  RefusingDevice nothing(0);
  Palette p = make_palette({opaque_grey(0.2), opaque_grey(0.8)});
  testing::internal::CaptureStderr();
  EXPECT_THROW(nearest_index(&nothing, p, 1.0, ColorMetric{}), std::bad_alloc);
  testing::internal::GetCapturedStderr();
}

}  // namespace
