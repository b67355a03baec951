// The pieced compressor and the PNG files written through it.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "io/image_decode.h"
#include "io/png/parallel_deflate.h"
#include "io/png/png_encoder.h"
#include "io/png_write.h"
#include "tamble/runtime.h"
#include "tests/io/io_test_support.h"
#include "tests/child_checksum.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t mix(std::uint32_t x, std::uint32_t y) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 13);
}

// Runs, ramps and noise, so matches cross piece boundaries and some do not.
Bytes varied_bytes(std::size_t size) {
  Bytes data(size);
  for (std::size_t i = 0; i < size; ++i) {
    std::size_t region = (i / 7000) % 3;
    std::uint32_t noise = mix(static_cast<std::uint32_t>(i), 1);
    data[i] = static_cast<std::uint8_t>(region == 0 ? i / 300 : region == 1 ? noise : (i / 40) + (noise & 3));
  }
  return data;
}

// An index picture like a quantized photo: smooth ramps with bands of fine texture.
struct IndexPicture {
  std::uint32_t width, height;
  Bytes pixels;
  std::vector<const std::uint8_t*> rows;

  IndexPicture(std::uint32_t w, std::uint32_t h, std::uint32_t colours)
      : width(w), height(h), pixels(std::size_t{w} * h) {
    for (std::uint32_t y = 0; y < h; ++y) {
      for (std::uint32_t x = 0; x < w; ++x) {
        std::uint32_t smooth = x / 9 + y / 7 + ((x * y) >> 14);
        std::uint32_t texture = (y / 150) % 3 != 2 ? mix(x, y) & 3 : 0;
        pixels[std::size_t{y} * w + x] = static_cast<std::uint8_t>((smooth + texture) % colours);
      }
      rows.push_back(pixels.data() + std::size_t{y} * w);
    }
  }
  // The bytes a PNG stores at 8 bits without filtering.
  Bytes filtered() const {
    Bytes out;
    for (const std::uint8_t* row : rows) {
      out.push_back(0);
      out.insert(out.end(), row, row + width);
    }
    return out;
  }
};

Bytes test_palette(std::uint32_t size) {
  Bytes palette;
  for (std::uint32_t i = 0; i < size; ++i) {
    auto v = static_cast<std::uint8_t>(i);
    palette.insert(palette.end(), {v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7),
                                   static_cast<std::uint8_t>(i % 3 == 1 ? 255 : i * 5)});
  }
  return palette;
}

bool inflate_stream(const Bytes& stream, Bytes& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;  // zlib header and Adler-32 checked
  out.assign(1 << 16, 0);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  std::size_t produced = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (produced == out.size()) out.resize(out.size() * 2);
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(out.size() - produced);
    rc = inflate(&z, Z_NO_FLUSH);
    produced = out.size() - z.avail_out;
  }
  bool whole = rc == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  out.resize(produced);
  return whole;
}

// libdeflate's own zlib stream of the data, in one call.
Bytes single_stream(const Bytes& data, int level) {
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
  Bytes out(libdeflate_zlib_compress_bound(compressor, data.size()));
  out.resize(libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size()));
  libdeflate_free_compressor(compressor);
  return out;
}

std::uint32_t big_endian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The IDAT payloads of a PNG file, in order.
std::vector<Bytes> idat_chunks(const Bytes& png) {
  std::vector<Bytes> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    std::size_t length = big_endian(&png[at]);
    if (std::string(png.begin() + at + 4, png.begin() + at + 8) == "IDAT") {
      chunks.emplace_back(png.begin() + at + 8, png.begin() + at + 8 + length);
    }
    at += 12 + length;
  }
  return chunks;
}

Bytes file_bytes(std::FILE* file) {
  Bytes bytes;
  std::rewind(file);
  int c;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

// Palette image read through libpng, one index byte per pixel.
struct ReadBack {
  std::uint32_t width = 0, height = 0;
  int bit_depth = 0;
  Bytes palette;  // RGBA, alpha 255 past tRNS
  std::size_t alpha_count = 0;
  Bytes pixels;
};

ReadBack read_back(std::FILE* file) {
  ReadBack r;
  std::rewind(file);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return ReadBack{};
  }
  png_init_io(png, file);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  r.width = png_get_image_width(png, info);
  r.height = png_get_image_height(png, info);
  r.bit_depth = png_get_bit_depth(png, info);
  png_colorp colours = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &colours, &count);
  png_bytep alphas = nullptr;
  int alpha_count = 0;
  png_get_tRNS(png, info, &alphas, &alpha_count, nullptr);
  r.alpha_count = static_cast<std::size_t>(alpha_count);
  for (int i = 0; i < count; ++i) {
    r.palette.insert(r.palette.end(), {colours[i].red, colours[i].green, colours[i].blue,
                                       static_cast<std::uint8_t>(i < alpha_count ? alphas[i] : 255)});
  }
  png_set_packing(png);  // one index per byte at every depth
  png_read_update_info(png, info);
  std::size_t row_bytes = png_get_rowbytes(png, info);
  r.pixels.resize(row_bytes * r.height);
  for (std::uint32_t y = 0; y < r.height; ++y) png_read_row(png, r.pixels.data() + y * row_bytes, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return r;
}

}  // namespace

TEST(ParallelDeflate, PiecesJoinIntoOneStreamThatInflatesToTheInput) {
  // 0 takes the planned pieces: one up to a MiB, groups of four above.
  const std::size_t sizes[] = {0, 1, 4999, 100000, 300001, 2621447};
  const std::size_t pieces[] = {0, 1000, 32768, 65537};
  const CompressionEffort efforts[] = {CompressionEffort::kDefault, CompressionEffort::kSmallest};
  for (std::size_t size : sizes) {
    Bytes data = varied_bytes(size);
    for (std::size_t piece : pieces) {
      for (CompressionEffort effort : efforts) {
        if (size > 300001 && piece != 0 && piece != 65537) continue;  // time
        Bytes stream, back;
        ASSERT_TRUE(deflate_in_pieces(data.data(), data.size(), stream, effort, piece).ok());
        EXPECT_EQ(stream[0], 0x78);
        EXPECT_EQ(stream[1], 0xDA);  // the strongest levels, as zlib marks them
        ASSERT_TRUE(inflate_stream(stream, back)) << size << " in pieces of " << piece;
        EXPECT_TRUE(back == data) << size << " in pieces of " << piece;
      }
    }
  }
}

TEST(ParallelDeflate, OnePieceIsLibdeflatesOwnStream) {
  Bytes data = varied_bytes(300001);
  Bytes stream;
  ASSERT_TRUE(deflate_in_pieces(data.data(), data.size(), stream).ok());
  EXPECT_TRUE(stream == single_stream(data, plan_deflate(data.size(), CompressionEffort::kDefault).level));
}

TEST(ParallelDeflate, SmallestEffortGivesFewerBytesOnLongInputs) {
  IndexPicture picture(1600, 1000, 256);
  Bytes filtered = picture.filtered();
  Bytes fast, small, back;
  ASSERT_TRUE(deflate_in_pieces(filtered.data(), filtered.size(), fast).ok());
  ASSERT_TRUE(deflate_in_pieces(filtered.data(), filtered.size(), small, CompressionEffort::kSmallest).ok());
  EXPECT_LT(small.size(), fast.size());
  ASSERT_TRUE(inflate_stream(small, back));
  EXPECT_TRUE(back == filtered);
}

TEST(PngParallel, EveryBitDepthRoundTripsAcrossPieceBoundaries) {
  // Odd widths put piece boundaries inside packed rows and inside row bytes.
  const std::uint32_t sizes[] = {2, 3, 4, 16, 17, 256};
  for (std::uint32_t size : sizes) {
    IndexPicture picture(203, 61, size);
    Bytes palette = test_palette(size);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(encode_indexed_png(file, 203, 61, 0.45455, picture.rows.data(), palette.data(), size,
                                          CompressionEffort::kDefault, 97).ok());
    ReadBack r = read_back(file);
    std::fclose(file);
    EXPECT_EQ(r.bit_depth, static_cast<int>(palette_bit_depth(size)));
    EXPECT_EQ(r.width, 203u);
    EXPECT_EQ(r.palette, palette) << size;
    EXPECT_TRUE(r.pixels == picture.pixels) << size << " colours";
  }

  std::vector<Bytes> rgba(23, Bytes(37 * 4));
  std::vector<const std::uint8_t*> rows;
  for (std::uint32_t y = 0; y < 23; ++y) {
    for (std::uint32_t i = 0; i < 37 * 4; ++i) rgba[y][i] = static_cast<std::uint8_t>(mix(i, y) >> 7);
    rows.push_back(rgba[y].data());
  }
  ScratchFolder folder;
  std::FILE* file = std::fopen(folder.file("rgba.png").c_str(), "wb");
  ASSERT_TRUE(encode_rgba_png(file, 37, 23, 1.0, rows.data(), CompressionEffort::kDefault, 101).ok());
  std::fclose(file);
  DecodedImage decoded;
  ASSERT_EQ(io_message(load_image_file(folder.file("rgba.png"), decoded)), "");
  for (std::uint32_t y = 0; y < 23; ++y) {
    EXPECT_TRUE(Bytes(decoded.pixels.begin() + y * 37 * 4, decoded.pixels.begin() + (y + 1) * 37 * 4) == rgba[y]);
  }
}

TEST(PngParallel, LargeImageRoundTripsAndCompressesLikeOneStream) {
  IndexPicture picture(2000, 1500, 256);
  Bytes palette = test_palette(256);
  ScratchFolder folder;
  std::string path = folder.file("large.png");
  ASSERT_EQ(write_indexed_png(path, 2000, 1500, 0.45455, picture.rows.data(), palette.data(), 256).code, IoCode::kOk);

  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  ReadBack r = read_back(file);
  Bytes png = file_bytes(file);
  std::fclose(file);
  EXPECT_EQ(r.height, 1500u);
  EXPECT_TRUE(r.pixels == picture.pixels);

  Bytes stream, back;
  std::vector<Bytes> chunks = idat_chunks(png);
  ASSERT_GE(chunks.size(), 2u);  // the data is split over several chunks
  for (const Bytes& chunk : chunks) {
    EXPECT_LE(chunk.size(), std::size_t{1} << 20);
    stream.insert(stream.end(), chunk.begin(), chunk.end());
  }
  Bytes filtered = picture.filtered();
  ASSERT_GT(filtered.size(), std::size_t{2} << 20);  // several pieces
  ASSERT_TRUE(inflate_stream(stream, back));
  EXPECT_TRUE(back == filtered);
  std::size_t single = single_stream(filtered, plan_deflate(filtered.size(), CompressionEffort::kDefault).level).size();
  EXPECT_LE(static_cast<double>(stream.size()), single * 1.005) << stream.size() << " vs " << single;
}

// Prints a checksum of a PNG several pieces long; run in child processes below.
TEST(PngParallel, DISABLED_PrintChecksum) {
  tamble::configure_runtime(0);  // thread count from KESTRANE_THREADS
  IndexPicture picture(1200, 900, 200);
  Bytes palette = test_palette(200);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(encode_indexed_png(file, 1200, 900, 0.45455, picture.rows.data(), palette.data(), 200).code,
            IoCode::kOk);
  Bytes png = file_bytes(file);
  std::fclose(file);
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t b : png) h = (h ^ b) * 1099511628211ull;
  std::printf("THREADS %u\nCHECKSUM %016llx %zu\n", tamble::thread_count(), static_cast<unsigned long long>(h),
              png.size());
}

constexpr const char* kPngChecksumTest = "PngParallel.DISABLED_PrintChecksum";

TEST(PngParallel, SameBytesForEveryThreadCount) {
  std::string reference = child_checksum("KESTRANE_THREADS=1", kPngChecksumTest);
  ASSERT_FALSE(reference.empty());
  EXPECT_EQ(child_checksum("KESTRANE_THREADS=2", kPngChecksumTest), reference);
  EXPECT_EQ(child_checksum("KESTRANE_THREADS=8", kPngChecksumTest), reference);
}

TEST(PngParallel, FailedWritesAreReported) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  IndexPicture picture(300, 200, 16);
  Bytes palette = test_palette(16);
  EXPECT_EQ(encode_indexed_png(full, 300, 200, 0, picture.rows.data(), palette.data(), 16).code,
            IoCode::kCannotWrite);
  std::fclose(full);
  full = std::fopen("/dev/full", "wb");
  Bytes rgba(8 * 4, 7);
  const std::uint8_t* rows[2] = {rgba.data(), rgba.data()};
  EXPECT_EQ(write_rgba_png(full, 8, 2, 0, rows).code, IoCode::kCannotWrite);
  std::fclose(full);
}

TEST(ParallelDeflate, InputCompressedAsItBecomesFinalGivesTheSameStream) {
  tamble::configure_runtime(0);
  Bytes data = varied_bytes(300001);
  Bytes expected;
  ASSERT_TRUE(deflate_in_pieces(data.data(), data.size(), expected, CompressionEffort::kDefault, 40000).ok());
  // The early reader sees only what is final; the rest of its buffer is junk.
  for (std::size_t final_part : {data.size(), std::size_t{150000}, std::size_t{0}}) {
    Bytes early(data.size(), 0xA5);
    PieceDeflate deflate(
        data.size(),
        [&early](std::size_t begin, std::size_t end, std::uint8_t* dest) {
          std::copy(early.begin() + begin, early.begin() + end, dest);
        },
        CompressionEffort::kDefault, 40000);
    for (std::size_t ready = 0; ready < final_part;) {
      std::size_t next = std::min(final_part, ready + 17011);
      std::copy(data.begin() + ready, data.begin() + next, early.begin() + ready);
      deflate.input_ready(next);
      ready = next;
    }
    deflate.release();
    std::fill(early.begin(), early.end(), 0x5A);  // read no more after release
    Bytes stream;
    ASSERT_TRUE(deflate.finish([&data](std::size_t begin, std::size_t end, std::uint8_t* dest) {
      std::copy(data.begin() + begin, data.begin() + end, dest);
    }, stream).ok());
    EXPECT_TRUE(stream == expected) << final_part << " bytes final early";
  }
}

TEST(PngParallel, RowsEncodedWhileBeingMadeGiveTheSameFile) {
  tamble::configure_runtime(0);
  Bytes palette = test_palette(200);
  auto png_of = [&](const IndexPicture& picture, std::uint32_t colours, EarlyIndexedRows* early) {
    std::FILE* file = std::tmpfile();
    EXPECT_TRUE(write_indexed_png(file, picture.width, picture.height, 0.45455,
                                  picture.rows.data(), palette.data(), colours,
                                  CompressionEffort::kDefault, early).ok());
    Bytes png = file ? file_bytes(file) : Bytes();
    if (file) std::fclose(file);
    return png;
  };
  // Four pieces at 8 bits, one at 4; begun for another bit depth, the early
  // data is ignored.
  for (std::uint32_t colours : {200u, 16u}) {
    IndexPicture picture(1500, 800, colours);
    Bytes plain = png_of(picture, colours, nullptr);
    for (std::uint32_t begun_with : {colours, 216u - colours}) {
      Bytes copy = picture.pixels;
      EarlyIndexedRows early(1500, 800);
      early.begin(copy.data(), begun_with);
      for (std::uint32_t done = 0; done <= 800; done += 37) early.rows_final(done);
      early.rows_final(800);
      early.release();
      copy.assign(copy.size(), 0);
      EXPECT_TRUE(png_of(picture, colours, &early) == plain)
          << colours << " colours, begun with " << begun_with;
    }
  }
}
