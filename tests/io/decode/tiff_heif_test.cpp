// TIFF with alpha and 16-bit samples, and HEIF when the build can encode one.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "io/image_decode.h"
#include "io/image_probe.h"
#include "tests/io/io_test_support.h"
#include "tests/tiff_claiming_gigabytes.h"

#if __has_include(<libheif/heif.h>)
#include <libheif/heif.h>
#define BQ_TEST_HEIF 1
// The HEVC encoder used to make the test file keeps a small block for the whole
// process; that is the encoder's own and not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }
#endif

namespace {

// One strip of rows; the height follows from the strip's length.
void write_tiff(const std::string& path, int samples, int bits, bool alpha,
                const std::vector<std::uint8_t>& strip, std::uint32_t width,
                int photometric = PHOTOMETRIC_RGB) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  std::uint32_t height = static_cast<std::uint32_t>(strip.size() / (std::size_t{width} * samples * bits / 8));
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
  if (alpha) {
    std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  TIFFWriteEncodedStrip(tiff, 0, const_cast<std::uint8_t*>(strip.data()), static_cast<tmsize_t>(strip.size()));
  TIFFClose(tiff);
}

}  // namespace

TEST(TiffDecode, StraightAlphaAndSixteenBitSamples) {
  ScratchFolder folder;
  // Unassociated alpha comes back exactly as stored, even where it is faint.
  const std::vector<std::uint8_t> straight = {200, 100, 50, 10, 10, 20, 30, 255, 7, 8, 9, 128};
  write_tiff(folder.file("alpha.tif"), 4, 8, true, straight, 3);
  DecodedImage image;
  ASSERT_EQ(io_message(load_image_file(folder.file("alpha.tif"), image)), "");
  ASSERT_EQ(image.width, 3u);
  EXPECT_EQ(image.pixels, straight);

  // Little-endian 16-bit samples 0xff00, 0x8000, 0x0000.
  write_tiff(folder.file("deep.tif"), 3, 16, false, {0x00, 0xff, 0x00, 0x80, 0x00, 0x00}, 1);
  ASSERT_EQ(io_message(load_image_file(folder.file("deep.tif"), image)), "");
  EXPECT_NEAR(image.pixels[0], 0xff, 1);
  EXPECT_NEAR(image.pixels[1], 0x80, 1);
  EXPECT_EQ(image.pixels[2], 0);
  EXPECT_EQ(image.pixels[3], 255);
}

TEST(TiffDecode, SixteenBitSamplesRoundToTheNearestByte) {
  // Every 16-bit value once, little-endian, as grey and as the red of RGB.
  std::vector<std::uint8_t> grey, rgb;
  for (std::uint32_t value = 0; value < 65536; ++value) {
    std::uint8_t low = static_cast<std::uint8_t>(value), high = static_cast<std::uint8_t>(value >> 8);
    grey.insert(grey.end(), {low, high});
    rgb.insert(rgb.end(), {low, high, 0, 0, 0, 0});
  }
  ScratchFolder folder;
  write_tiff(folder.file("grey.tif"), 1, 16, false, grey, 256, PHOTOMETRIC_MINISBLACK);
  write_tiff(folder.file("rgb.tif"), 3, 16, false, rgb, 256);
  for (const char* name : {"grey.tif", "rgb.tif"}) {
    DecodedImage image;
    ASSERT_EQ(io_message(load_image_file(folder.file(name), image)), "") << name;
    int wrong = 0;
    for (std::uint32_t value = 0; value < 65536; ++value) {
      wrong += image.pixels[value * 4] != (value * 255 + 32767) / 65535;
    }
    EXPECT_EQ(wrong, 0) << name;
  }
}

TEST(TiffDecode, FewBytesClaimingGigabytesAreRefusedBeforeAllocating) {
  std::vector<std::uint8_t> tiff = tiff_claiming_gigabytes();
  ScratchFolder folder;
  write_bytes(folder.file("bomb.tif"), tiff);
  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe_image_size(folder.file("bomb.tif"), width, height));
  EXPECT_EQ(width, 46000u);
  EXPECT_EQ(height, 46000u);
  DecodedImage image;
  EXPECT_EQ(io_message(load_image_file(folder.file("bomb.tif"), image)), "could not read the pixels");
  EXPECT_TRUE(image.pixels.empty());
}

#ifdef BQ_TEST_HEIF
TEST(HeifDecode, PrimaryImageDecodes) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code != heif_error_Ok) {
    heif_context_free(context);
    GTEST_SKIP() << "no HEVC encoder in this libheif";
  }
  heif_encoder_set_lossy_quality(encoder, 95);
  heif_image* picture = nullptr;
  heif_image_create(64, 32, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
  heif_image_add_plane(picture, heif_channel_interleaved, 64, 32, 8);
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      plane[y * stride + x * 3] = 30, plane[y * stride + x * 3 + 1] = 160, plane[y * stride + x * 3 + 2] = 90;
    }
  }
  heif_context_encode_image(context, picture, encoder, nullptr, nullptr);
  ScratchFolder folder;
  std::string path = folder.file("picture");  // no extension: chosen by content
  heif_context_write_to_file(context, path.c_str());
  heif_image_release(picture);
  heif_encoder_release(encoder);
  heif_context_free(context);

  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(probe_image_size(path, width, height));  // from the boxes, nothing decoded
  EXPECT_EQ(width, 64u);
  EXPECT_EQ(height, 32u);
  DecodedImage image;
  ASSERT_EQ(io_message(load_image_file(path, image)), "");
  EXPECT_EQ(image.width, 64u);
  EXPECT_EQ(image.height, 32u);
  EXPECT_NEAR(image.pixels[(16 * 64 + 32) * 4 + 1], 160, 6);
  EXPECT_EQ(image.pixels[3], 255);
}
#endif
