#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "engine/dither/plan_screening.h"
#include "engine/colour/work_color.h"
#include "tamble/runtime.h"

namespace {

struct Case {
  ScreeningBatch batch{};
  ScreeningPixel pixel{};
  WorkColor work_pixel{};
  double linear[kScreeningSlots][4]{};  // alpha, r, g, b of every candidate
};

// Random premultiplied linear mixes, some dark enough for the linear part of
// the lightness curve and a few slightly out of gamut.
Case random_case(std::mt19937& rng, std::size_t count, double chroma_weight) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Case k;
  k.batch.count = count;
  for (std::size_t c = 0; c < kScreeningSlots; ++c) {
    double alpha = 0.3 + 0.7 * unit(rng);
    double scale = c % 7 == 0 ? 0.004 : 1.0;
    double r = scale * alpha * (unit(rng) * 1.04 - 0.02), g = scale * alpha * unit(rng),
           b = scale * alpha * (unit(rng) * 1.04 - 0.02);
    double* l = k.linear[c];
    l[0] = alpha, l[1] = r, l[2] = g, l[3] = b;
    k.batch.alpha[c] = alpha;
    k.batch.x[c] = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    k.batch.y[c] = 0.2126729 * r + 0.7151522 * g + 0.072175 * b;
    k.batch.z[c] = 0.0193339 * r + 0.119192 * g + 0.9503041 * b;
    k.batch.reach[c] = c % 3 == 0 ? 0.0 : 0.01 * unit(rng);
  }
  std::uint8_t rgba[4] = {static_cast<std::uint8_t>(rng() % 256), static_cast<std::uint8_t>(rng() % 256),
                          static_cast<std::uint8_t>(rng() % 256), static_cast<std::uint8_t>(1 + rng() % 255)};
  k.work_pixel = to_work_color(rgba, kDefaultGamma);
  const WorkColor& p = k.work_pixel;
  k.pixel = ScreeningPixel{p.alpha, p.L, p.a, p.b, squared_chroma(p), chroma_weight, 1.0};
  return k;
}

TEST(PlanScreening, EstimatesStayFarInsideTheExactCostMargin) {
  std::mt19937 rng(3);
  for (double chroma_weight : {1.0, 3.0}) {
    for (int round = 0; round < 40; ++round) {
      Case k = random_case(rng, 165, chroma_weight);
      double out[kScreeningSlots];
      screen_candidates_scalar(k.batch, k.pixel, out);
      for (std::size_t c = 0; c < k.batch.count; ++c) {
        const double* l = k.linear[c];
        double exact = color_difference(k.work_pixel, linear_to_work_color(l[0], l[1], l[2], l[3]),
                                        chroma_weight, 1.0) +
                       k.batch.reach[c];
        // The search treats anything within 1e-9 x (1 + Vividness) as a tie.
        ASSERT_NEAR(out[c], exact, 1e-12 * (1.0 + chroma_weight)) << c;
      }
    }
  }
}

TEST(PlanScreening, UnusableMixesAreAlwaysCostedExactly) {
  std::mt19937 rng(5);
  Case k = random_case(rng, 8, 1.0);
  k.batch.x[2] = std::nan("");
  k.batch.y[5] = 1e40;
  double out[kScreeningSlots];
  screen_candidates_scalar(k.batch, k.pixel, out);
  EXPECT_EQ(out[2], -INFINITY);
  EXPECT_EQ(out[5], -INFINITY);
  EXPECT_TRUE(std::isfinite(out[4]));
}

TEST(PlanScreening, VectorKernelsMatchTheScalarOneBitForBit) {
  if (tamble::hardware_isa_level() < 2) GTEST_SKIP() << "no AVX2 on this processor";
  const bool wide = tamble::hardware_isa_level() >= 3;
  std::mt19937 rng(9);
  for (std::size_t count : {8u, 44u, 168u}) {
    for (int round = 0; round < 30; ++round) {
      Case k = random_case(rng, count, round % 2 ? 1.0 : 2.5);
      if (round == 0) k.batch.z[1] = std::nan("");
      double scalar[kScreeningSlots], vector[kScreeningSlots];
      screen_candidates_scalar(k.batch, k.pixel, scalar);
      screen_candidates_avx2(k.batch, k.pixel, vector);
      ASSERT_EQ(std::memcmp(scalar, vector, count * sizeof(double)), 0) << count << " " << round;
      if (!wide) continue;
      screen_candidates_avx512(k.batch, k.pixel, vector);
      ASSERT_EQ(std::memcmp(scalar, vector, count * sizeof(double)), 0) << "AVX-512 " << count << " " << round;
    }
  }
}

}  // namespace
