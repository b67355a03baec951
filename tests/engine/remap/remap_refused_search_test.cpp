// Every remap gives up, leaving its output untouched, when the search table
// cannot be built; the pipeline turns that into status 17.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/dither/remap_masked.h"
#include "engine/engine_cache.h"
#include "engine/pipeline.h"
#include "engine/quantize.h"
#include "engine/remap/remap_diffused.h"
#include "engine/remap/remap_plain.h"
#include "tests/engine/pipeline_test_images.h"
#include "tests/engine/remap/remap_test_support.h"
#include "tests/engine/remap_refusing_device.h"

namespace {

TEST(RefusedSearch, EveryRemapReportsItAndWritesNothing) {
  EngineSettings s;
  TestImage img = ramp_image(16, 8, 5);
  const Palette p = ramp_palette(6, 7);
  RefusingDevice nothing(0);
  std::vector<std::uint8_t> out(img.pixels.size(), 99);
  testing::internal::CaptureStderr();
  Palette moved = p;
  EXPECT_THROW(remap_plain(&nothing, img.view(), moved, s, out.data()), std::bad_alloc);
  EXPECT_EQ(moved.entries[0].color.L, p.entries[0].color.L);
  EXPECT_THROW(remap_diffused(&nothing, img.view(), p, s, nullptr, false, 1e20, out.data()),
               std::bad_alloc);
  for (DitherKind kind : {kDitherBayer, kDitherBlueNoise, kDitherMixingPlan}) {
    s.dither = kind;
    EXPECT_THROW(remap_masked(&nothing, img.view(), p, s, nullptr, out.data()), std::bad_alloc)
        << kind;
  }
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, std::vector<std::uint8_t>(img.pixels.size(), 99));
}

// Refusing only small blocks lets the image, its maps and its histogram in
// but not the search tables of a 16-colour palette.
TEST(RefusedSearch, PipelineReturns17ForEveryRemap) {
  std::vector<std::uint8_t> px = test_images::gradient(64, 64, false);
  struct Case {
    DitherKind dither;
    std::uint32_t speed;  // below 6 the plain remap runs first
  };
  for (Case c : {Case{kDitherNone, 3}, Case{kDitherFloydSteinberg, 3},
                 Case{kDitherFloydSteinberg, 10}, Case{kDitherBayer, 10},
                 Case{kDitherMixingPlan, 10}}) {
    EngineSettings s;
    s.verbose = false;
    RefusingDevice small_blocks_refused(SIZE_MAX, 1024);
    ImageDesc image{64, 64, kDefaultGamma, {}};
    std::vector<std::uint8_t> copy = px;
    for (std::uint32_t y = 0; y < 64; ++y) image.rows.push_back(copy.data() + 4 * 64 * y);
    s.colors = 16;
    s.speed = c.speed;
    s.dither = c.dither;
    QuantizedImage out;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_pipeline(&small_blocks_refused, image, s, out), kQuantizeOutOfMemory)
        << c.dither << " " << c.speed;
    testing::internal::GetCapturedStderr();
    release_engine_caches();  // its arrays belong to this device
  }
}

}  // namespace
