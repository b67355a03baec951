// Box average, statistics, split keys and the choice of the box to split.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/palette/median_cut_box.h"
#include "median_cut_histograms.h"

namespace {

Box box_with(double sum, double spread, double max_error, std::uint32_t count = 10) {
  Box b{};
  b.sum = sum;
  b.variance[1] = spread;
  b.max_error = max_error;
  b.count = count;
  return b;
}

WorkColor average_of(const std::vector<HistogramItem>& items, double opaque_threshold) {
  return box_average_serial(items.data(), items.size(), opaque_threshold, kSerialBlock);
}

}  // namespace

TEST(MedianCutChoice, SumPowerZeroIgnoresWeightAndOneMultipliesIt) {
  ChoiceRule rule{0.0, 1.0, 1.0, 4};
  // Heavy box with a small spread against a light one with a large spread.
  std::vector<Box> boxes = {box_with(1000.0, 0.01, 0.0), box_with(1.0, 0.02, 0.0)};
  EXPECT_EQ(box_score(boxes[0], rule, 2), 0.01);
  EXPECT_EQ(choose_box(boxes, 2, rule), 1);
  rule.sum_pow = 1.0;
  EXPECT_EQ(box_score(boxes[0], rule, 2), 1000.0 * 0.01);
  EXPECT_EQ(choose_box(boxes, 2, rule), 0);
}

TEST(MedianCutChoice, FairnessRaisesTheErrorRatioToItsPower) {
  // n = 2 of N = 5: threshold T = (15 * 2 / 5 + 1) * 0.01 = 0.07.
  const double t = (15.0 * 2 / 5 + 1.0) * 0.01;
  Box b = box_with(2.0, 0.5, 4 * t);
  ChoiceRule rule{1.0, 3.0, 0.01, 5};
  EXPECT_NEAR(box_score(b, rule, 2), 2.0 * 0.5 * 64.0, 1e-9);
  rule.max_error_pow = 1.0;
  EXPECT_NEAR(box_score(b, rule, 2), 2.0 * 0.5 * 4.0, 1e-9);
  // At or below the threshold there is no boost.
  b.max_error = t;
  EXPECT_EQ(box_score(b, rule, 2), 1.0);
}

TEST(MedianCutChoice, TiesKeepTheLowerSlotAndZeroOrSingleItemBoxesNeverWin) {
  ChoiceRule rule{1.0, 1.0, 1.0, 8};
  std::vector<Box> boxes = {box_with(1.0, 0.0, 0.0), box_with(2.0, 0.25, 0.0),
                            box_with(1.0, 0.5, 0.0), box_with(5.0, 9.0, 0.0, 1)};
  EXPECT_EQ(choose_box(boxes, 4, rule), 1);
  std::vector<Box> none = {box_with(3.0, 0.0, 0.0), box_with(0.0, 1.0, 0.0),
                           box_with(9.0, 9.0, 0.0, 1)};
  EXPECT_EQ(choose_box(none, 3, rule), -1);
}

TEST(MedianCutChoice, ErrorTargetIsMetOnlyWhileTheRunningSumStaysWithinTheLimit) {
  std::vector<Box> boxes = {box_with(1, 0, 0), box_with(1, 0, 0), box_with(1, 0, 0)};
  boxes[0].total_error = 1.0;
  boxes[1].total_error = 2.0;
  boxes[2].total_error = 5.0;
  EXPECT_TRUE(error_target_met(boxes, 2, 3.0));
  EXPECT_FALSE(error_target_met(boxes, 3, 7.9));
  EXPECT_TRUE(error_target_met(boxes, 3, 8.0));
  boxes[0].total_error = boxes[1].total_error = boxes[2].total_error = 0.0;
  EXPECT_TRUE(error_target_met(boxes, 3, 0.0));
}

TEST(MedianCutAverage, AlphaSnapsToOpaqueOnlyWithAnOpaqueItemAndEnoughAlpha) {
  WorkColor opaque{1.0, 0.5, kNeutralA, kNeutralB};
  WorkColor almost{0.9962, 0.5, kNeutralA, kNeutralB};  // just above 255/256
  WorkColor half{0.5, 0.25, kNeutralA, kNeutralB};
  WorkColor c = average_of({make_item(opaque, 9.0, 0), make_item(half, 1.0, 1)}, 0.9);
  EXPECT_EQ(c.alpha, 1.0);
  c = average_of({make_item(opaque, 1.0, 0), make_item(half, 1.0, 1)}, 0.9);
  EXPECT_LT(c.alpha, 0.9);  // weighted alpha below the threshold: no snap
  c = average_of({make_item(almost, 1.0, 0)}, 0.99);
  EXPECT_EQ(c.alpha, 1.0);
  WorkColor below{0.995, 0.5, kNeutralA, kNeutralB};  // under 255/256
  c = average_of({make_item(below, 1.0, 0)}, 0.99);
  EXPECT_DOUBLE_EQ(c.alpha, 0.995);
}

TEST(MedianCutAverage, WeightlessItemsAverageEquallyInsteadOfCollapsingToZero) {
  WorkColor x{1.0, 0.2, 0.4, 0.5}, y{1.0, 0.4, 0.4, 0.5};
  WorkColor c = average_of({make_item(x, 0.0, 0), make_item(y, 0.0, 1)}, 1.0);
  EXPECT_GT(c.L, 0.2);
  EXPECT_LT(c.L, 0.4);
  EXPECT_EQ(c.alpha, 1.0);
}

TEST(MedianCutSplitKey, ChannelOrderFollowsVarianceWithTiesInLabAlphaOrder) {
  Box b{};
  EXPECT_EQ(channel_order(b), (std::array<int, 4>{1, 2, 3, 0}));
  b.variance[0] = 2.0;  // alpha
  b.variance[3] = 1.0;  // b
  EXPECT_EQ(channel_order(b), (std::array<int, 4>{0, 3, 1, 2}));
}

TEST(MedianCutSplitKey, LowHalfIsOredIntoTheHighHalfAndCutTo32Bits) {
  std::array<int, 4> order{1, 2, 3, 0};  // L, a, b, alpha
  WorkColor c{1.0, 0.5, 1.0, 0.0};
  std::uint32_t high = static_cast<std::uint32_t>(0.5 * 65535.0) << 16;
  std::uint32_t low = static_cast<std::uint32_t>((1.0 * 0.5 + 0.0 + 1.0 * 0.25) * 65535.0);
  EXPECT_EQ(split_key(c, order), high | low);
  // The blend overflows 16 bits: OR, not addition.
  WorkColor over{1.0, 0.0, 1.0, 1.0};
  std::uint32_t big = static_cast<std::uint32_t>(1.75 * 65535.0);
  EXPECT_EQ(split_key(over, order), big);
  WorkColor top{0.0, 1.0, 1.0, 1.0};
  EXPECT_EQ(split_key(top, order), (65535u << 16) | static_cast<std::uint32_t>(1.5 * 65535.0));
  // A negative blend keeps its two's-complement bits, which the OR spreads
  // over the high half.
  WorkColor neg{0.0, 0.5, -0.01, -0.3};
  auto low_neg = static_cast<std::int64_t>((-0.01 * 0.5 + -0.3 + 0.0 * 0.25) * 65535.0);
  EXPECT_EQ(split_key(neg, order),
            static_cast<std::uint32_t>(std::uint64_t{high} | static_cast<std::uint64_t>(low_neg)));
  EXPECT_EQ(split_key(neg, order) >> 16, 0xFFFFu);
}
