#include "engine/colour/histogram.h"
#include "engine/colour/contrast_maps.h"
#include "engine/colour/focus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }

std::vector<std::uint8_t> image_of(std::initializer_list<std::array<std::uint8_t, 4>> pixels) {
  std::vector<std::uint8_t> bytes;
  for (const auto& p : pixels) bytes.insert(bytes.end(), p.begin(), p.end());
  return bytes;
}

std::unique_ptr<Histogram> build(const std::vector<std::uint8_t>& pixels, double gamma = 1.0,
                                 unsigned posterize_bits = 0, const double* importance = nullptr,
                                 std::uint32_t max_colors = 1u << 20) {
  return build_histogram(cpu(), pixels.data(), pixels.size() / 4, gamma, max_colors,
                         posterize_bits, importance);
}

TEST(Histogram, CountsDistinctColoursInKeyOrderWithTheirWeights) {
  // Keys put R in the low byte and A in the high byte, so the order below is
  // by alpha first, then blue, green, red.
  auto pixels = image_of({{10, 0, 0, 255},
                          {0, 0, 9, 255},
                          {10, 0, 0, 255},
                          {5, 6, 7, 128},
                          {10, 0, 0, 255}});
  const double importance[] = {0.25, 1.0, 0.5, 0.0, 0.75};
  auto hist = build(pixels, 1.0, 0, importance);
  ASSERT_TRUE(hist);
  ASSERT_EQ(hist->count, 3u);
  const HistogramItem* items = hist->items.data();
  EXPECT_DOUBLE_EQ(items[0].color.alpha, 128 / 255.0);
  EXPECT_DOUBLE_EQ(items[0].color.L, 128 / 255.0 * (5 / 255.0));
  EXPECT_DOUBLE_EQ(items[1].color.L, 10 / 255.0);
  EXPECT_DOUBLE_EQ(items[2].color.b, 9 / 255.0);
  EXPECT_DOUBLE_EQ(items[0].pixel_weight, 0.5);
  EXPECT_DOUBLE_EQ(items[1].pixel_weight, 0.75 + 1.0 + 1.25);
  EXPECT_DOUBLE_EQ(items[2].pixel_weight, 1.5);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(items[i].source_index, i);
    EXPECT_EQ(items[i].cut_weight, items[i].pixel_weight);
    EXPECT_EQ(items[i].split_weight, 0.0);
    EXPECT_EQ(items[i].sort_key, 0u);
    EXPECT_EQ(items[i].weight_root, 0.0);
  }
  EXPECT_DOUBLE_EQ(hist->total_weight, 0.5 + 3.0 + 1.5);
  EXPECT_TRUE(hist->lookup_colors.empty());
}

TEST(Histogram, OneColourAndNoImportanceMap) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 10000; ++i) pixels.insert(pixels.end(), {40, 80, 120, 255});
  auto hist = build(pixels);
  ASSERT_TRUE(hist);
  ASSERT_EQ(hist->count, 1u);
  EXPECT_EQ(hist->items[0].pixel_weight, 10000.0);
  EXPECT_EQ(hist->total_weight, 10000.0);
}

TEST(Histogram, TransparentPixelsFormOneNeutralItem) {
  auto pixels = image_of({{255, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 0}, {0, 0, 0, 255}});
  auto hist = build(pixels, kDefaultGamma);
  ASSERT_TRUE(hist);
  ASSERT_EQ(hist->count, 2u);
  EXPECT_EQ(hist->items[0].pixel_weight, 3.0);
  histogram_to_work_colors(cpu(), *hist);
  const WorkColor& c = hist->items[0].color;
  EXPECT_EQ(c.alpha, 0.0);
  EXPECT_NEAR(c.L, 0.0, 1e-15);
  EXPECT_DOUBLE_EQ(c.a, 0.3785310734463277);
  EXPECT_DOUBLE_EQ(c.b, 0.5343511450381679);
}

TEST(Histogram, PosterizationRepeatsTheTopBitsIntoTheLowBits) {
  auto pixels = image_of({{255, 128, 0, 255}, {0x40, 0x7F, 0xBF, 0xC0}});
  auto one_bit = build(pixels, 1.0, 1);
  ASSERT_TRUE(one_bit);
  ASSERT_EQ(one_bit->count, 2u);
  // Key order puts the alpha 0xC0 colour first.
  const WorkColor& a = one_bit->items[1].color;
  EXPECT_EQ(a.alpha, 1.0);
  EXPECT_DOUBLE_EQ(a.L, 1.0);
  EXPECT_DOUBLE_EQ(a.a, 129 / 255.0);
  EXPECT_EQ(a.b, 0.0);
  const WorkColor& b = one_bit->items[0].color;
  double alpha = 0xC1 / 255.0;  // 1100 0000 -> 1100 0001
  EXPECT_DOUBLE_EQ(b.alpha, alpha);
  EXPECT_DOUBLE_EQ(b.L, alpha * (0x40 / 255.0));
  EXPECT_DOUBLE_EQ(b.a, alpha * (0x7E / 255.0));  // low bit replaced by the top bit, 0
  EXPECT_DOUBLE_EQ(b.b, alpha * (0xBF / 255.0));

  auto two_bits = build(image_of({{0x40, 0x7F, 0xFF, 0xFF}}), 1.0, 2);
  ASSERT_TRUE(two_bits);
  EXPECT_DOUBLE_EQ(two_bits->items[0].color.L, 0x41 / 255.0);
  EXPECT_DOUBLE_EQ(two_bits->items[0].color.a, 0x7D / 255.0);
  EXPECT_DOUBLE_EQ(two_bits->items[0].color.b, 1.0);

  // Neighbouring values merge: with 2 bits 0..3 all become 0.
  auto merged = build(image_of({{0, 0, 0, 255}, {1, 2, 3, 255}, {3, 3, 3, 255}}), 1.0, 2);
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->count, 1u);
}

TEST(Histogram, TooManyColoursGivesNothing) {
  auto pixels = image_of({{1, 0, 0, 255}, {2, 0, 0, 255}, {3, 0, 0, 255}, {3, 0, 0, 255}});
  EXPECT_TRUE(build(pixels, 1.0, 0, nullptr, 3));
  EXPECT_FALSE(build_histogram(cpu(), pixels.data(), 4, 1.0, 2, 0, nullptr));
  auto posterized = build(pixels, 1.0, 2, nullptr, 1);  // all three collapse into one
  ASSERT_TRUE(posterized);
  EXPECT_EQ(posterized->count, 1u);
}

TEST(Histogram, ItemsConvertExactlyLikeTheirPixels) {
  std::vector<std::uint8_t> pixels;
  std::uint32_t state = 99;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1664525u + 1013904223u;
    std::uint8_t alpha = i % 7 == 0 ? 0 : std::uint8_t(state >> 24);
    pixels.insert(pixels.end(),
                  {std::uint8_t(state), std::uint8_t(state >> 8), std::uint8_t(state >> 16),
                   alpha});
  }
  for (double gamma : {kDefaultGamma, 1.0}) {
    auto hist = build(pixels, gamma);
    ASSERT_TRUE(hist);
    histogram_to_work_colors(cpu(), *hist);
    for (std::size_t p = 0; p < 3000; p += 17) {
      const std::uint8_t* px = &pixels[4 * p];
      if (px[3] == 0) continue;
      WorkColor ref = to_work_color(px, gamma);
      bool found = false;
      for (const HistogramItem& item : hist->items)
        found = found || (item.color.alpha == ref.alpha && item.color.L == ref.L &&
                          item.color.a == ref.a && item.color.b == ref.b);
      EXPECT_TRUE(found) << "pixel " << p;
    }
  }
}

TEST(Focus, ScalesTheHistogramWeightByTheFocusWeight) {
  const double before[] = {0.5, 0.5, 0.25, 1.0};
  const std::uint8_t focus[] = {255, 0, 255, 51};
  double importance[4];
  std::copy(before, before + 4, importance);
  apply_focus(cpu(), importance, 4, focus, 25.0);
  EXPECT_EQ(importance[0] + 0.5, 25.0);
  EXPECT_EQ(importance[1], 0.5);
  EXPECT_DOUBLE_EQ(importance[2] + 0.5, 25 * 0.75);
  EXPECT_DOUBLE_EQ(importance[3] + 0.5, (0.2 * 24 + 1) * 1.5);

  std::copy(before, before + 4, importance);
  apply_focus(cpu(), importance, 4, focus, 1.0);
  apply_focus(cpu(), importance, 4, nullptr, 25.0);
  EXPECT_TRUE(std::equal(before, before + 4, importance));
}

}  // namespace

namespace {

// A processor device that refuses every allocation.
struct RefusingDevice final : tamble::device {
  tamble::device& cpu = *tamble::get_cpu_device();
  bool is_gpu() const override { return false; }
  int query_int(int what) const override { return cpu.query_int(what); }
  const char* name() const override { return "refusing"; }
  bool query_bool(int what) const override { return cpu.query_bool(what); }
  tamble::event& default_event() override { return cpu.default_event(); }
  void synchronize() override {}
  void flush() override {}
  void* allocate(std::size_t) override { return nullptr; }
  void free(void*) override {}
  void* allocate_pinned(std::size_t) override { return nullptr; }
  void free_pinned(void*) override {}
  void* allocate_managed(std::size_t) override { return nullptr; }
  void free_managed(void*) override {}
  void allocate_mirrored(std::size_t, void** host, void** dev) override { *host = *dev = nullptr; }
  void free_mirrored(void*, void*) override {}
  tamble::event& copy_async(void* d, const void* s, std::size_t n) override {
    return cpu.copy_async(d, s, n);
  }
  void* copy_to_device(void* d, const void* s, std::size_t n) override {
    return cpu.copy_to_device(d, s, n);
  }
  void* copy_to_host(void* d, const void* s, std::size_t n) override {
    return cpu.copy_to_host(d, s, n);
  }
  tamble::event& fill_bytes(void* d, int v, std::size_t n) override {
    return cpu.fill_bytes(d, v, n);
  }
  tamble::event& timer_start() override { return cpu.timer_start(); }
  tamble::event& timer_stop() override { return cpu.timer_stop(); }
  float elapsed_microseconds() const override { return 0.0f; }
};

TEST(Histogram, RefusedMemoryIsReportedAsSuchNotAsTooManyColours) {
  RefusingDevice refusing;
  std::vector<std::uint8_t> pixels(4 * 64, 200);
  EXPECT_THROW(build_histogram(&refusing, pixels.data(), 64, 1.0, 1000, 0, nullptr),
               std::bad_alloc);

  std::vector<WorkColor> img(64, WorkColor{1, 0.5, 0.4, 0.5});
  std::vector<double> noise(64, 0.0), edges(64, 0.0);
  EXPECT_THROW(compute_contrast_maps(&refusing, img.data(), 8, 8, noise.data(), edges.data()),
               std::bad_alloc);
  EXPECT_TRUE(std::all_of(noise.begin(), noise.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
