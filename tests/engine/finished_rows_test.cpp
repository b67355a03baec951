// The rows a run reports final while it goes on are the rows it returns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/finished_rows.h"
#include "engine/quantize.h"
#include "tests/engine/pipeline_test_images.h"

namespace {

// Copies each row when it is reported final, and the order of the calls.
struct RowRecorder final : FinishedRows {
  std::uint32_t width = 0;
  const std::uint8_t* indices = nullptr;
  std::uint32_t palette_size = 0, done = 0, calls = 0;
  std::vector<std::uint8_t> copied;
  std::string order;
  bool backwards = false;

  void rows_begin(const std::uint8_t* rows, std::uint32_t size) override {
    order += "b";
    indices = rows;
    palette_size = size;
  }
  void rows_final(std::uint32_t now) override {
    if (order.empty() || order.back() != 'f') order += "f";
    ++calls;
    backwards |= now < done;
    if (now > done)
      copied.insert(copied.end(), indices + std::size_t{done} * width,
                    indices + std::size_t{now} * width);
    done = std::max(done, now);
  }
  void rows_released() override { order += "r"; }
};

}  // namespace

TEST(FinishedRows, EveryModeReportsItsFinalRowsInOrderAndLetsThemGo) {
  const std::uint32_t w = 96, h = 64;
  std::vector<std::uint8_t> px = test_images::gradient(w, h, true);
  for (std::int32_t dither : {0, 1, 2, 4}) {
    for (std::uint32_t speed : {3u, 8u}) {
      RowRecorder rows;
      rows.width = w;
      QuantizerOptions o;
      o.colors = 12;
      o.dither = dither;
      o.speed = speed;
      o.finished_rows = &rows;
      test_images::Result r = test_images::quantize(px, w, h, o);
      SCOPED_TRACE("dither " + std::to_string(dither) + " speed " + std::to_string(speed));
      ASSERT_EQ(r.status, kQuantizeOk);
      EXPECT_EQ(rows.order, "bfr");
      EXPECT_EQ(rows.palette_size, r.size);
      EXPECT_FALSE(rows.backwards);
      EXPECT_EQ(rows.done, h);
      EXPECT_TRUE(rows.copied == r.indices);
      // Error diffusion finishes its rows one by one.
      if (dither == 1) {
        EXPECT_GE(rows.calls, h);
      }
    }
  }

  // A run refused before any row is mapped says nothing.
  RowRecorder refused;
  QuantizerOptions o;
  o.colors = 2;
  o.quality_target = 1;
  o.quality_min = 100;
  o.finished_rows = &refused;
  EXPECT_EQ(test_images::quantize(px, w, h, o).status, kQuantizeTooMuchError);
  EXPECT_EQ(refused.order, "");
}
