#include <gtest/gtest.h>

#include "tests/app/document_test_support.h"

namespace {

std::uint8_t at(const Document& document, int layer, int x, int y) {
  return document.layer(layer).bytes[std::size_t(y) * document.width() + x];
}

void next_frame_step(Document& document) {
  document.begin_frame();
  document.push_edit_step();
}

TEST(EditHistory, UndoTakesEditsBackNewestFirstAndRedoBringsThemAgain) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 100, 100);

  // A widget may change the options before its frame's step is pushed.
  document.begin_frame();
  QuantizerOptions options;
  options.colors = 16;
  document.set_options(options);
  document.push_edit_step();
  next_frame_step(document);
  document.pin_at(60, 10);
  document.push_edit_step();  // one step per frame
  next_frame_step(document);
  document.paint_dab(kFocusLayer, 50, 50, 20, 1.0f);
  next_frame_step(document);  // nothing changed since
  EXPECT_EQ(document.undo_depth(), 4u);
  EXPECT_FALSE(document.can_redo());

  ASSERT_TRUE(document.undo());  // past the unchanged step to the stroke
  EXPECT_EQ(at(document, kFocusLayer, 50, 50), 0);
  EXPECT_TRUE(document.layer(kFocusLayer).empty);
  EXPECT_EQ(document.pins().size(), 1u);
  ASSERT_TRUE(document.undo());
  EXPECT_TRUE(document.pins().empty());
  EXPECT_EQ(document.options().colors, 16u);
  ASSERT_TRUE(document.undo());
  EXPECT_EQ(document.options().colors, 256u);
  EXPECT_FALSE(document.undo());
  EXPECT_FALSE(document.can_undo());
  EXPECT_EQ(document.redo_depth(), 3u);

  ASSERT_TRUE(document.redo());
  EXPECT_EQ(document.options().colors, 16u);
  EXPECT_TRUE(document.pins().empty());
  ASSERT_TRUE(document.redo());
  EXPECT_EQ(document.pins().size(), 1u);
  EXPECT_TRUE(document.layer(kFocusLayer).empty);
  ASSERT_TRUE(document.redo());
  EXPECT_EQ(at(document, kFocusLayer, 50, 50), 255);
  EXPECT_FALSE(document.layer(kFocusLayer).empty);
  EXPECT_FALSE(document.redo());

  // Every run asked for so far has been made, each with a focus map or no pin.
  ASSERT_TRUE(eventually([&] { return !document.run_requested() && !document.busy(); }));
  const std::size_t runs = engine.call_count();
  ASSERT_TRUE(document.undo());
  EXPECT_TRUE(document.can_redo());
  // The restored layer keeps the step's snapshot: the next step copies nothing.
  const void* restored = document.layer(kFocusLayer).snapshot.get();
  next_frame_step(document);
  EXPECT_FALSE(document.can_redo());
  EXPECT_EQ(document.layer(kFocusLayer).snapshot.get(), restored);

  // The restored state reaches the engine: the pin, and no focus map.
  ASSERT_TRUE(eventually([&] {
    std::lock_guard<std::mutex> lock(engine.mutex);
    return engine.calls.size() > runs && engine.calls.back().fixed.size() == 4 &&
           engine.calls.back().focus.empty();
  }));
}

TEST(EditHistory, DitherStrokesUndoAndClear) {
  StandInEngine engine;
  Document document(engine.entry());
  PngFile png(30, 20);
  ASSERT_TRUE(document.open(png.path).ok());
  ASSERT_TRUE(document.layer(kDitherLayer).empty);

  next_frame_step(document);
  document.paint_dab(kDitherLayer, 10, 10, 6, 0.5f);
  EXPECT_GT(at(document, kDitherLayer, 10, 10), 128);
  EXPECT_FALSE(document.layer(kDitherLayer).empty);
  EXPECT_TRUE(document.layer(kFocusLayer).empty);
  next_frame_step(document);
  document.paint_dab(kDitherLayer, 10, 10, 6, -0.6f);
  EXPECT_LT(at(document, kDitherLayer, 10, 10), 128);
  ASSERT_TRUE(document.undo());
  EXPECT_GT(at(document, kDitherLayer, 10, 10), 128);
  EXPECT_FALSE(document.layer(kDitherLayer).empty);

  document.clear_layer(kDitherLayer);
  EXPECT_EQ(document.layer(kDitherLayer).bytes, std::vector<std::uint8_t>(600, 128));
  EXPECT_TRUE(document.layer(kDitherLayer).empty);
  // Down to 0 and back up by 128.3, stored as 128: every byte at rest, but the
  // flag only follows the operations.
  document.paint_dab(kDitherLayer, 3, 3, 1, -1.0f);
  document.paint_dab(kDitherLayer, 3, 3, 1, 0.503f);
  EXPECT_EQ(document.layer(kDitherLayer).bytes, std::vector<std::uint8_t>(600, 128));
  EXPECT_FALSE(document.layer(kDitherLayer).empty);
  document.clear_layer(kDitherLayer);
  EXPECT_TRUE(document.layer(kDitherLayer).empty);
}

TEST(EditHistory, UndoAfterOpeningAnotherSizeLeavesTheNewLayers) {
  StandInEngine engine;
  Document document(engine.entry());
  PngFile small(30, 20);
  PngFile large(40, 30);
  ASSERT_TRUE(document.open(small.path).ok());

  next_frame_step(document);
  document.load_palette({Rgba{1, 2, 3, 255}, Rgba{4, 5, 6, 255}, Rgba{7, 8, 9, 255}},
                        kPaletteFile, "/palettes/three.gpl");
  document.pin_at(12, 4);
  document.paint_dab(kFocusLayer, 5, 5, 4, 1.0f);
  ASSERT_TRUE(document.open(large.path).ok());
  EXPECT_EQ(document.pins().size(), 1u);
  EXPECT_EQ(document.palette().size(), 3u);
  document.paint_dab(kFocusLayer, 30, 20, 4, 1.0f);
  const std::vector<std::uint8_t> painted = document.layer(kFocusLayer).bytes;
  const int version = document.layer(kFocusLayer).version;

  ASSERT_TRUE(document.undo());
  EXPECT_TRUE(document.pins().empty());
  EXPECT_TRUE(document.palette().empty());
  EXPECT_TRUE(document.palette_name().empty());
  EXPECT_EQ(document.options().colors, 256u);
  EXPECT_EQ(document.layer(kFocusLayer).bytes, painted);
  EXPECT_EQ(document.layer(kFocusLayer).version, version);
  EXPECT_EQ(document.layer(kDitherLayer).bytes, std::vector<std::uint8_t>(1200, 128));
}

TEST(EditHistory, SnapshotMemoryAndStepCountBoundTheList) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 10, 10);  // 200 bytes of snapshots per step when both layers change
  document.set_history_byte_limit(450);
  auto paint_both = [&](float amount) {
    document.paint_dab(kFocusLayer, 5, 5, 3, amount);
    document.paint_dab(kDitherLayer, 5, 5, 3, amount);
  };
  next_frame_step(document);
  paint_both(0.25f);
  const std::uint8_t first_stroke = at(document, kDitherLayer, 5, 5);
  next_frame_step(document);
  EXPECT_EQ(document.undo_depth(), 2u);
  paint_both(0.25f);
  next_frame_step(document);  // 600 bytes: the oldest step goes
  EXPECT_EQ(document.undo_depth(), 2u);
  paint_both(0.25f);
  ASSERT_TRUE(document.undo());
  ASSERT_TRUE(document.undo());
  EXPECT_EQ(at(document, kDitherLayer, 5, 5), first_stroke);
  EXPECT_FALSE(document.undo());

  // Steps that share their snapshots hold them once.
  QuantizerOptions options;
  for (std::uint32_t i = 0; i < 6; ++i) {
    options.colors = 10 + i;
    document.set_options(options);
    next_frame_step(document);
  }
  EXPECT_EQ(document.undo_depth(), 6u);

  // The newest step stays even when it alone is over the bound.
  document.set_history_byte_limit(150);
  paint_both(0.25f);
  next_frame_step(document);
  EXPECT_EQ(document.undo_depth(), 1u);

  document.set_history_byte_limit(EditHistory::kMaxSnapshotBytes);
  for (std::uint32_t i = 0; i < 205; ++i) {
    options.colors = 2 + i % 200;
    document.set_options(options);
    next_frame_step(document);
  }
  EXPECT_EQ(document.undo_depth(), EditHistory::kMaxSteps);
}

}  // namespace

// A use-flag switch is an edit of its own: one step, a run, and undo puts it back.
TEST(EditHistory, SwitchingAUseFlagIsOneUndoableStepThatRuns) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 8, 8);
  document.pin_at(5, 5);
  document.begin_frame();
  document.set_use(UseFlag::pins, false);
  document.set_use(UseFlag::focus, false);  // the same frame: the same step
  EXPECT_EQ(document.undo_depth(), 1u);
  EXPECT_FALSE(document.use(UseFlag::pins));
  ASSERT_TRUE(eventually([&] { return engine.call_count() >= 1 && !document.busy() && !document.run_requested(); }));
  {
    std::lock_guard<std::mutex> lock(engine.mutex);
    EXPECT_TRUE(engine.calls.back().fixed.empty());  // the run left the pin out
  }

  document.begin_frame();
  ASSERT_TRUE(document.undo());
  EXPECT_TRUE(document.use(UseFlag::pins));
  EXPECT_TRUE(document.use(UseFlag::focus));
}
