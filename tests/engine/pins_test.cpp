#include <gtest/gtest.h>

#include <set>

#include "engine/quantize.h"
#include "pipeline_test_images.h"

using test_images::gradient;
using test_images::quantize;

namespace {

const std::uint8_t kThreePins[] = {255, 0, 0, 255, 12, 200, 34, 255, 0, 0, 255, 255};

std::vector<std::uint8_t> sixteen_colours() {
  std::vector<std::uint8_t> pal;
  for (int i = 0; i < 16; ++i) {
    pal.push_back(static_cast<std::uint8_t>(i * 16 + 3));
    pal.push_back(static_cast<std::uint8_t>(250 - i * 13));
    pal.push_back(static_cast<std::uint8_t>((i * 77) & 255));
    pal.push_back(255);
  }
  return pal;
}

void expect_entries(const test_images::Result& r, const std::uint8_t* colours, int count) {
  for (int i = 0; i < count; ++i)
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(r.palette[4 * i + c], colours[4 * i + c]) << "entry " << i << " channel " << c;
}

}  // namespace

TEST(Pins, ThreePinsComeFirstInOrderWithUnchangedBytes) {
  auto px = gradient(64, 48, false);
  QuantizerOptions o;
  o.colors = 8;
  o.pins = kThreePins;
  o.pin_count = 3;
  for (std::uint32_t speed : {1u, 3u, 10u}) {
    o.speed = speed;
    auto r = quantize(px, 64, 48, o);
    ASSERT_EQ(r.status, 0u);
    EXPECT_LE(r.size, 8u);
    EXPECT_GE(r.size, 4u);
    expect_entries(r, kThreePins, 3);
  }
}

TEST(Pins, FixedPaletteGivesExactlyItsEntriesInOrderWhateverTheImage) {
  auto pal = sixteen_colours();
  QuantizerOptions o;
  o.colors = 16;
  o.pins = pal.data();
  o.pin_count = 16;
  for (bool alpha : {false, true}) {
    auto px = gradient(50, 40, alpha);
    auto r = quantize(px, 50, 40, o);
    ASSERT_EQ(r.status, 0u);
    ASSERT_EQ(r.size, 16u);
    expect_entries(r, pal.data(), 16);
    std::set<std::uint8_t> used(r.indices.begin(), r.indices.end());
    EXPECT_LT(*used.rbegin(), 16);
    EXPECT_GT(used.size(), 4u);
  }
}

TEST(Pins, MorePinsThanColoursUsesTheFirstOnes) {
  auto pal = sixteen_colours();
  auto px = gradient(30, 30, false);
  QuantizerOptions o;
  o.colors = 5;
  o.pins = pal.data();
  o.pin_count = 16;
  auto r = quantize(px, 30, 30, o);
  ASSERT_EQ(r.status, 0u);
  ASSERT_EQ(r.size, 5u);
  expect_entries(r, pal.data(), 5);
}

TEST(Pins, OneColourPaletteWithTwoColoursAddsOneImageColour) {
  const std::uint8_t pin[4] = {40, 80, 120, 255};
  auto px = gradient(30, 30, false);
  QuantizerOptions o;
  o.colors = 2;
  o.pins = pin;
  o.pin_count = 1;
  auto r = quantize(px, 30, 30, o);
  ASSERT_EQ(r.status, 0u);
  ASSERT_EQ(r.size, 2u);
  expect_entries(r, pin, 1);
}

TEST(Pins, OneColourFixedPaletteIsUsedAloneInEveryMode) {
  const std::uint8_t only[4] = {40, 80, 120, 255};
  auto px = gradient(30, 30, true);
  QuantizerOptions o;
  o.colors = 1;
  o.pins = only;
  o.pin_count = 1;
  for (std::int32_t dither = 0; dither <= 4; ++dither) {
    o.dither = dither;
    auto r = quantize(px, 30, 30, o);
    ASSERT_EQ(r.status, 0u) << dither;
    ASSERT_EQ(r.size, 1u) << dither;
    expect_entries(r, only, 1);
    EXPECT_EQ(std::set<std::uint8_t>(r.indices.begin(), r.indices.end()), std::set<std::uint8_t>{0});
  }
}

TEST(Pins, SemiTransparentPinCountsInTheTransparentCount) {
  // Opaque image; the only translucent entry is the pin at index 1.
  const std::uint8_t pins[] = {10, 10, 10, 255, 200, 100, 50, 128};
  auto px = gradient(40, 40, false);
  QuantizerOptions o;
  o.colors = 6;
  o.pins = pins;
  o.pin_count = 2;
  auto r = quantize(px, 40, 40, o);
  ASSERT_EQ(r.status, 0u);
  expect_entries(r, pins, 2);
  for (std::uint32_t i = 2; i < r.size; ++i) EXPECT_EQ(r.palette[4 * i + 3], 255);
  // An RGBA output pixel mapped to the pin carries its alpha, i.e. index 1 is
  // below the transparent count.
  bool found = false;
  for (std::size_t p = 0; p < r.indices.size(); ++p)
    if (r.indices[p] == 1) {
      EXPECT_EQ(r.rgba[4 * p + 3], 128);
      found = true;
    }
  (void)found;
}

TEST(Pins, PinsSurviveEveryDitheringMode) {
  auto px = gradient(64, 64, true);
  QuantizerOptions o;
  o.colors = 10;
  o.pins = kThreePins;
  o.pin_count = 3;
  for (std::int32_t dither = 0; dither <= 4; ++dither) {
    for (std::uint32_t speed : {3u, 8u}) {
      o.dither = dither;
      o.speed = speed;
      auto r = quantize(px, 64, 64, o);
      ASSERT_EQ(r.status, 0u) << dither;
      expect_entries(r, kThreePins, 3);
      for (std::uint8_t i : r.indices) ASSERT_LT(i, r.size) << "dither " << dither;
    }
  }
}

TEST(Pins, PinsFromAnotherGammaAreConvertedOutWithOneOver2_2) {
  const std::uint8_t pin[4] = {128, 64, 32, 255};
  auto px = gradient(20, 20, false);
  QuantizerOptions o;
  o.colors = 4;
  o.pins = pin;
  o.pin_count = 1;
  auto r = quantize(px, 20, 20, o, 1.0);  // linear input
  ASSERT_EQ(r.status, 0u);
  // 128/255 linear is about 0.73 in 1/2.2 encoding.
  EXPECT_NEAR(r.palette[0], 186, 2);
  EXPECT_EQ(r.palette[3], 255);
}
