// Indexed and RGBA PNG writing, read back through libpng without transformations.
#include <gtest/gtest.h>
#include <png.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "io/image_decode.h"
#include "io/png_write.h"
#include "tests/io/io_test_support.h"
#include "tests/support/scratch_path.h"
#include "tests/support/test_environment.h"

namespace {

struct StoredPng {
  std::uint32_t width = 0, height = 0;
  int bit_depth = 0, colour_type = 0;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> alphas;
  png_fixed_point gamma = 0;
  std::vector<std::vector<std::uint8_t>> packed_rows;
};

StoredPng read_stored_from(std::FILE* file) {
  StoredPng stored;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return StoredPng{};
  }
  png_init_io(png, file);
  png_read_info(png, info);
  stored.width = png_get_image_width(png, info);
  stored.height = png_get_image_height(png, info);
  stored.bit_depth = png_get_bit_depth(png, info);
  stored.colour_type = png_get_color_type(png, info);
  png_colorp colours = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &colours, &count)) stored.palette.assign(colours, colours + count);
  png_bytep alphas = nullptr;
  int alpha_count = 0;
  if (png_get_tRNS(png, info, &alphas, &alpha_count, nullptr)) stored.alphas.assign(alphas, alphas + alpha_count);
  png_get_gAMA_fixed(png, info, &stored.gamma);
  std::size_t row_bytes = png_get_rowbytes(png, info);
  for (std::uint32_t y = 0; y < stored.height; ++y) {
    stored.packed_rows.emplace_back(row_bytes);
    png_read_row(png, stored.packed_rows.back().data(), nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return stored;
}

StoredPng read_stored(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return StoredPng{};
  StoredPng stored = read_stored_from(file);
  std::fclose(file);
  return stored;
}

struct IndexImage {
  std::uint32_t width, height;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<const std::uint8_t*> pointers;

  IndexImage(std::uint32_t w, std::uint32_t h, std::uint32_t colours) : width(w), height(h) {
    for (std::uint32_t y = 0; y < h; ++y) {
      rows.emplace_back(w);
      for (std::uint32_t x = 0; x < w; ++x) rows[y][x] = static_cast<std::uint8_t>((x + 3 * y) % colours);
    }
    for (auto& row : rows) pointers.push_back(row.data());
  }
};

std::vector<std::uint8_t> opaque_palette(std::uint32_t size) {
  std::vector<std::uint8_t> palette;
  for (std::uint32_t i = 0; i < size; ++i) {
    palette.insert(palette.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                   static_cast<std::uint8_t>(i * 3), 255});
  }
  return palette;
}

}  // namespace

TEST(PngWrite, BitDepthFollowsPaletteSize) {
  const std::uint32_t sizes[] = {1, 2, 3, 4, 5, 16, 17, 256};
  const std::uint32_t depths[] = {1, 1, 2, 2, 4, 4, 8, 8};
  ScratchFolder folder;
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(palette_bit_depth(sizes[i]), depths[i]);
    IndexImage image(13, 3, sizes[i]);
    std::vector<std::uint8_t> palette = opaque_palette(sizes[i]);
    std::string path = folder.file("depth.png");
    ASSERT_EQ(write_indexed_png(path, 13, 3, 0.45455, image.pointers.data(), palette.data(), sizes[i]).code,
              IoCode::kOk);
    StoredPng stored = read_stored(path);
    EXPECT_EQ(stored.colour_type, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(stored.bit_depth, static_cast<int>(depths[i]));
    EXPECT_EQ(stored.palette.size(), sizes[i]);
    EXPECT_TRUE(stored.alphas.empty());  // every entry opaque: no tRNS

    // Decoding gives back every pixel's palette colour.
    DecodedImage decoded;
    ASSERT_EQ(io_message(load_image_file(path, decoded)), "");
    for (std::uint32_t y = 0; y < 3; ++y) {
      for (std::uint32_t x = 0; x < 13; ++x) {
        std::uint8_t index = image.rows[y][x];
        EXPECT_EQ(decoded.pixels[(y * 13 + x) * 4 + 1], palette[index * 4 + 1]);
      }
    }
  }
}

TEST(PngWrite, RowsArePackedFromTheMostSignificantBits) {
  // Width 5 at 2 bits: two bytes per row, the last three slots zero.
  std::vector<std::uint8_t> row = {1, 2, 3, 0, 3};
  const std::uint8_t* rows[1] = {row.data()};
  std::vector<std::uint8_t> palette = opaque_palette(4);
  ScratchFolder folder;
  ASSERT_EQ(write_indexed_png(folder.file("a.png"), 5, 1, 0, rows, palette.data(), 4).code, IoCode::kOk);
  StoredPng stored = read_stored(folder.file("a.png"));
  ASSERT_EQ(stored.packed_rows.size(), 1u);
  EXPECT_EQ(stored.packed_rows[0], (std::vector<std::uint8_t>{0x6c, 0xc0}));
}

TEST(PngWrite, TransparencyTableStopsAtTheLastNonOpaqueEntry) {
  ScratchFolder folder;
  IndexImage image(4, 2, 6);
  std::vector<std::uint8_t> palette = opaque_palette(6);
  palette[0 * 4 + 3] = 0;
  ASSERT_EQ(write_indexed_png(folder.file("t.png"), 4, 2, 0, image.pointers.data(), palette.data(), 6).code, IoCode::kOk);
  EXPECT_EQ(read_stored(folder.file("t.png")).alphas, (std::vector<std::uint8_t>{0}));
  palette[3 * 4 + 3] = 90;
  ASSERT_EQ(write_indexed_png(folder.file("t.png"), 4, 2, 0, image.pointers.data(), palette.data(), 6).code, IoCode::kOk);
  EXPECT_EQ(read_stored(folder.file("t.png")).alphas, (std::vector<std::uint8_t>{0, 255, 255, 90}));
}

TEST(PngWrite, GammaIsStoredRounded) {
  ScratchFolder folder;
  IndexImage image(2, 2, 2);
  std::vector<std::uint8_t> palette = opaque_palette(2);
  const double gammas[] = {0.45455, 0.0, -1.0, 1.0, 0.123456};
  const png_fixed_point stored[] = {45455, 45455, 45455, 100000, 12346};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(write_indexed_png(folder.file("g.png"), 2, 2, gammas[i], image.pointers.data(), palette.data(), 2).code,
              IoCode::kOk);
    EXPECT_EQ(read_stored(folder.file("g.png")).gamma, stored[i]) << gammas[i];
  }
}

TEST(PngWrite, BadArgumentsAndMissingFolders) {
  ScratchFolder folder;
  IndexImage image(2, 2, 2);
  std::vector<std::uint8_t> palette = opaque_palette(2);
  const auto* rows = image.pointers.data();
  EXPECT_EQ(write_indexed_png("", 2, 2, 0, rows, palette.data(), 2).code, IoCode::kBadArguments);
  EXPECT_EQ(write_indexed_png(folder.file("x.png"), 0, 2, 0, rows, palette.data(), 2).code, IoCode::kBadArguments);
  EXPECT_EQ(write_indexed_png(folder.file("x.png"), 2, 2, 0, nullptr, palette.data(), 2).code, IoCode::kBadArguments);
  EXPECT_EQ(write_indexed_png(folder.file("x.png"), 2, 2, 0, rows, nullptr, 2).code, IoCode::kBadArguments);
  EXPECT_EQ(write_indexed_png(folder.file("x.png"), 2, 2, 0, rows, palette.data(), 257).code, IoCode::kBadArguments);

  EXPECT_EQ(io_message(write_indexed_png(folder.file("no/such/folder/x.png"), 2, 2, 0, rows, palette.data(), 2)),
            "could not open output for writing: No such file or directory");
  EXPECT_TRUE(folder.entries().empty());

  image.rows[1][1] = 2;  // past the two-entry palette
  EXPECT_EQ(write_indexed_png(folder.file("x.png"), 2, 2, 0, rows, palette.data(), 2).code, IoCode::kBadArguments);
  EXPECT_EQ(indexed_png_size(2, 2, 0, rows, palette.data(), 2), 0u);
}

TEST(PngWrite, FailedWriteLeavesTheOldFileAndNoTemporaries) {
  ScratchFolder folder;
  std::string path = folder.file("result.png");
  write_text(path, "earlier result");
  // A width the format cannot hold makes the codec fail after the output was opened.
  std::vector<std::uint8_t> row(4);
  const std::uint8_t* rows[1] = {row.data()};
  std::vector<std::uint8_t> palette = opaque_palette(2);
  EXPECT_EQ(io_message(write_indexed_png(path, 0x80000000u, 1, 0, rows, palette.data(), 2)),
            "libpng failed to write the image");
  EXPECT_EQ(read_text(path), "earlier result");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"result.png"});

  // A folder in the way of the target is not replaced either.
  std::string blocked = folder.file("blocked.png");
  ASSERT_TRUE(std::filesystem::create_directory(blocked));
  IndexImage image(2, 2, 2);
  EXPECT_EQ(write_indexed_png(blocked, 2, 2, 0, image.pointers.data(), palette.data(), 2).code, IoCode::kCannotWrite);
  EXPECT_EQ(folder.entries().size(), 2u);
}

TEST(PngWrite, FailuresToWriteGiveTheSystemsReason) {
  ScratchFolder folder;
  IndexImage image(2, 2, 2);
  std::vector<std::uint8_t> palette = opaque_palette(2);
  const auto* rows = image.pointers.data();
  EXPECT_EQ(io_message(write_indexed_png(folder.file(std::string(300, 'n') + ".png"), 2, 2, 0, rows, palette.data(), 2)),
            "could not open output for writing: File name too long");
  // A long name that fits is written, although its hidden temporary file's would not fit.
  std::string long_name = folder.file(std::string(250, 'n') + ".png");
  EXPECT_TRUE(write_indexed_png(long_name, 2, 2, 0, rows, palette.data(), 2).ok());
  EXPECT_EQ(folder.entries().size(), 1u);
  if (std::string locked = folder.file("locked"); make_read_only_folder(locked)) {
    EXPECT_EQ(io_message(write_indexed_png(locked + "/x.png", 2, 2, 0, rows, palette.data(), 2)),
              "could not open output for writing: Permission denied");
  }
  // A full disk is met part way through the writing; the reason follows the same words.
  EXPECT_EQ(io_message(IoStatus(IoCode::kCannotWrite, ENOSPC)),
            "could not open output for writing: No space left on device");
}

TEST(PngWrite, SizeProbeMatchesTheFileAndCleansUp) {
  ScratchFolder output;
  ScratchFolder temporary;
  TemporaryFolderOverride temporary_folder(temporary.path());
  IndexImage image(40, 30, 17);
  std::vector<std::uint8_t> palette = opaque_palette(17);
  std::uint64_t size = indexed_png_size(40, 30, 0.45455, image.pointers.data(), palette.data(), 17);
  ASSERT_EQ(write_indexed_png(output.file("s.png"), 40, 30, 0.45455, image.pointers.data(), palette.data(), 17).code,
            IoCode::kOk);
  EXPECT_EQ(size, read_bytes(output.file("s.png")).size());
  EXPECT_TRUE(temporary.entries().empty());
  EXPECT_EQ(indexed_png_size(0x80000000u, 1, 0, image.pointers.data(), palette.data(), 17), 0u);
  EXPECT_TRUE(temporary.entries().empty());
}

TEST(PngWrite, RgbaRoundTrip) {
  ScratchFolder folder;
  std::vector<std::uint8_t> pixels(7 * 5 * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37);
  std::vector<const std::uint8_t*> rows;
  for (int y = 0; y < 5; ++y) rows.push_back(pixels.data() + y * 28);
  std::string path = folder.file("rgba.png");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_EQ(write_rgba_png(file, 7, 5, 1.0, rows.data()).code, IoCode::kOk);
  std::fclose(file);
  EXPECT_EQ(write_rgba_png(nullptr, 7, 5, 1.0, rows.data()).code, IoCode::kBadArguments);
  DecodedImage decoded;
  ASSERT_EQ(io_message(load_image_file(path, decoded)), "");
  EXPECT_EQ(decoded.pixels, pixels);
  EXPECT_EQ(decoded.gamma, 1.0);
}

TEST(PngWrite, ReplacingALinkedFileKeepsTheLink) {
  ScratchFolder folder;
  std::string real = folder.file("real.png");
  std::string link = folder.file("link.png");
  write_text(real, "old");
  if (!make_symlink(real, link)) GTEST_SKIP() << "no symbolic links here";
  IndexImage image(2, 2, 2);
  std::vector<std::uint8_t> palette = opaque_palette(2);
  ASSERT_EQ(write_indexed_png(link, 2, 2, 0, image.pointers.data(), palette.data(), 2).code, IoCode::kOk);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(read_stored(real).width, 2u);
}
