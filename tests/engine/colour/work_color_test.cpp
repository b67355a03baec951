#include "engine/colour/work_color.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/colour/working_image.h"
#include "tamble/device.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSampling = 2;  // the instrumented build is much slower
#else
constexpr int kSampling = 1;
#endif

// Converts the RGB triples on a grid of `step` at one alpha through the
// working image and back; returns how many came back different.
int count_round_trip_failures(std::uint8_t alpha, double gamma, int step) {
  step *= kSampling;
  std::vector<std::uint8_t> pixels;
  for (int r = 0; r < 256; r += step)
    for (int g = 0; g < 256; g += step)
      for (int b = 255; b >= 0; b -= step)
        pixels.insert(pixels.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), alpha});
  std::size_t n = pixels.size() / 4;
  std::vector<WorkColor> colors(n);
  convert_working_image(tamble::get_cpu_device(), pixels.data(), n, gamma, colors.data());
  int failures = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t back[4];
    to_rgba(colors[i], gamma, back);
    bool same = true;
    for (int c = 0; c < 4; ++c) same = same && back[c] == pixels[4 * i + c];
    if (!same && ++failures <= 3)
      ADD_FAILURE() << "pixel " << int(pixels[4 * i]) << "," << int(pixels[4 * i + 1]) << ","
                    << int(pixels[4 * i + 2]) << "," << int(alpha) << " came back as "
                    << int(back[0]) << "," << int(back[1]) << "," << int(back[2]) << ","
                    << int(back[3]);
  }
  return failures;
}

TEST(WorkColor, EveryOpaqueColourSurvivesTheRoundTrip) {
  EXPECT_EQ(count_round_trip_failures(255, kDefaultGamma, 1), 0);
}

TEST(WorkColor, TranslucentColoursSurviveTheRoundTrip) {
  for (int alpha : {1, 2, 3, 7, 31, 64, 128, 200, 254}) {
    SCOPED_TRACE(alpha);
    EXPECT_EQ(count_round_trip_failures(std::uint8_t(alpha), kDefaultGamma, 3), 0);
  }
  EXPECT_EQ(count_round_trip_failures(255, 1.0, 3), 0);
  EXPECT_EQ(count_round_trip_failures(77, 0.8, 3), 0);
}

TEST(WorkColor, TransparentPixelsBecomeNeutralAndComeBackEmpty) {
  const std::uint8_t rgba[4] = {200, 10, 99, 0};
  WorkColor c = to_work_color(rgba, kDefaultGamma);
  EXPECT_EQ(c.alpha, 0.0);
  EXPECT_NEAR(c.L, 0.0, 1e-15);
  EXPECT_DOUBLE_EQ(c.a, kNeutralA);
  EXPECT_DOUBLE_EQ(c.b, kNeutralB);
  std::uint8_t back[4] = {1, 1, 1, 1};
  to_rgba(c, kDefaultGamma, back);
  EXPECT_EQ(back[0] | back[1] | back[2] | back[3], 0);
}

TEST(WorkColor, OutOfRangeColoursClampInsteadOfWrapping) {
  std::uint8_t out[4];
  to_rgba(WorkColor{1.0, 1.5, 0.9, 0.1}, kDefaultGamma, out);  // far outside the gamut
  EXPECT_EQ(out[3], 255);
  to_rgba(WorkColor{2.0, 0.5, kNeutralA, kNeutralB}, kDefaultGamma, out);
  EXPECT_EQ(out[3], 255);
  to_rgba(WorkColor{std::nan(""), 0.5, kNeutralA, kNeutralB}, kDefaultGamma, out);
  EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);
  to_rgba(WorkColor{1.0, std::nan(""), kNeutralA, kNeutralB}, kDefaultGamma, out);
  EXPECT_EQ(out[0] | out[1] | out[2], 0);
}

TEST(ColorDifference, WeighsAlphaTwiceLightnessOnceAndScalesChroma) {
  WorkColor grey{1.0, 0.5, kNeutralA, kNeutralB};
  WorkColor lighter = grey;
  lighter.L += 0.1;
  WorkColor fainter = grey;
  fainter.alpha -= 0.1;
  EXPECT_DOUBLE_EQ(color_difference(grey, lighter, 1.0), 0.1 * 0.1);
  EXPECT_DOUBLE_EQ(color_difference(grey, fainter, 1.0), 2 * 0.1 * 0.1);

  // Blend 1 reduces the factor to 30 * the larger squared chroma + 1.
  WorkColor red{1.0, 0.5, 0.6, 0.55};
  WorkColor redder{1.0, 0.5, 0.65, 0.5};
  double cp = squared_chroma(red), cq = squared_chroma(redder);
  double da = red.a - redder.a, db = red.b - redder.b;
  double expected = (30 * std::max(cp, cq) + 1) * (1.003641 * da * da + 0.549752 * db * db);
  EXPECT_NEAR(color_difference(red, redder, 1.0), expected, 1e-15);
  EXPECT_EQ(color_difference(red, redder, 1.0), color_difference(redder, red, 1.0));

  // Vividness: the chroma part scales with chroma_weight, the rest does not.
  EXPECT_DOUBLE_EQ(color_difference(red, redder, 12.5), 12.5 * color_difference(red, redder, 1.0));
  WorkColor redder_lighter = redder;
  redder_lighter.L += 0.1;
  EXPECT_DOUBLE_EQ(color_difference(red, redder_lighter, 12.5) - 0.1 * 0.1,
                   12.5 * color_difference(red, redder, 1.0));
}

TEST(WorkingImage, MatchesThePerPixelConversionExactly) {
  std::vector<std::uint8_t> pixels(4 * 5000);
  std::uint32_t state = 12345;
  for (auto& v : pixels) {
    state = state * 1664525u + 1013904223u;
    v = std::uint8_t(state >> 24);
  }
  for (double gamma : {kDefaultGamma, 1.0, 0.8}) {
    std::vector<WorkColor> colors(5000);
    convert_working_image(tamble::get_cpu_device(), pixels.data(), 5000, gamma, colors.data());
    for (std::size_t i = 0; i < 5000; ++i) {
      WorkColor ref = to_work_color(&pixels[4 * i], gamma);
      ASSERT_TRUE(ref.alpha == colors[i].alpha && ref.L == colors[i].L && ref.a == colors[i].a &&
                  ref.b == colors[i].b)
          << "pixel " << i << " gamma " << gamma;
    }
  }
}

// Round trips cannot tell a gamma applied the wrong way round (both ways
// would invert each other), so pin the lightness of a grey against its
// luminance: a byte encoded with gamma g is raised to 1/g on the way in, and
// the way out raises to g.
TEST(WorkColor, GammaIsAppliedTheRightWayRound) {
  auto lightness_of = [](double y) { return (116.0 * std::cbrt(y) - 16.0) / 100.0; };
  const std::uint8_t grey[4] = {128, 128, 128, 255};
  const double v = 128 / 255.0;
  // Encoded for 1/2.2: linear luminance is v^2.2 (about 0.22, L about 0.54).
  EXPECT_NEAR(to_work_color(grey, kDefaultGamma).L, lightness_of(std::pow(v, 2.2)), 1e-6);
  // Linear bytes: the luminance is the byte value itself.
  EXPECT_NEAR(to_work_color(grey, 1.0).L, lightness_of(v), 1e-6);

  // Linear in, 1/2.2 out: the byte is re-encoded, 256 * v^(1/2.2) truncated.
  std::uint8_t out[4];
  to_rgba(to_work_color(grey, 1.0), kDefaultGamma, out);
  const int expected = static_cast<int>(256.0 * std::pow(v, 1.0 / 2.2));
  EXPECT_EQ(int(out[0]), expected);
  EXPECT_EQ(int(out[1]), expected);
  EXPECT_EQ(int(out[2]), expected);
  EXPECT_EQ(int(out[3]), 255);
}

}  // namespace
