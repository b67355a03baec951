// The per-image colour tables that replace per-pixel arrays: the histogram's
// tally and the numbered working image must give exactly what the per-pixel
// forms gave, at any thread count.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "engine/colour/histogram.h"
#include "engine/colour/pixel_word.h"
#include "engine/colour/working_image.h"
#include "tamble/runtime.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }

// Few colours in runs and scattered repeats, some fully transparent pixels
// with different colour bytes, and fine weights whose sums depend on order.
struct Picture {
  std::vector<std::uint8_t> pixels;
  std::vector<double> importance;
};
Picture picture(std::size_t n, unsigned colours) {
  std::mt19937 rng(5);
  std::vector<std::uint32_t> palette(colours);
  for (auto& c : palette) c = rng() | (rng() % 4 == 0 ? 0u : 0xFF000000u);
  palette[0] = 0x00123456;  // transparent, colour bytes set
  palette[1] = 0x00000000;
  Picture p;
  p.pixels.resize(4 * n);
  p.importance.resize(n);
  std::uint32_t c = palette[0];
  for (std::size_t i = 0; i < n; ++i) {
    if (rng() % 3 == 0) c = palette[rng() % colours];
    std::memcpy(&p.pixels[4 * i], &c, 4);
    p.importance[i] = std::ldexp(static_cast<double>(rng() % 1000003), -17);
  }
  return p;
}

class ColourNumbering : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { tamble::configure_runtime(GetParam()); }
  void TearDown() override { tamble::configure_runtime(0); }
};

TEST_P(ColourNumbering, HistogramSumsEachKeyInPixelOrderAndCountsAgainstTheLimit) {
  const std::size_t n = 300000;
  Picture p = picture(n, 3000);
  for (unsigned bits : {0u, 3u}) {
    auto hist =
        build_histogram(cpu(), p.pixels.data(), n, 1.0, 1u << 20, bits, p.importance.data());
    ASSERT_TRUE(hist);
    // The reference: left-to-right sums per key, keys ascending.
    std::map<std::uint32_t, double> sums;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint32_t word;
      std::memcpy(&word, &p.pixels[4 * i], 4);
      std::uint32_t keep = (255u >> bits << bits) * 0x01010101u;
      std::uint32_t top = (255u - (255u >> bits)) * 0x01010101u;
      std::uint32_t key = (word >> 24) == 0 ? 0 : (word & keep) | ((word & top) >> (8 - bits));
      auto [it, fresh] = sums.try_emplace(key, p.importance[i] + 0.5);
      if (!fresh) it->second += p.importance[i] + 0.5;
    }
    ASSERT_EQ(hist->count, sums.size()) << bits;
    std::size_t k = 0;
    for (const auto& [key, sum] : sums) {
      const HistogramItem& item = hist->items.data()[k++];
      ASSERT_EQ(item.pixel_weight, sum) << bits << " key " << key;
      ASSERT_EQ(item.color.alpha, (key >> 24) / 255.0);
    }
    EXPECT_TRUE(build_histogram(cpu(), p.pixels.data(), n, 1.0, hist->count, bits, nullptr));
    EXPECT_FALSE(build_histogram(cpu(), p.pixels.data(), n, 1.0, hist->count - 1, bits, nullptr));
  }
}

TEST_P(ColourNumbering, NumberedImageHoldsEveryPixelsColourAndGivesTheSameHistogram) {
  const std::size_t n = 200000;
  Picture p = picture(n, 5000);
  const double gamma = 0.45454545454545453;
  std::vector<WorkColor> dense(n);
  convert_working_image(cpu(), p.pixels.data(), n, gamma, dense.data());
  NumberedColours numbered;
  ASSERT_TRUE(number_colours(cpu(), p.pixels.data(), n, gamma, 5000, numbered));
  ASSERT_EQ(numbered.ids.size(), n);
  std::map<std::uint32_t, int> distinct;
  for (std::size_t i = 0; i < n; ++i) distinct[pixel_word(&p.pixels[4 * i])] = 0;
  ASSERT_EQ(numbered.words.size(), distinct.size());  // each colour numbered once
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t id = numbered.ids.data()[i];
    ASSERT_EQ(std::memcmp(&numbered.colors.data()[id], &dense[i], sizeof(WorkColor)), 0) << i;
    ASSERT_EQ(std::memcmp(&numbered.words.data()[id], &p.pixels[4 * i], 4), 0) << i;
  }
  // The histogram of the numbered image is the histogram of the pixels, also
  // when it takes its item colours from the numbered colours.
  for (unsigned bits : {0u, 2u}) {
    auto want = build_histogram(cpu(), p.pixels.data(), n, gamma, 1u << 20, bits,
                                p.importance.data());
    ASSERT_TRUE(want);
    histogram_to_work_colors(cpu(), *want);
    for (const WorkColor* colours : {static_cast<const WorkColor*>(nullptr), static_cast<const WorkColor*>(numbered.colors.data())}) {
      auto got = build_histogram_numbered(cpu(), numbered.ids.data(), n, numbered.words.data(),
                                          numbered.words.size(), gamma, 1u << 20, bits,
                                          p.importance.data(), colours);
      ASSERT_TRUE(got);
      histogram_to_work_colors(cpu(), *got);
      ASSERT_EQ(got->count, want->count);
      EXPECT_EQ(got->total_weight, want->total_weight);
      EXPECT_EQ(std::memcmp(got->items.data(), want->items.data(), sizeof(HistogramItem) * want->count), 0)
          << bits << (colours != nullptr);
    }
    // Weights given a range at a time, as a noise map made in chunks of rows gives them.
    NumberedHistogramBuild build(cpu(), numbered.ids.data(), numbered.words.data(),
                                 numbered.words.size(), gamma, 1u << 20, bits);
    ASSERT_TRUE(build.fits());
    for (std::size_t first = 0, step = 1; first < n; first += step, step = step * 7 + 3)
      build.add(p.importance.data() + first, first, std::min(step, n - first));
    auto ranged = build.finish();
    histogram_to_work_colors(cpu(), *ranged);
    ASSERT_EQ(ranged->count, want->count);
    EXPECT_EQ(ranged->total_weight, want->total_weight);
    EXPECT_EQ(std::memcmp(ranged->items.data(), want->items.data(), sizeof(HistogramItem) * want->count), 0)
        << bits;
    EXPECT_FALSE(build_histogram_numbered(cpu(), numbered.ids.data(), n, numbered.words.data(),
                                          numbered.words.size(), gamma, want->count - 1, bits,
                                          nullptr));
  }
  EXPECT_FALSE(number_colours(cpu(), p.pixels.data(), n, gamma, 4000, numbered));
  EXPECT_TRUE(numbered.colors.empty() && numbered.ids.empty() && numbered.words.empty());
}

INSTANTIATE_TEST_SUITE_P(Threads, ColourNumbering, ::testing::Values(1, 2, 3));

}  // namespace
