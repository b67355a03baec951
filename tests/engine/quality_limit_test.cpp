// The error target and the MSE limit inside the pipeline (the entry leaves
// both off), and the message of every status.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/pipeline.h"
#include "engine/quantize.h"
#include "tests/engine/pipeline_test_images.h"

namespace {

struct PipelineRun {
  std::uint32_t status = 0;
  QuantizedImage out;
  std::string log;
};

PipelineRun run(const EngineSettings& s) {
  std::vector<std::uint8_t> px = test_images::gradient(48, 32, false);
  ImageDesc image{48, 32, kDefaultGamma, {}};
  for (std::uint32_t y = 0; y < 32; ++y) image.rows.push_back(px.data() + 4 * 48 * y);
  PipelineRun r;
  testing::internal::CaptureStderr();
  r.status = run_pipeline(tamble::get_cpu_device(), image, s, r.out);
  r.log = testing::internal::GetCapturedStderr();
  return r;
}

TEST(QualityLimit, PaletteErrorAboveTheLimitFailsTheRunWithItsLine) {
  EngineSettings s;
  s.colors = 4;
  s.speed = 8;
  const PipelineRun unlimited = run(s);
  EXPECT_EQ(unlimited.status, kQuantizeOk);
  EXPECT_EQ(unlimited.out.palette_size, 4u);
  EXPECT_EQ(unlimited.log.find("degradation"), std::string::npos);

  s.mse_limit = 1e-9;
  const PipelineRun limited = run(s);
  EXPECT_EQ(limited.status, kQuantizeTooMuchError);
  EXPECT_NE(limited.log.find("  image degradation MSE="), std::string::npos);
  EXPECT_NE(limited.log.find(" exceeded limit of 0.000\n"), std::string::npos);
  EXPECT_TRUE(limited.out.indices.empty());  // no result was built
  release_engine_caches();
}

TEST(QualityLimit, ReachedErrorTargetEndsMedianCutEarly) {
  EngineSettings s;
  s.verbose = false;
  s.colors = 64;
  s.speed = 3;
  EXPECT_EQ(run(s).out.palette_size, 64u);
  s.target_mse = 1.0;  // far above any error of this picture: the first split meets it
  const PipelineRun coarse = run(s);
  EXPECT_EQ(coarse.status, kQuantizeOk);
  EXPECT_LT(coarse.out.palette_size, 64u);
  release_engine_caches();
}

TEST(QuantizeMessage, EveryStatusSaysWhatWentWrong) {
  std::set<std::string> distinct;
  for (std::uint32_t status : {kQuantizeOk, kQuantizeInternalError, kQuantizeBadArguments,
                               kQuantizeOutOfMemory, kQuantizeTooMuchError}) {
    ASSERT_NE(quantize_message(status), nullptr);
    distinct.insert(quantize_message(status));
  }
  EXPECT_EQ(distinct.size(), 5u);
  EXPECT_STREQ(quantize_message(kQuantizeTooMuchError), "quality limit exceeded");
  EXPECT_STREQ(quantize_message(kQuantizeOutOfMemory), "not enough memory");
  EXPECT_STREQ(quantize_message(12345), "unknown quantizer status");
}

}  // namespace
