#include <gtest/gtest.h>

#include "tests/app/document_test_support.h"

namespace {

bool idle(Document& document) {
  return !document.run_requested() && !document.busy();
}

TEST(DocumentWorker, RequestsDuringARunCoalesceIntoOneRunWithTheLastValues) {
  StandInEngine engine;
  engine.hold = true;
  Document document(engine.entry());
  WakeCounter counter;
  counter.install(document);
  set_image(document, 8, 6);
  document.request_run();
  ASSERT_TRUE(eventually([&] { return engine.call_count() == 1 && document.busy(); }));

  QuantizerOptions options;
  for (std::uint32_t i = 0; i < 10; ++i) {
    options.colors = 10 + i;
    document.set_options(options);
    document.request_run();
  }
  engine.release();
  ASSERT_TRUE(eventually([&] { return counter.wakes.load() == 2 && idle(document); }));
  // Nothing requests a third run, so none can start once the worker is idle.
  ASSERT_EQ(engine.call_count(), 2u);
  EXPECT_EQ(engine.calls[1].options.colors, 19u);
  EXPECT_TRUE(document.take_result());
  EXPECT_FALSE(document.take_result());
  EXPECT_EQ(counter.wakes.load(), 2);
}

TEST(DocumentWorker, PublishesTheRunAndItsQuality) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 8, 6);
  document.request_run();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  const QuantResult& result = document.result();
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.indices_available);
  EXPECT_EQ(result.width, 8u);
  EXPECT_EQ(result.height, 6u);
  EXPECT_EQ(result.gamma, kDefaultGamma);
  EXPECT_EQ(result.rgba, document.pixels());
  EXPECT_EQ(result.rmse, 0.0);
  EXPECT_EQ(result.psnr, 99.0);
  EXPECT_EQ(result.png_size, 0u);
  EXPECT_FALSE(document.reference().ok);

  // A failing engine still publishes, marked not ok and without figures.
  engine.status = 4;
  document.request_run();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_FALSE(document.result().ok);
  EXPECT_EQ(document.result().psnr, 0.0);
}

TEST(DocumentWorker, HandsTheEngineTheFixedColoursAndLayersInUse) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 4, 4);
  const Rgba pin{1, 2, 3, 255}, entry{9, 8, 7, 255};
  struct Case {
    bool use_palette, use_pins, use_focus, paint;
    std::vector<std::uint8_t> fixed;
    bool focus_passed;
  } cases[] = {
      {true, true, true, true, {9, 8, 7, 255}, true},
      {false, true, false, true, {1, 2, 3, 255}, false},
      {false, false, true, false, {}, false},  // an empty layer is not handed over
  };
  for (const Case& c : cases) {
    {
      std::lock_guard<std::mutex> lock(DocumentTestAccess::mutex(document));
      DocumentTestAccess::pins(document) = {pin};
      DocumentTestAccess::palette(document) = {entry};
      DocumentTestAccess::use(document, UseFlag::palette) = c.use_palette;
      DocumentTestAccess::use(document, UseFlag::pins) = c.use_pins;
      DocumentTestAccess::use(document, UseFlag::focus) = c.use_focus;
      MapLayer& focus = DocumentTestAccess::layer(document, kFocusLayer);
      focus.reset(16);
      if (c.paint) {
        focus.bytes[5] = 200;
        focus.empty = false;
      }
    }
    std::size_t before = engine.call_count();
    document.request_run();
    ASSERT_TRUE(eventually([&] { return document.take_result(); }));
    ASSERT_EQ(engine.call_count(), before + 1);
    const StandInEngine::Call& call = engine.calls.back();
    EXPECT_EQ(call.fixed, c.fixed);
    EXPECT_EQ(call.focus.empty(), !c.focus_passed);
    if (c.focus_passed) {
      EXPECT_EQ(call.focus[5], 200);
    }
    EXPECT_TRUE(call.dither.empty());
  }
}

TEST(DocumentWorker, AZeroSizedImagePublishesNothingAndKeepsThePreviousResult) {
  StandInEngine engine;
  Document document(engine.entry());
  WakeCounter counter;
  counter.install(document);
  set_image(document, 8, 6);
  document.request_run();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));

  set_image(document, 0, 6);
  document.request_run();
  ASSERT_TRUE(eventually([&] { return idle(document); }));
  // The size measurement runs after the empty request is done with, on the old slot.
  document.request_png_size();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_EQ(engine.call_count(), 1u);
  EXPECT_EQ(counter.wakes.load(), 2);
  EXPECT_TRUE(document.result().ok);
  EXPECT_EQ(document.result().width, 8u);
  EXPECT_GT(document.result().png_size, 0u);
  // Measured once: the main thread asks no more.
  document.request_png_size();
  EXPECT_FALSE(DocumentTestAccess::png_size_requested(document));
}

TEST(DocumentWorker, ARunBelowTheQualityMinimumKeepsThePreviousResult) {
  Document document;  // the real engine
  set_image(document, 24, 16);
  QuantizerOptions options;
  options.colors = 4;
  document.set_options(options);
  ASSERT_TRUE(eventually([&] { return document.take_result() && document.took_new_run(); }));
  ASSERT_TRUE(document.result().ok);
  EXPECT_EQ(document.result().palette_count, 4u);
  const std::uint32_t reached = document.result().quality;
  EXPECT_LT(reached, 100u);  // four colours cannot hold the gradient
  const PixelBytes shown = document.result().rgba;

  options.quality_target = 1;
  options.quality_min = 100;
  document.set_options(options);
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_FALSE(document.took_new_run());
  EXPECT_TRUE(document.refusal().refused);
  EXPECT_LT(document.refusal().best, 100u);
  EXPECT_TRUE(document.result().ok);
  EXPECT_EQ(document.result().rgba, shown);
  EXPECT_EQ(document.result().quality, reached);

  // A reachable minimum clears the refusal with the new result.
  options.quality_min = 0;
  document.set_options(options);
  ASSERT_TRUE(eventually([&] { return document.take_result() && document.took_new_run(); }));
  EXPECT_FALSE(document.refusal().refused);
  EXPECT_TRUE(document.result().ok);
}

TEST(DocumentWorker, TheReferenceRecordIsFilledOnlyWhileComparing) {
  StandInEngine engine;
  Document document(engine.entry());
  std::atomic<int> reference_runs{0};
  std::string program_seen;
  document.set_reference_runner([&](const ReferenceRequest& request) {
    ++reference_runs;
    program_seen = request.program;
    QuantResult reference;
    reference.ok = request.width == 8 && request.pixels != nullptr;
    reference.psnr = 42.0;
    return reference;
  });
  set_image(document, 8, 6);
  document.set_compare(true, "/opt/reference");
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_TRUE(document.reference().ok);
  EXPECT_EQ(document.reference().psnr, 42.0);
  EXPECT_GE(document.reference().seconds, 0.0);
  EXPECT_EQ(program_seen, "/opt/reference");

  engine.status = 4;  // no reference for a failed run
  document.request_run();
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_FALSE(document.reference().ok);
  EXPECT_EQ(reference_runs.load(), 1);

  engine.status = 0;
  document.set_compare(false, "");
  ASSERT_TRUE(eventually([&] { return document.take_result(); }));
  EXPECT_TRUE(document.result().ok);
  EXPECT_FALSE(document.reference().ok);
  EXPECT_EQ(document.reference().psnr, 0.0);
  EXPECT_EQ(reference_runs.load(), 1);
  EXPECT_EQ(document.compare_path(), "/opt/reference");  // an empty path keeps the old one
}

}  // namespace
