// The Palette section's rules: grid size, fixed entries, editing one entry, recent colours.
#include <gtest/gtest.h>

#include "app/panels/palette_entry_edit.h"
#include "app/panels/palette_grid.h"
#include "tests/app/document_test_support.h"

namespace {

// A shown result of `count` grey entries 0, 10, 20, ...
void show_result(Document& document, std::uint32_t count) {
  DocumentTestAccess::result(document).ok = true;
  DocumentTestAccess::result(document).palette_count = count;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t v = static_cast<std::uint8_t>(10 * i);
    std::uint8_t* entry = &DocumentTestAccess::result(document).palette[4 * i];
    entry[0] = entry[1] = entry[2] = v;
    entry[3] = 255;
  }
}

}  // namespace

TEST(PaletteGrid, CellsFillTheWidthAndTheButtonCoversTheRows) {
  PaletteGrid grid = palette_grid(20, 100.0f, 1.0f);
  EXPECT_EQ(grid.columns, 6);
  EXPECT_EQ(grid.rows, 4);
  EXPECT_FLOAT_EQ(grid.height, 68.0f);
  EXPECT_EQ(palette_grid(20, 20.0f, 1.0f).columns, 1);  // room for one cell only
  EXPECT_FLOAT_EQ(palette_grid(20, 100.0f, 1.5f).cell, 24.0f);
}

TEST(PaletteEntries, PinsOrTheLoadedPaletteComeFirstAndAreFixed) {
  StandInEngine engine;
  Document document(engine.entry());
  show_result(document, 8);
  document.set_pins({{1, 1, 1, 255}, {2, 2, 2, 255}, {3, 3, 3, 255}});
  EXPECT_EQ(fixed_entry_count(document), 3u);
  DocumentTestAccess::use(document, UseFlag::pins) = false;
  EXPECT_EQ(fixed_entry_count(document), 0u);
  document.load_palette(std::vector<Rgba>(12, Rgba{9, 9, 9, 255}), kPaletteFile, "/x/p.txt");
  EXPECT_EQ(fixed_entry_count(document), 8u);  // no more than the result shows
}

TEST(PaletteEntries, ChangingAnEntryFixesThePaletteOrIsRefusedForATwinPin) {
  StandInEngine engine;
  Document document(engine.entry());
  show_result(document, 5);
  document.set_pins({{0, 0, 0, 255}, {10, 10, 10, 255}});

  // A pin may not take the colour another pin has.
  PaletteEntryChange refused = change_palette_entry(document, 1, {0, 0, 0, 255});
  EXPECT_FALSE(refused.applied);
  EXPECT_EQ(palette_entry_status(1, {0, 0, 0, 255}, refused), "0, 0, 0 is in the palette already");
  EXPECT_EQ(document.pins()[1], (Rgba{10, 10, 10, 255}));

  // An entry past the pins makes the whole shown palette the fixed one.
  PaletteEntryChange fixed = change_palette_entry(document, 3, {200, 0, 0, 128});
  EXPECT_TRUE(fixed.applied);
  EXPECT_EQ(palette_entry_status(3, {200, 0, 0, 128}, fixed),
            "Palette entry 3 set to 200, 0, 0, a128; the 5-colour palette is fixed now");
  EXPECT_TRUE(document.pins().empty());
  ASSERT_EQ(document.palette().size(), 5u);
  EXPECT_EQ(document.palette()[3], (Rgba{200, 0, 0, 128}));
  EXPECT_EQ(document.options().colors, 5u);
  EXPECT_EQ(document.palette_kind(), kPaletteEdited);

  // Now it is a loaded palette: an entry simply takes the colour.
  PaletteEntryChange replaced = change_palette_entry(document, 0, {1, 2, 3, 255});
  EXPECT_TRUE(replaced.applied);
  EXPECT_EQ(palette_entry_status(0, {1, 2, 3, 255}, replaced), "Palette entry 0 set to 1, 2, 3");
  EXPECT_EQ(document.palette()[0], (Rgba{1, 2, 3, 255}));
  EXPECT_FALSE(change_palette_entry(document, 5, {1, 2, 3, 255}).applied);  // past the palette
}

TEST(PaletteEditor, RecentColoursHoldEightWithoutTwins) {
  std::vector<WorkingColour> recent;
  for (int i = 0; i < 10; ++i) remember_recent_colour(recent, {i / 10.0f, 0, 0, 1});
  ASSERT_EQ(recent.size(), 8u);
  EXPECT_FLOAT_EQ(recent[0][0], 0.9f);
  remember_recent_colour(recent, {0.5f, 0, 0, 1});
  EXPECT_EQ(recent.size(), 8u);
  EXPECT_FLOAT_EQ(recent[0][0], 0.5f);
  EXPECT_FLOAT_EQ(recent[1][0], 0.9f);
}
