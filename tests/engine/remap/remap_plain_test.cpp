#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>
#include <filesystem>
#include <random>
#include <string>

#include "tamble/runtime.h"
#include "tests/engine/remap_refusing_device.h"
#include "engine/remap/remap_diffused.h"
#include "engine/remap/remap_plain.h"
#include "engine/remap/damp_dither_map.h"
#include "tests/engine/remap/remap_test_support.h"
#include "tests/engine/isa_checksum.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }

TEST(RemapPlain, OneEntryPaletteTakesEveryPixel) {
  TestImage img = ramp_image(70, 70, 1);
  img.at(3, 3).alpha = 0.0;
  Palette p = make_palette({WorkColor{1.0, 0.5, 0.4, 0.5}});
  std::vector<std::uint8_t> out(img.pixels.size(), 9);
  double error = remap_plain(cpu(), img.view(), p, EngineSettings{}, out.data());
  for (std::uint8_t k : out) ASSERT_EQ(k, 0);
  EXPECT_GT(error, 0.0);
  EXPECT_EQ(p.entries[0].popularity, 4900.0);
}

TEST(RemapPlain, TransparentPixelsTakeTheTransparentIndexAndAreLeftOutOfTheError) {
  Palette p = make_palette({opaque_grey(0.9), WorkColor{0.0, 0.0, kNeutralA, kNeutralB}, opaque_grey(0.1)});
  TestImage img = filled_image(4, 2, opaque_grey(0.2));
  img.at(1, 0) = WorkColor{0.003, 0.002, 0.5, 0.5};  // below 1/256: transparent, whatever its colour
  img.at(2, 1) = WorkColor{0.0, 0.0, kNeutralA, kNeutralB};
  img.at(3, 1) = opaque_grey(0.8);
  std::vector<std::uint8_t> out(8);
  double error = remap_plain(cpu(), img.view(), p, EngineSettings{}, out.data());
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(out[6], 1);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[7], 0);
  // Five pixels at 0.2 (0.01 each) and one at 0.8 (0.01): the transparent ones add nothing.
  EXPECT_NEAR(error, 0.01, 1e-15);
}

TEST(RemapPlain, KMeansStepMovesOnlyEntriesThatAreNotFixed) {
  Palette p = make_palette({opaque_grey(0.2), opaque_grey(0.8), opaque_grey(0.5), opaque_grey(0.99)});
  p.entries[1].fixed = true;
  TestImage img = filled_image(100, 50, opaque_grey(0.1));
  for (std::uint32_t x = 0; x < 100; ++x) img.at(x, 1) = opaque_grey(0.3);         // entry 0 too
  for (std::uint32_t x = 0; x < 100; ++x) img.at(x, 2) = opaque_grey(0.75);        // entry 1 (fixed)
  for (std::uint32_t x = 0; x < 100; ++x) img.at(x, 3) = opaque_grey(x < 50 ? 0.45 : 0.55);  // entry 2
  img.at(0, 0) = WorkColor{0.0, 0.0, kNeutralA, kNeutralB};  // transparent, counted with its entry
  std::vector<std::uint8_t> out(img.pixels.size());
  remap_plain(cpu(), img.view(), p, EngineSettings{}, out.data());

  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(p.entries[0].popularity, 4800.0);
  EXPECT_NEAR(p.entries[0].color.L, (4699 * 0.1 + 100 * 0.3) / 4800, 1e-12);
  EXPECT_NEAR(p.entries[0].color.alpha, 4799.0 / 4800, 1e-12);
  EXPECT_EQ(p.entries[1].popularity, 100.0);
  EXPECT_EQ(p.entries[1].color.L, 0.8);  // fixed: stays
  EXPECT_EQ(p.entries[2].popularity, 100.0);
  EXPECT_NEAR(p.entries[2].color.L, 0.5, 1e-12);
  EXPECT_EQ(p.entries[3].popularity, 0.0);  // no pixels: keeps its colour
  EXPECT_EQ(p.entries[3].color.L, 0.99);
}

// The k-means step groups pixels by the output bytes themselves: the remap
// asks the device for no per-pixel array, so a device that refuses them
// changes nothing.
TEST(RemapPlain, NeedsNoPerPixelDeviceMemory) {
  TestImage img = ramp_image(64, 64, 2);
  img.at(1, 1).alpha = 0.0;
  Palette p = ramp_palette(20, 3);
  Palette reference = p;
  std::vector<std::uint8_t> want(img.pixels.size()), got(img.pixels.size(), 99);
  double want_error = remap_plain(cpu(), img.view(), reference, EngineSettings{}, want.data());

  RefusingDevice small_blocks_only(4096);  // the search table fits, per-pixel arrays do not
  testing::internal::CaptureStderr();
  double error = remap_plain(&small_blocks_only, img.view(), p, EngineSettings{}, got.data());
  EXPECT_EQ(testing::internal::GetCapturedStderr().find("ALLOCATION FAILED"), std::string::npos);
  EXPECT_EQ(got, want);
  EXPECT_DOUBLE_EQ(error, want_error);
  for (std::uint32_t e = 0; e < p.count(); ++e) {
    EXPECT_EQ(p.entries[e].color.L, reference.entries[e].color.L) << e;  // moved alike
    EXPECT_EQ(p.entries[e].popularity, reference.entries[e].popularity) << e;
  }
}

// Each search starts from the previous pixel's answer, and repeated pixels
// reuse it: the indices and the mean error must still be what an unguided
// search of every pixel gives, bit for bit, with penalised probes and
// translucent entries in play.
TEST(RemapPlain, GuidedSearchesGiveEveryPixelItsUnguidedAnswer) {
  const double threshold = 238.0 / 255.0;
  TestImage img = ramp_image(150, 90, 8);
  std::mt19937_64 rng(9);
  for (std::size_t i = 1; i < img.pixels.size(); ++i) {
    switch (rng() % 6) {
      case 0: img.pixels[i] = img.pixels[i - 1]; break;  // runs of one colour
      case 1: img.pixels[i].alpha = uniform(rng, 0.85, 1.0); break;
      case 2: if (rng() % 8 == 0) img.pixels[i].alpha = 0.0; break;
      default: break;
    }
  }
  Palette p = ramp_palette(120, 10);
  for (std::uint32_t e = 0; e < p.count(); e += 3) p.entries[e].color.alpha = uniform(rng, 0.8, 1.0);

  nearest_index index(cpu(), p, threshold, ColorMetric{});
  const auto transparent = find_nearest(index, WorkColor{0.0, 0.0, kNeutralA, kNeutralB}).index;
  std::vector<std::uint8_t> want(img.pixels.size());
  double block_sum = 0.0, want_sum = 0.0;
  std::size_t counted = 0;
  for (std::size_t i = 0; i < img.pixels.size(); ++i) {
    const WorkColor& c = img.pixels[i];
    if (c.alpha < kAlmostTransparent) {
      want[i] = static_cast<std::uint8_t>(transparent);
    } else {
      NearestMatch m = find_nearest(index, c);
      want[i] = static_cast<std::uint8_t>(m.index);
      block_sum += m.distance;
      ++counted;
    }
    if ((i + 1) % 4096 == 0 || i + 1 == img.pixels.size()) {  // the error's fixed blocks
      want_sum += block_sum;
      block_sum = 0.0;
    }
  }

  std::vector<std::uint8_t> got(img.pixels.size());
  double error = remap_plain(cpu(), img.view(), p, opaque_from(threshold), got.data());
  EXPECT_EQ(got, want);
  EXPECT_EQ(error, want_sum / static_cast<double>(counted));
}

// Prints a checksum of remap_plain, damp_dither_map and remap_diffused on a
// 1-megapixel-class image; run in child processes by the test below.
TEST(RemapDeterminism, DISABLED_PrintChecksum) {
  tamble::configure_runtime(0);  // thread count from KESTRANE_THREADS
  print_level_ran();
  TestImage img = ramp_image(640, 400, 5);
  for (std::uint32_t x = 0; x < 640; x += 7) img.at(x, x % 400).alpha = 0.0;
  Palette p = ramp_palette(256, 6);
  std::vector<std::uint8_t> out(img.pixels.size());
  double error = remap_plain(cpu(), img.view(), p, opaque_from(238.0 / 255.0), out.data());
  std::vector<double> edge(img.pixels.size(), 1.0);
  damp_dither_map(cpu(), out.data(), img.width, img.height, edge.data());
  remap_diffused(cpu(), img.view(), p, opaque_from(238.0 / 255.0), edge.data(), true, 8 * error, out.data());
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&](const void* data, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) h = (h ^ static_cast<const std::uint8_t*>(data)[i]) * 1099511628211ull;
  };
  mix(out.data(), out.size());
  mix(&error, sizeof error);
  mix(edge.data(), edge.size() * sizeof(double));
  for (const PaletteEntry& e : p.entries) mix(&e.color, sizeof e.color);
  std::printf("CHECKSUM %016llx\n", static_cast<unsigned long long>(h));
}


constexpr const char* kRemapChecksumTest = "RemapDeterminism.DISABLED_PrintChecksum";

class RemapLevels : public ::testing::TestWithParam<IsaCase> {};

TEST_P(RemapLevels, SameBytesAsOneScalarThread) { expect_same_checksum_as_scalar(GetParam(), kRemapChecksumTest); }

INSTANTIATE_TEST_SUITE_P(Isa, RemapLevels, ::testing::Values(IsaCase{"avx2", "2"}, IsaCase{"avx512", "8"}),
                         isa_case_name);

}  // namespace
