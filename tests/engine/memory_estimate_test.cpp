// The estimate that refuses a run up front must cover what the run then
// takes, whatever the image's shape: rows are worked on whole, so a few very
// long rows cost more per pixel than a square of the same size.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/memory_budget.h"
#include "engine/pipeline.h"
#include "engine/quantize.h"
#include "tests/engine/pipeline_test_images.h"
#include "tests/engine/remap_refusing_device.h"

namespace {

TEST(MemoryEstimate, CoversWhatARunTakesAtEveryShape) {
  struct Shape {
    std::uint32_t w, h;
  };
  for (bool keep : {false, true})
    for (Shape shape : {Shape{100000, 4}, Shape{12000, 9}, Shape{180, 150}, Shape{5, 9000}})
      for (DitherKind dither : {kDitherNone, kDitherFloydSteinberg}) {
        keep_engine_caches(keep);
        std::vector<std::uint8_t> px = test_images::gradient(shape.w, shape.h, true);
        EngineSettings s;
        s.verbose = false;
        s.dither = dither;
        // The fastest speed allows the fewest colours: the estimate's
        // share for them is smallest next to the pixels' and the rows'.
        s.speed = 10;
        const double estimate = estimated_run_bytes(shape.w, shape.h, s.speed);
        RefusingDevice within_estimate(SIZE_MAX, 0, static_cast<std::size_t>(estimate));
        ImageDesc image{shape.w, shape.h, kDefaultGamma, {}};
        for (std::uint32_t y = 0; y < shape.h; ++y) image.rows.push_back(px.data() + 4 * std::size_t{shape.w} * y);
        QuantizedImage out;
        EXPECT_EQ(run_pipeline(&within_estimate, image, s, out), kQuantizeOk)
            << shape.w << "x" << shape.h << " keep " << keep << " dither " << dither;
        release_engine_caches();  // its arrays belong to this device
      }
  keep_engine_caches(true);
}

}  // namespace
