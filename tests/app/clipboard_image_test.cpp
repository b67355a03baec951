// The image forms the clipboard offers, checked without a display.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/document/png_size.h"
#include "app/ui/clipboard_image.h"
#include "io/byte_order.h"
#include "io/png_write.h"
#include "tests/cli/run_program.h"

namespace {

// 3 x 2 with three palette entries; the last pixel's index lies past them.
QuantResult small_result() {
  QuantResult result;
  result.ok = true;
  result.indices_available = true;
  result.width = 3;
  result.height = 2;
  result.gamma = 0.45455;
  result.palette_count = 3;
  const std::uint8_t palette[] = {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0};
  std::copy(std::begin(palette), std::end(palette), result.palette.begin());
  result.indices = {0, 1, 2, 2, 1, 7};
  return result;
}

TEST(ClipboardImage, BitmapStoresTheBottomRowFirstAsBgra) {
  std::string message;
  QuantResult result = small_result();
  std::vector<std::uint8_t> rgba = expand_result_rgba(result, message);
  ASSERT_EQ(rgba.size(), 24u) << message;
  std::vector<std::uint8_t> file = bitmap_v5_file(3, 2, rgba.data());
  ASSERT_EQ(file.size(), 138u + 24u);
  const std::uint8_t* p = file.data();
  EXPECT_EQ(p[0], 'B');
  EXPECT_EQ(p[1], 'M');
  EXPECT_EQ(little_endian_u32(p + 2), file.size());
  EXPECT_EQ(little_endian_u32(p + 10), 138u);
  const std::uint8_t* h = p + 14;
  EXPECT_EQ(little_endian_u32(h), 124u);
  EXPECT_EQ(little_endian_u32(h + 4), 3u);
  EXPECT_EQ(little_endian_u32(h + 8), 2u);  // positive: bottom-up
  EXPECT_EQ(little_endian_u16(h + 12), 1u);
  EXPECT_EQ(little_endian_u16(h + 14), 32u);
  EXPECT_EQ(little_endian_u32(h + 16), 3u);
  EXPECT_EQ(little_endian_u32(h + 20), 24u);
  EXPECT_EQ(little_endian_u32(h + 40), 0x00FF0000u);
  EXPECT_EQ(little_endian_u32(h + 44), 0x0000FF00u);
  EXPECT_EQ(little_endian_u32(h + 48), 0x000000FFu);
  EXPECT_EQ(little_endian_u32(h + 52), 0xFF000000u);
  EXPECT_EQ(little_endian_u32(h + 56), 0x73524742u);
  EXPECT_EQ(little_endian_u32(h + 108), 4u);
  for (int at : {24, 28, 32, 36, 60, 96, 100, 104, 112, 116, 120}) EXPECT_EQ(little_endian_u32(h + at), 0u) << at;

  // Bottom row (indices 2, 1, 7 -> entry 0) first, then the top row (0, 1, 2).
  const std::vector<std::uint8_t> expected = {90, 80, 70, 0,  60, 50, 40, 128, 30, 20, 10, 255,
                                              30, 20, 10, 255, 60, 50, 40, 128, 90, 80, 70, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 138, file.end()), expected);
}

TEST(ClipboardImage, ResultsThatCannotBeExpandedSayWhy) {
  std::string message;
  QuantResult replaced = small_result();
  replaced.indices_available = false;
  EXPECT_TRUE(expand_result_rgba(replaced, message).empty());
  EXPECT_EQ(message, "the result is being replaced; try again");
  QuantResult short_indices = small_result();
  short_indices.indices.pop_back();
  EXPECT_TRUE(expand_result_rgba(short_indices, message).empty());
  EXPECT_EQ(message, "the result is incomplete");
  QuantResult no_palette = small_result();
  no_palette.palette_count = 0;
  EXPECT_TRUE(expand_result_rgba(no_palette, message).empty());
  EXPECT_EQ(message, "the result is incomplete");
  EXPECT_TRUE(result_png_bytes(replaced).empty());
}

TEST(ClipboardImage, PngBytesAreWhatSavingWrites) {
  QuantResult result = small_result();
  result.indices[5] = 0;  // the writer takes only indices within the palette
  std::vector<std::uint8_t> bytes = result_png_bytes(result);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.size(), result_png_size(result));
  ScratchFolder folder;
  std::vector<const std::uint8_t*> rows = row_pointers(result.indices.data(), 2, 3);
  ASSERT_TRUE(write_indexed_png(folder.file("saved.png"), 3, 2, result.gamma, rows.data(), result.palette.data(), 3).ok());
  std::ifstream in(folder.file("saved.png"), std::ios::binary);
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace
