#include <gtest/gtest.h>

#include <climits>

#include "tests/app/document_test_support.h"

namespace {

std::uint8_t at(const Document& document, int layer, int x, int y) {
  return document.layer(layer).bytes[std::size_t(y) * document.width() + x];
}

Rgba source_colour(const Document& document, int x, int y) {
  const std::uint8_t* p = &document.pixels()[(std::size_t(y) * document.width() + x) * 4];
  return Rgba{p[0], p[1], p[2], p[3]};
}

std::vector<std::uint8_t> last_fixed(StandInEngine& engine) {
  std::lock_guard<std::mutex> lock(engine.mutex);
  return engine.calls.empty() ? std::vector<std::uint8_t>{} : engine.calls.back().fixed;
}

std::vector<std::uint8_t> bytes_of(const std::vector<Rgba>& colours) {
  std::vector<std::uint8_t> bytes;
  for (const Rgba& c : colours) bytes.insert(bytes.end(), c.begin(), c.end());
  return bytes;
}

TEST(PaintDab, FallsOffWithDistanceAndStaysInTheByteRange) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 100, 100);

  document.paint_dab(kDitherLayer, 50, 50, 20, 1.0f);
  EXPECT_EQ(at(document, kDitherLayer, 50, 50), 255);
  EXPECT_EQ(at(document, kDitherLayer, 60, 50), 255);  // 128 + 127.5
  EXPECT_EQ(at(document, kDitherLayer, 65, 50), 191);  // 128 + 63.75, truncated
  EXPECT_EQ(at(document, kDitherLayer, 70, 50), 128);  // on the rim: no change
  EXPECT_EQ(at(document, kDitherLayer, 62, 66), 128);  // 12-16-20, on the rim too
  EXPECT_EQ(at(document, kDitherLayer, 71, 50), 128);
  EXPECT_FALSE(document.layer(kDitherLayer).empty);
  EXPECT_TRUE(document.layer(kFocusLayer).empty);

  document.clear_layer(kDitherLayer);
  document.paint_dab(kDitherLayer, 50, 50, 20, -1.0f);
  EXPECT_EQ(at(document, kDitherLayer, 50, 50), 0);
  EXPECT_EQ(at(document, kDitherLayer, 65, 50), 64);  // 128 - 63.75
  // The focus layer rests at its floor: painting down stores nothing new.
  document.paint_dab(kFocusLayer, 50, 50, 20, -1.0f);
  EXPECT_EQ(document.layer(kFocusLayer).bytes, std::vector<std::uint8_t>(10000, 0));
  EXPECT_TRUE(document.layer(kFocusLayer).empty);

  // Off the corner only the pixels inside the circle change.
  document.paint_dab(kFocusLayer, -5, -5, 10, 1.0f);
  EXPECT_EQ(at(document, kFocusLayer, 0, 0), 74);  // 255 x (1 - sqrt(50) / 10)
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      int d2 = (x + 5) * (x + 5) + (y + 5) * (y + 5);
      ASSERT_EQ(at(document, kFocusLayer, x, y) != 0, d2 < 100) << x << "," << y;
    }

  // Nothing without a brush, a layer or an image to paint.
  const std::vector<std::uint8_t> focus = document.layer(kFocusLayer).bytes;
  const int version = document.layer(kFocusLayer).version;
  document.paint_dab(kFocusLayer, 50, 50, 0, 1.0f);
  document.paint_dab(2, 50, 50, 10, 1.0f);
  document.paint_dab(-1, 50, 50, 10, 1.0f);
  EXPECT_EQ(document.layer(kFocusLayer).version, version);
  // A centre and radius at the int range reach no pixel and overflow nothing.
  document.paint_dab(kFocusLayer, INT_MAX, INT_MIN, INT_MAX, 1.0f);
  DocumentTestAccess::pixels(document).resize(40);
  document.paint_dab(kFocusLayer, 50, 50, 10, 1.0f);
  EXPECT_EQ(document.layer(kFocusLayer).bytes, focus);
}

TEST(PinPicking, PickedFromTheImageOncePerColourAndRemovedNearestFirst) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 8, 6);
  Rgba colour = source_colour(document, 5, 2);
  colour[3] = 255;
  document.pin_at(5, 2);
  document.pin_at(5, 2);
  document.pin_at(-1, 0);
  document.pin_at(8, 0);
  document.pin_at(0, 6);
  ASSERT_EQ(document.pins(), std::vector<Rgba>{colour});
  document.pin_at(1, 1);  // a transparent pixel is pinned opaque
  ASSERT_EQ(document.pins().size(), 2u);
  EXPECT_EQ(document.pins()[1][3], 255);

  // Equally near pins: the first goes.
  Rgba above = colour, below = colour;
  above[0] += 1;
  below[0] -= 1;
  document.set_pins({above, Rgba{above[0], above[1], above[2], 7}, below, Rgba{0, 0, 0, 0}});
  ASSERT_EQ(document.pins(), (std::vector<Rgba>{above, below, Rgba{0, 0, 0, 255}}));
  ASSERT_TRUE(eventually([&] { return last_fixed(engine).size() == 12; }));
  document.unpin_nearest(5, 2);
  EXPECT_EQ(document.pins(), (std::vector<Rgba>{below, Rgba{0, 0, 0, 255}}));

  std::vector<Rgba> many;
  for (int i = 0; i < 300; ++i) many.push_back(Rgba{std::uint8_t(i), std::uint8_t(i >> 8), 0, 0});
  document.set_pins(many);
  EXPECT_EQ(document.pins().size(), 255u);

  // Editing a pin is refused only for a missing pin or another pin's exact bytes.
  document.set_pins({Rgba{1, 2, 3, 255}, Rgba{4, 5, 6, 255}});
  EXPECT_FALSE(document.set_pin_entry(1, Rgba{1, 2, 3, 255}));
  EXPECT_FALSE(document.set_pin_entry(2, Rgba{9, 9, 9, 255}));
  EXPECT_TRUE(document.set_pin_entry(0, Rgba{1, 2, 3, 255}));
  EXPECT_TRUE(document.set_pin_entry(1, Rgba{1, 2, 3, 254}));
  ASSERT_TRUE(eventually([&] {
    return last_fixed(engine) == bytes_of({Rgba{1, 2, 3, 255}, Rgba{1, 2, 3, 254}});
  }));
  document.remove_pin(2);
  document.remove_pin(0);
  EXPECT_EQ(document.pins(), std::vector<Rgba>{Rgba({1, 2, 3, 254})});
  document.clear_pins();
  EXPECT_TRUE(document.pins().empty());

  // A right click without pins still makes its step, which undo passes over.
  document.begin_frame();
  document.push_edit_step();
  document.unpin_nearest(5, 2);
  EXPECT_EQ(document.undo_depth(), 1u);
  EXPECT_FALSE(document.undo());
}

TEST(LoadedPalette, LoadEditAndFixFromTheResult) {
  StandInEngine engine;
  Document document(engine.entry());
  set_image(document, 8, 6);
  DocumentTestAccess::pins(document) = {Rgba{1, 1, 1, 255}};
  DocumentTestAccess::use(document, UseFlag::palette) = false;

  document.load_palette({Rgba{10, 20, 30, 255}}, kPaletteClipboard, "");
  EXPECT_EQ(document.palette().size(), 1u);
  EXPECT_EQ(document.palette_kind(), kPaletteClipboard);
  EXPECT_EQ(document.options().colors, 1u);  // one colour stays one, as in the batch face
  EXPECT_TRUE(document.use(UseFlag::palette));
  EXPECT_TRUE(document.pins().empty());
  std::vector<Rgba> three = {Rgba{1, 2, 3, 255}, Rgba{4, 5, 6, 128}, Rgba{7, 8, 9, 255}};
  document.load_palette(three, kPaletteFile, "/palettes/three.gpl");
  EXPECT_EQ(document.palette_name(), "/palettes/three.gpl");
  EXPECT_EQ(document.options().colors, 3u);
  ASSERT_TRUE(eventually([&] { return last_fixed(engine) == bytes_of(three); }));

  document.set_palette_entry(3, Rgba{0, 0, 0, 0});
  document.set_palette_entry(0, Rgba{9, 9, 9, 255});
  EXPECT_EQ(document.palette()[0], (Rgba{9, 9, 9, 255}));
  document.remove_palette_entry(3);
  document.remove_palette_entry(1);
  EXPECT_EQ(document.palette(), (std::vector<Rgba>{Rgba{9, 9, 9, 255}, Rgba{7, 8, 9, 255}}));
  document.remove_palette_entry(1);
  EXPECT_EQ(document.options().colors, 1u);
  document.clear_palette();
  EXPECT_TRUE(document.palette().empty());
  EXPECT_TRUE(document.palette_name().empty());
  EXPECT_EQ(document.palette_kind(), kPaletteNone);

  // Fixing takes the shown result's palette, one entry changed.
  EXPECT_EQ(document.fix_palette(0, Rgba{0, 0, 0, 255}), 0u);  // no result yet
  DocumentTestAccess::result(document).ok = true;
  DocumentTestAccess::result(document).palette_count = 3;
  for (int i = 0; i < 12; ++i) DocumentTestAccess::result(document).palette[i] = std::uint8_t(100 + i);
  EXPECT_EQ(document.fix_palette(3, Rgba{0, 0, 0, 255}), 0u);
  {
    std::lock_guard<std::mutex> lock(DocumentTestAccess::mutex(document));  // the worker may be reading them
    DocumentTestAccess::pins(document) = {Rgba{1, 1, 1, 255}};
    DocumentTestAccess::use(document, UseFlag::palette) = false;
  }
  EXPECT_EQ(document.fix_palette(1, Rgba{50, 60, 70, 255}), 3u);
  std::vector<Rgba> fixed = {Rgba{100, 101, 102, 103}, Rgba{50, 60, 70, 255},
                             Rgba{108, 109, 110, 111}};
  EXPECT_EQ(document.palette(), fixed);
  EXPECT_EQ(document.palette_kind(), kPaletteEdited);
  EXPECT_EQ(document.options().colors, 3u);
  EXPECT_TRUE(document.use(UseFlag::palette));
  EXPECT_TRUE(document.pins().empty());
  ASSERT_TRUE(eventually([&] { return last_fixed(engine) == bytes_of(fixed); }));
}

}  // namespace
