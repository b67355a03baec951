#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "engine/engine_cache.h"
#include "engine/engine_settings.h"
#include "engine/run_stats.h"
#include "engine/fingerprint.h"
#include "engine/quantize.h"
#include "pipeline_test_images.h"
#include "tamble/device.h"

using test_images::gradient;
using test_images::quantize;

namespace {

QuantizerOptions fast_options() {
  QuantizerOptions o;
  o.speed = 10;
  o.dither = 0;
  return o;
}

}  // namespace

TEST(EntryValidation, MissingInputsOrZeroSizeReturn4AndWriteNothing) {
  auto px = gradient(8, 8, false);
  QuantizerOptions o;
  std::uint8_t idx[64], pal[1024];
  std::fill(std::begin(idx), std::end(idx), 7);
  std::fill(std::begin(pal), std::end(pal), 7);
  std::uint32_t size = 99;
  double err = 5.0;
  EXPECT_EQ(quantize_image(nullptr, 8, 8, 0, &o, nullptr, idx, pal, &size, &err), 4u);
  EXPECT_EQ(quantize_image(px.data(), 8, 8, 0, nullptr, nullptr, idx, pal, &size, &err), 4u);
  EXPECT_EQ(quantize_image(px.data(), 0, 8, 0, &o, nullptr, idx, pal, &size, &err), 4u);
  EXPECT_EQ(quantize_image(px.data(), 8, 0, 0, &o, nullptr, idx, pal, &size, &err), 4u);
  o.dither = 5;  // no such dithering
  EXPECT_EQ(quantize_image(px.data(), 8, 8, 0, &o, nullptr, idx, pal, &size, &err), 4u);
  EXPECT_EQ(idx[0], 7);
  EXPECT_EQ(pal[0], 7);
  EXPECT_EQ(size, 99u);
  EXPECT_EQ(err, 5.0);
}

TEST(EntryValidation, ImpossibleSizeIsRefusedUpFrontWith17) {
  std::uint8_t pixel[4] = {1, 2, 3, 255};  // never read: the size alone is refused
  QuantizerOptions o;
  std::uint32_t size = 99;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(quantize_image(pixel, 1u << 20, 1u << 20, 0, &o, nullptr, nullptr, nullptr, &size,
                           nullptr),
            17u);
  EXPECT_EQ(quantize_image(pixel, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, &o, nullptr, nullptr, nullptr,
                           &size, nullptr),
            17u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(size, 99u);
}

TEST(EntryNormalisation, OutOfRangeOptionsRunAsTheirNormalisedValues) {
  auto px = gradient(40, 30, false);
  QuantizerOptions o = fast_options();
  o.colors = 0;
  auto r0 = quantize(px, 40, 30, o);
  o.colors = 1;
  auto r1 = quantize(px, 40, 30, o);
  o.colors = 2;
  auto r2 = quantize(px, 40, 30, o);
  ASSERT_EQ(r2.status, 0u);
  EXPECT_EQ(r2.size, 2u);
  EXPECT_EQ(r0.indices, r2.indices);
  EXPECT_EQ(r1.palette, r2.palette);

  o.colors = 1000;
  EXPECT_LE(quantize(px, 40, 30, o).size, 256u);

  QuantizerOptions s = fast_options();
  s.colors = 16;
  s.speed = 11;
  auto fast = quantize(px, 40, 30, s);
  s.speed = 10;
  EXPECT_EQ(quantize(px, 40, 30, s).indices, fast.indices);
  s.speed = 0;
  auto slow = quantize(px, 40, 30, s);
  s.speed = 1;
  EXPECT_EQ(quantize(px, 40, 30, s).indices, slow.indices);
}

TEST(EntryNormalisation, NonPositiveGammaMeansOneOver2_2) {
  auto px = gradient(20, 20, true);
  QuantizerOptions o = fast_options();
  o.colors = 8;
  auto ref = quantize(px, 20, 20, o, 0.45454545454545453);
  EXPECT_EQ(quantize(px, 20, 20, o, 0.0).palette, ref.palette);
  EXPECT_EQ(quantize(px, 20, 20, o, -3.0).indices, ref.indices);
}

// The engine returns 1/2.2 as the palette's gamma, so an image decoded with
// another gamma must come back as bytes encoded for 1/2.2, not its own.
TEST(EntryOutputs, PaletteBytesAreEncodedForOneOver2_2WhateverTheInputGamma) {
  std::vector<std::uint8_t> px;
  for (int i = 0; i < 64; ++i) px.insert(px.end(), {128, 128, 128, 255});
  QuantizerOptions o = fast_options();
  o.colors = 2;
  auto same = quantize(px, 8, 8, o, 0.45454545454545453);
  ASSERT_EQ(same.status, 0u);
  EXPECT_EQ(same.rgba[0], 128);  // already 1/2.2: unchanged
  auto linear = quantize(px, 8, 8, o, 1.0);
  ASSERT_EQ(linear.status, 0u);
  const int expected = static_cast<int>(256.0 * std::pow(128 / 255.0, 1.0 / 2.2));  // 187
  for (int c = 0; c < 3; ++c) EXPECT_EQ(int(linear.rgba[c]), expected) << c;
  EXPECT_EQ(linear.rgba[3], 255);
  EXPECT_EQ(linear.gamma, 0.45454545454545453);
  EXPECT_EQ(same.gamma, 0.45454545454545453);
}

TEST(EntryOutputs, PaletteZeroedPastSizeOpaquePastTransparentCountErrorMinusOne) {
  auto px = gradient(32, 32, true);
  QuantizerOptions o = fast_options();
  o.colors = 12;
  auto r = quantize(px, 32, 32, o);
  ASSERT_EQ(r.status, 0u);
  ASSERT_GT(r.size, 0u);
  ASSERT_LE(r.size, 12u);
  EXPECT_EQ(r.error, -1.0);
  for (std::size_t i = 4 * r.size; i < 1024; ++i) ASSERT_EQ(r.palette[i], 0) << i;
  // Transparent entries come first, so once an entry is opaque the rest are.
  bool opaque_seen = false;
  for (std::uint32_t i = 0; i < r.size; ++i) {
    if (r.palette[4 * i + 3] == 255) opaque_seen = true;
    else EXPECT_FALSE(opaque_seen) << "translucent entry " << i << " after an opaque one";
  }
  for (std::size_t p = 0; p < r.indices.size(); ++p) {
    ASSERT_LT(r.indices[p], r.size);
    for (int c = 0; c < 4; ++c)
      ASSERT_EQ(r.rgba[4 * p + c], r.palette[4 * r.indices[p] + c]) << "pixel " << p;
  }
}

// Settings live in the call: one call's options, failed or not, never reach the next.
TEST(EntrySettings, NoSettingOutlivesItsCall) {
  auto px = gradient(16, 16, false);
  const auto before = quantize(px, 16, 16, fast_options());
  ASSERT_EQ(before.status, 0u);
  std::uint8_t pin[4] = {10, 20, 30, 255};
  QuantizerOptions o = fast_options();
  o.chroma_weight = 7.0;
  o.sum_pow = 0.25;
  o.pins = pin;
  o.pin_count = 1;
  std::vector<std::uint8_t> map(256, 200);
  o.focus_map = map.data();
  o.focus_weight = 5;
  EXPECT_EQ(quantize(px, 16, 16, o).status, 0u);
  o.dither = 9;
  EXPECT_EQ(quantize(px, 16, 16, o).status, 4u);
  const auto after = quantize(px, 16, 16, fast_options());
  EXPECT_EQ(after.indices, before.indices);
  EXPECT_EQ(after.palette, before.palette);
}

TEST(EntryCaches, SameInputTwiceReusesBothCachesAndGivesTheSameResult) {
  auto px = gradient(48, 40, true);
  QuantizerOptions o;
  o.colors = 32;
  release_engine_caches();
  auto first = quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_conversions, 1u);
  EXPECT_EQ(g_run_stats.histogram_builds, 1u);
  auto second = quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_cache_hits, 1u);
  EXPECT_EQ(g_run_stats.image_conversions, 0u);
  EXPECT_EQ(g_run_stats.contrast_map_builds, 0u);
  EXPECT_EQ(g_run_stats.histogram_cache_hits, 1u);
  EXPECT_EQ(g_run_stats.histogram_builds, 0u);
  // The restored histogram must behave exactly like a fresh one.
  EXPECT_EQ(first.indices, second.indices);
  EXPECT_EQ(first.palette, second.palette);

  // Colours and dithering do not enter either key.
  o.colors = 9;
  o.dither = 0;
  quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_cache_hits, 1u);
  EXPECT_EQ(g_run_stats.histogram_cache_hits, 1u);
}

TEST(EntryCaches, FocusMapAndSpeedRebuildOnlyTheHistogramNewPixelsRebuildBoth) {
  auto px = gradient(48, 40, false);
  QuantizerOptions o = fast_options();
  release_engine_caches();
  quantize(px, 48, 40, o);
  std::vector<std::uint8_t> focus(48 * 40, 0);
  focus[100] = 255;
  o.focus_map = focus.data();
  o.focus_weight = 10;
  quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_cache_hits, 1u);
  EXPECT_EQ(g_run_stats.histogram_builds, 1u);
  o.speed = 9;
  quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_cache_hits, 1u);
  EXPECT_EQ(g_run_stats.histogram_builds, 1u);
  px[4 * 77] ^= 1;
  quantize(px, 48, 40, o);
  EXPECT_EQ(g_run_stats.image_conversions, 1u);
  EXPECT_EQ(g_run_stats.histogram_builds, 1u);
  // The same bytes in another shape have other contrast maps.
  quantize(px, 40, 48, o);
  EXPECT_EQ(g_run_stats.contrast_map_builds, 1u);
}

TEST(EntryCaches, FingerprintSeesEveryByteAndChunkOrder) {
  tamble::device* dev = tamble::get_cpu_device();
  std::vector<std::uint8_t> data(3 * 65536 + 5);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 + 7 + (i >> 16) * 13);
  std::uint64_t base = fingerprint_bytes(dev, data.data(), data.size());
  EXPECT_EQ(base, fingerprint_bytes(dev, data.data(), data.size()));
  for (std::size_t at : {std::size_t{0}, std::size_t{65535}, std::size_t{65536 * 2 + 9},
                         data.size() - 1}) {
    auto changed = data;
    changed[at] ^= 0x10;
    EXPECT_NE(fingerprint_bytes(dev, changed.data(), changed.size()), base) << at;
  }
  // Chunks after the first are combined in order.
  auto swapped = data;
  std::swap_ranges(swapped.begin() + 65536, swapped.begin() + 2 * 65536,
                   swapped.begin() + 2 * 65536);
  EXPECT_NE(fingerprint_bytes(dev, swapped.data(), swapped.size()), base);
  // A zero tail still counts as a word: the length is part of the value.
  std::vector<std::uint8_t> zeros(16, 0);
  EXPECT_NE(fingerprint_bytes(dev, zeros.data(), 16), fingerprint_bytes(dev, zeros.data(), 15));
  std::uint8_t px[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_NE(image_key(dev, px, 2, 0.45454545454545453), image_key(dev, px, 2, 1.0));
}

TEST(EntrySpeed, FeedbackTrialsAndRefinementFollowTheSpeed) {
  auto px = gradient(64, 48, true);
  QuantizerOptions o;
  o.colors = 16;
  o.speed = 3;
  ASSERT_EQ(quantize(px, 64, 48, o).status, 0u);
  EXPECT_EQ(g_run_stats.feedback_trials, 1u);
  EXPECT_GE(g_run_stats.kmeans_iterations, 3u);
  EXPECT_LE(g_run_stats.kmeans_iterations, 1u + 17u);
  o.speed = 8;
  ASSERT_EQ(quantize(px, 64, 48, o).status, 0u);
  EXPECT_EQ(g_run_stats.feedback_trials, 0u);
  EXPECT_EQ(g_run_stats.kmeans_iterations, 2u);
  EXPECT_EQ(g_run_stats.posterize_bits, 1u);
  o.speed = 1;
  ASSERT_EQ(quantize(px, 64, 48, o).status, 0u);
  EXPECT_GT(g_run_stats.feedback_trials, 1u);
}

TEST(EntryIe6, WorkaroundMakesNearlyOpaquePixelsOpaqueAndLeavesTheCallerImage) {
  auto px = gradient(32, 32, false);
  for (std::size_t p = 0; p < 32 * 16; ++p) px[4 * p + 3] = 240;  // top half nearly opaque
  const auto original = px;
  QuantizerOptions o = fast_options();
  o.colors = 16;
  o.ie_workaround = 1;
  auto r = quantize(px, 32, 32, o);
  ASSERT_EQ(r.status, 0u);
  EXPECT_EQ(px, original);
  for (std::size_t p = 0; p < 32 * 16; ++p) ASSERT_EQ(r.rgba[4 * p + 3], 255) << p;
  o.ie_workaround = 0;
  auto plain = quantize(px, 32, 32, o);
  EXPECT_LT(plain.rgba[3], 255);
}

TEST(EntryCaches, CacheHitsLogTheirLinesWhileVerbose) {
  tamble::device* dev = tamble::get_cpu_device();
  auto px = gradient(16, 16, false);
  std::vector<double> importance(256, 0.0);
  release_engine_caches();
  EngineSettings verbose;
  verbose.verbose = true;
  std::uint64_t key = image_key(dev, px.data(), 256, 0.45454545454545453);
  ::testing::internal::CaptureStderr();
  cached_working_image(dev, px.data(), 16, 16, 0.45454545454545453, key, verbose);
  std::unique_ptr<Histogram> owned;
  Histogram* first = histogram_for_run(dev, px.data(), 256, 0.45454545454545453,
                                       importance.data(), key, verbose, owned);
  std::string built = ::testing::internal::GetCapturedStderr();
  ::testing::internal::CaptureStderr();
  cached_working_image(dev, px.data(), 16, 16, 0.45454545454545453, key, verbose);
  Histogram* second = histogram_for_run(dev, px.data(), 256, 0.45454545454545453,
                                        importance.data(), key, verbose, owned);
  std::string cached = ::testing::internal::GetCapturedStderr();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(owned, nullptr);
  const std::string colors = std::to_string(first->count) + " colors";
  EXPECT_EQ(built, "  making histogram..." + colors + " found\n");
  EXPECT_EQ(cached, "working-space image cached\n  histogram cached, " + colors + "\n");
  release_engine_caches();
}
