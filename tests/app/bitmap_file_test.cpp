#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/testing/bitmap_file.h"
#include "io/byte_order.h"
#include "io/image_decode.h"
#include "tests/cli/run_program.h"

namespace {

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(BitmapFile, WritesBottomUpPaddedRowsThatDecodersRead) {
  ScratchFolder scratch;
  // 3 x 2, the bottom row first as the screen read-back delivers it.
  const std::uint8_t bottom_up[] = {
      10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255,   // bottom row
      1, 2, 3, 255, 4, 5, 6, 0, 7, 8, 9, 128,              // top row: alpha is dropped
  };
  std::string path = scratch.file("shot.bmp");
  ASSERT_TRUE(write_bitmap_24(path, 3, 2, bottom_up));

  std::vector<std::uint8_t> bytes = read_file(path);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);  // 9 bytes a row, padded to 12
  EXPECT_TRUE(bytes[0] == 'B' && bytes[1] == 'M');
  // File size, pixel offset, info size, width, height (positive: bottom-up), planes and bits, no compression, image size.
  EXPECT_EQ(little_endian_u32(&bytes[2]), bytes.size());
  EXPECT_EQ(little_endian_u32(&bytes[10]), 54u);
  EXPECT_EQ(little_endian_u32(&bytes[14]), 40u);
  EXPECT_TRUE(little_endian_u32(&bytes[18]) == 3 && little_endian_u32(&bytes[22]) == 2);
  EXPECT_TRUE(little_endian_u16(&bytes[26]) == 1 && little_endian_u16(&bytes[28]) == 24);
  EXPECT_TRUE(little_endian_u32(&bytes[30]) == 0 && little_endian_u32(&bytes[34]) == 24);
  const std::vector<std::uint8_t> first_row = {30, 20, 10, 60, 50, 40, 90, 80, 70, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.begin() + 66), first_row);

  DecodedImage image;
  ASSERT_TRUE(load_image_file(path, image).ok());
  ASSERT_EQ(image.width, 3u);
  ASSERT_EQ(image.height, 2u);
  EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.begin() + 4),
            (std::vector<std::uint8_t>{1, 2, 3, 255}));  // the top row comes first when decoded
  EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.end() - 4, image.pixels.end()),
            (std::vector<std::uint8_t>{70, 80, 90, 255}));
}

TEST(BitmapFile, AFailedWriteLeavesNothingBehind) {
  ScratchFolder scratch;
  const std::uint8_t pixel[] = {1, 2, 3, 4};
  EXPECT_FALSE(write_bitmap_24(scratch.file("missing/shot.bmp"), 1, 1, pixel));
  EXPECT_FALSE(write_bitmap_24(scratch.file("empty.bmp"), 0, 1, pixel));
  std::filesystem::create_directory(scratch.file("taken.bmp"));
  EXPECT_FALSE(write_bitmap_24(scratch.file("taken.bmp"), 1, 1, pixel));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"config", "taken.bmp"}));
}
