// A flat grey over a black-and-white palette comes out with the share of
// white that each mode's own space predicts: the working space's lightness
// for error diffusion and the threshold masks, linear light for the plan.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"
#include "engine/quantized_image.h"
#include "engine/remap/remap_diffused.h"
#include "tests/engine/dither/masked_test_support.h"

namespace {

const Palette kBlackAndWhite = palette_of({grey(0.0), grey(1.0)});  // white is entry 1

WorkColor grey_byte(std::uint8_t v) {
  const std::uint8_t rgba[4] = {v, v, v, 255};
  return to_work_color(rgba, kDefaultGamma);
}

double white_share(const std::vector<std::uint8_t>& indices) {
  std::size_t white = 0;
  for (std::uint8_t i : indices) white += i == 1;
  return static_cast<double>(white) / static_cast<double>(indices.size());
}

constexpr std::uint8_t kGreys[] = {40, 90, 128, 170, 230};

TEST(Tone, ErrorDiffusionKeepsTheWorkingLightness) {
  EngineSettings s;
  set_uniform_level(s, 1.0);
  const std::uint32_t w = 128, h = 64;  // wide enough that the error lost off row ends is small
  const std::vector<double> edge(std::size_t{w} * h, 1.0);
  for (std::uint8_t v : kGreys) {
    const WorkColor c = grey_byte(v);
    const std::vector<WorkColor> pixels(std::size_t{w} * h, c);
    std::vector<std::uint8_t> out(pixels.size(), 0xEE);
    remap_diffused(tamble::get_cpu_device(), RemapImage{pixels.data(), w, h}, kBlackAndWhite, s,
                   edge.data(), false, 1e20, out.data());
    EXPECT_NEAR(white_share(out), c.L, 0.01) << "grey " << int(v);
  }
}

TEST(Tone, ThresholdMasksKeepTheWorkingLightness) {
  EngineSettings s;
  set_uniform_level(s, 1.0);
  for (DitherKind kind : {kDitherBayer, kDitherBlueNoise}) {
    for (std::uint8_t v : kGreys) {
      const WorkColor c = grey_byte(v);
      const std::vector<WorkColor> pixels(64 * 64, c);  // whole tiles of both masks
      EXPECT_NEAR(white_share(run_masked(s, pixels, 64, 64, kBlackAndWhite, kind)), c.L, 0.01)
          << "kind " << kind << " grey " << int(v);
    }
  }
}

// Eighths of the area: greys whose linear light is a whole number of eighths
// are met exactly when reaching far costs nothing.
TEST(Tone, MixingPlanKeepsTheLinearLight) {
  EngineSettings s;
  set_uniform_level(s, 1.0);
  s.plan_restraint = 0.0;
  for (int eighths : {1, 2, 3, 5, 6}) {
    const double y = eighths / 8.0;
    const std::vector<WorkColor> pixels(64 * 64, linear_to_work_color(1.0, y, y, y));
    EXPECT_NEAR(white_share(run_masked(s, pixels, 64, 64, kBlackAndWhite, kDitherMixingPlan)), y, 0.01)
        << eighths << "/8";
  }
}

}  // namespace
