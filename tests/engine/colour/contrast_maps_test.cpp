#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/colour/histogram.h"
#include "engine/colour/contrast_kernels.h"
#include "engine/colour/contrast_maps.h"
#include "engine/colour/focus.h"
#include "engine/colour/working_image.h"
#include "tamble/algorithms.h"
#include "tamble/runtime.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }

std::vector<std::uint8_t> random_pixels(std::size_t n, std::uint32_t seed) {
  std::vector<std::uint8_t> p(4 * n);
  for (std::size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    // Smooth ramps with some noise and a few translucent areas.
    p[4 * i] = std::uint8_t((i * 3 + (seed >> 28)) & 255);
    p[4 * i + 1] = std::uint8_t((i / 7) & 255);
    p[4 * i + 2] = std::uint8_t(seed >> 24);
    p[4 * i + 3] = (i / 50) % 5 == 0 ? std::uint8_t(seed >> 16) : 255;
  }
  return p;
}

// Straightforward versions: clamped reads, whole windows summed afresh.
double at(const std::vector<double>& v, int w, int h, int x, int y) {
  x = std::clamp(x, 0, w - 1);
  y = std::clamp(y, 0, h - 1);
  return v[std::size_t(y) * w + x];
}

template <class Pick>
std::vector<double> reference_cross(const std::vector<double>& v, int w, int h, Pick pick) {
  std::vector<double> out(v.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out[std::size_t(y) * w + x] =
          pick({at(v, w, h, x, y), at(v, w, h, x - 1, y), at(v, w, h, x + 1, y),
                at(v, w, h, x, y - 1), at(v, w, h, x, y + 1)});
  return out;
}
std::vector<double> reference_max(const std::vector<double>& v, int w, int h) {
  return reference_cross(v, w, h, [](std::initializer_list<double> l) { return std::max(l); });
}
std::vector<double> reference_min(const std::vector<double>& v, int w, int h) {
  return reference_cross(v, w, h, [](std::initializer_list<double> l) { return std::min(l); });
}

// The box blur as the running sums it is defined by, along rows and then
// down columns, so every bit must match.
std::vector<double> reference_blur(const std::vector<double>& v, int w, int h) {
  auto run = [](auto get, auto put, int n) {
    double sum = 3 * get(0);
    for (int i = 0; i < 3; ++i) sum += get(i);
    for (int x = 0; x < n; ++x) {
      sum = sum + get(std::min(x + 3, n - 1)) - get(std::max(x - 3, 0));
      put(x, sum / 6);
    }
  };
  std::vector<double> rows(v.size()), out(v.size());
  for (int y = 0; y < h; ++y)
    run([&](int x) { return v[std::size_t(y) * w + x]; },
        [&](int x, double s) { rows[std::size_t(y) * w + x] = s; }, w);
  for (int x = 0; x < w; ++x)
    run([&](int y) { return rows[std::size_t(y) * w + x]; },
        [&](int y, double s) { out[std::size_t(y) * w + x] = s; }, h);
  return out;
}

// The whole map computation written out plainly.
void reference_maps(const std::vector<WorkColor>& img, int w, int h, std::vector<double>& noise,
                    std::vector<double>& edges) {
  auto px = [&](int x, int y) {
    return img[std::size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)];
  };
  auto second = [](const WorkColor& p, const WorkColor& c, const WorkColor& n) {
    return std::max({std::fabs(p.alpha + n.alpha - 2 * c.alpha), std::fabs(p.L + n.L - 2 * c.L),
                     std::fabs(p.a + n.a - 2 * c.a), std::fabs(p.b + n.b - 2 * c.b)});
  };
  noise.assign(img.size(), 0);
  edges.assign(img.size(), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double hz = second(px(x - 1, y), px(x, y), px(x + 1, y));
      double vt = second(px(x, y - 1), px(x, y), px(x, y + 1));
      double edge = std::max(hz, vt);
      double z = std::max(0.0, 1 - std::max(std::min(hz, vt), edge - 0.5 * std::fabs(hz - vt)));
      noise[std::size_t(y) * w + x] = z * z * (z * z);
      edges[std::size_t(y) * w + x] = std::max(0.0, 1 - edge);
    }
  noise = reference_max(reference_max(noise, w, h), w, h);
  if (w >= 7 && h >= 7) noise = reference_blur(noise, w, h);
  noise = reference_max(noise, w, h);
  for (int i = 0; i < 3; ++i) noise = reference_min(noise, w, h);
  edges = reference_max(reference_min(edges, w, h), w, h);
  for (std::size_t i = 0; i < edges.size(); ++i) edges[i] = std::min(noise[i], edges[i]);
}

// Sizes without the blur, with one band and strip, and with several of each
// (the pool's thread count sets how many).
TEST(ContrastMaps, FollowTheFilterSequenceBitForBit) {
  tamble::configure_runtime(3);
  for (auto [w, h] : {std::pair{4, 4}, {6, 9}, {9, 5}, {23, 17}, {300, 220}, {70, 600}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    std::size_t n = std::size_t(w) * h;
    auto pixels = random_pixels(n, w + h);
    std::vector<WorkColor> img(n);
    convert_working_image(cpu(), pixels.data(), n, kDefaultGamma, img.data());
    std::vector<double> noise(n), edges(n), want_noise, want_edges;
    ASSERT_NO_THROW(compute_contrast_maps(cpu(), img.data(), w, h, noise.data(), edges.data()));
    reference_maps(img, w, h, want_noise, want_edges);
    EXPECT_EQ(std::memcmp(noise.data(), want_noise.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(edges.data(), want_edges.data(), n * sizeof(double)), 0);
    // Without an edge map the noise map is the same, and so are both maps of
    // the image as numbered colours.
    std::vector<double> noise_alone(n);
    compute_contrast_maps(cpu(), img.data(), w, h, noise_alone.data(), nullptr);
    EXPECT_EQ(std::memcmp(noise_alone.data(), noise.data(), n * sizeof(double)), 0);
    // The edge map made over the noise map alone, afterwards, is the same too.
    edges_over_noise_map(cpu(), WorkImage{img.data(), std::uint32_t(w), std::uint32_t(h)},
                         noise_alone.data());
    EXPECT_EQ(std::memcmp(noise_alone.data(), edges.data(), n * sizeof(double)), 0);
    NumberedColours numbered;
    ASSERT_TRUE(number_colours(cpu(), pixels.data(), n, kDefaultGamma, n, numbered));
    std::vector<double> numbered_noise(n), numbered_edges(n);
    compute_contrast_maps(cpu(),
                          WorkImage{numbered.colors.data(), std::uint32_t(w), std::uint32_t(h),
                                    numbered.ids.data(), numbered.colors.size()},
                          numbered_noise.data(), numbered_edges.data());
    EXPECT_EQ(std::memcmp(numbered_noise.data(), noise.data(), n * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(numbered_edges.data(), edges.data(), n * sizeof(double)), 0);
    edges_over_noise_map(cpu(),
                         WorkImage{numbered.colors.data(), std::uint32_t(w), std::uint32_t(h),
                                   numbered.ids.data(), numbered.colors.size()},
                         numbered_noise.data());
    EXPECT_EQ(std::memcmp(numbered_noise.data(), edges.data(), n * sizeof(double)), 0);
    // The noise map made in chunks of rows, each chunk handed on in order,
    // with the whole edge map beside it or without.
    for (std::size_t chunk_rows : {std::size_t{1}, std::size_t{5}, std::size_t{16}, std::size_t{0}}) {
      std::vector<double> streamed(n, -1.0), streamed_edges(n, -1.0);
      const bool with_edges = chunk_rows % 2 == 1;
      std::size_t next = 0;
      stream_noise_map(cpu(),
                       WorkImage{numbered.colors.data(), std::uint32_t(w), std::uint32_t(h),
                                 numbered.ids.data(), numbered.colors.size()},
                       [&](const double* rows, std::size_t first, std::size_t last) {
                         EXPECT_EQ(first, next);
                         next = last;
                         std::memcpy(&streamed[first * w], rows, (last - first) * w * sizeof(double));
                         // The chunk's edge rows are final when it is handed on.
                         if (with_edges)
                           EXPECT_EQ(std::memcmp(&streamed_edges[first * w], &edges[first * w],
                                                 (last - first) * w * sizeof(double)), 0) << first;
                       },
                       with_edges ? streamed_edges.data() : nullptr, chunk_rows);
      EXPECT_EQ(next, std::size_t(h));
      EXPECT_EQ(std::memcmp(streamed.data(), noise.data(), n * sizeof(double)), 0) << chunk_rows;
    }
  }
}

// Levels the processor lacks fall back to the base kernels.
TEST(ContrastKernels, EveryLevelGivesTheSameBits) {
  const ContrastKernels& base = contrast_kernels_for(0);
  const ContrastKernels& vector = contrast_kernels_for(2);
  std::uint32_t seed = 5;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1u << 22) - 1.0;  // some beyond 0..1, as checkers give
  };
  for (std::size_t w : {4, 5, 6, 7, 8, 9, 12, 67}) {
    std::vector<WorkColor> colours(3 * w);
    for (WorkColor& c : colours) c = WorkColor{next(), next(), next(), next()};
    const ColourRows p{colours.data(), colours.data() + w, colours.data() + 2 * w, w};
    std::vector<double> n0(w), e0(w), n1(w), e1(w), c0(w), c1(w);
    base.measure(p, n0.data(), e0.data());
    vector.measure(p, n1.data(), e1.data());
    EXPECT_EQ(std::memcmp(n0.data(), n1.data(), w * sizeof(double)), 0) << w;
    EXPECT_EQ(std::memcmp(e0.data(), e1.data(), w * sizeof(double)), 0) << w;
    vector.measure(p, n1.data(), nullptr);
    EXPECT_EQ(std::memcmp(n0.data(), n1.data(), w * sizeof(double)), 0) << w;
    // Cross filters read rows of plain values.
    const double* rows[3] = {&p.above[0].alpha, &p.row[0].alpha, &p.below[0].alpha};
    for (bool is_max : {true, false}) {
      base.cross_row(is_max, rows[0], rows[1], rows[2], w, c0.data());
      vector.cross_row(is_max, rows[0], rows[1], rows[2], w, c1.data());
      EXPECT_EQ(c0, c1) << w;
    }
  }
}

TEST(ContrastMaps, FlatImagesAreFullyImportantAndEdgeFree) {
  std::vector<WorkColor> img(20 * 10, WorkColor{1.0, 0.3, 0.4, 0.5});
  std::vector<double> noise(img.size()), edges(img.size());
  ASSERT_NO_THROW(compute_contrast_maps(cpu(), img.data(), 20, 10, noise.data(), edges.data()));
  for (std::size_t i = 0; i < img.size(); ++i) {
    EXPECT_NEAR(noise[i], 1.0, 1e-15);
    EXPECT_NEAR(edges[i], 1.0, 1e-15);
  }
}

// The busiest texture there is must not read as flat, and no map leaves 0..1.
TEST(ContrastMaps, FullContrastCheckerIsBusyNotFlat) {
  const int w = 16, h = 16;
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 4, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x + y) % 2) std::fill_n(&pixels[(std::size_t(y) * w + x) * 4], 3, std::uint8_t{0});
  std::vector<WorkColor> img(std::size_t(w) * h);
  convert_working_image(cpu(), pixels.data(), img.size(), kDefaultGamma, img.data());
  std::vector<double> noise(img.size()), edges(img.size());
  ASSERT_NO_THROW(compute_contrast_maps(cpu(), img.data(), w, h, noise.data(), edges.data()));
  for (std::size_t i = 0; i < img.size(); ++i) {
    EXPECT_GE(noise[i], 0.0);
    EXPECT_LT(noise[i], 0.1);
    EXPECT_GE(edges[i], 0.0);
    EXPECT_LE(edges[i], noise[i]);
  }
}

TEST(ContrastMaps, NarrowImagesKeepZeroMapsAndWeighHalf) {
  for (auto [w, h] : {std::pair{3, 50}, {50, 3}, {1, 1}}) {
    std::size_t n = std::size_t(w) * h;
    auto pixels = random_pixels(n, 5);
    std::vector<WorkColor> img(n);
    convert_working_image(cpu(), pixels.data(), n, kDefaultGamma, img.data());
    std::vector<double> noise(n, 0.0), edges(n, 0.0);
    ASSERT_NO_THROW(compute_contrast_maps(cpu(), img.data(), w, h, noise.data(), edges.data()));
    EXPECT_TRUE(std::all_of(noise.begin(), noise.end(), [](double v) { return v == 0.0; }));
    EXPECT_TRUE(std::all_of(edges.begin(), edges.end(), [](double v) { return v == 0.0; }));
    auto hist = build_histogram(cpu(), pixels.data(), n, kDefaultGamma, 1u << 20, 0, noise.data());
    ASSERT_TRUE(hist);
    EXPECT_DOUBLE_EQ(hist->total_weight, 0.5 * n);
  }
}

// Runs f with every algorithm inside it on the calling thread, as a nested loop does.
template <class F>
void run_serially(F f) {
  tamble::parallel_loop([](void* ctx, unsigned) { (*static_cast<F*>(ctx))(); }, &f, 0, 1, false);
}

TEST(ContrastMaps, PoolAndSerialRunsAgreeBitForBit) {
  tamble::configure_runtime(3);  // an odd count splits the work unevenly
  EXPECT_GE(tamble::thread_count(), 2u) << "the comparison needs a pool";
  const std::uint32_t w = 300, h = 220;
  const std::size_t n = std::size_t(w) * h;
  auto pixels = random_pixels(n, 77);
  auto run = [&](std::vector<WorkColor>& img, std::vector<double>& noise,
                 std::vector<double>& edges, std::vector<HistogramItem>& items, double& total) {
    img.assign(n, WorkColor{});
    noise.assign(n, 0.0);
    edges.assign(n, 0.0);
    convert_working_image(cpu(), pixels.data(), n, kDefaultGamma, img.data());
    compute_contrast_maps(cpu(), img.data(), w, h, noise.data(), edges.data());
    std::vector<std::uint8_t> focus(n);
    for (std::size_t i = 0; i < n; ++i) focus[i] = std::uint8_t(i * 13);
    apply_focus(cpu(), noise.data(), n, focus.data(), 7.0);
    auto hist = build_histogram(cpu(), pixels.data(), n, kDefaultGamma, 1u << 20, 1, noise.data());
    histogram_to_work_colors(cpu(), *hist);
    items.assign(hist->items.begin(), hist->items.end());
    total = hist->total_weight;
  };
  std::vector<WorkColor> img1, img2;
  std::vector<double> noise1, noise2, edges1, edges2;
  std::vector<HistogramItem> items1, items2;
  double total1 = 0, total2 = 0;
  run(img1, noise1, edges1, items1, total1);
  run_serially([&] { run(img2, noise2, edges2, items2, total2); });
  EXPECT_EQ(std::memcmp(img1.data(), img2.data(), n * sizeof(WorkColor)), 0);
  EXPECT_EQ(noise1, noise2);
  EXPECT_EQ(edges1, edges2);
  ASSERT_EQ(items1.size(), items2.size());
  EXPECT_EQ(std::memcmp(items1.data(), items2.data(), items1.size() * sizeof(HistogramItem)), 0);
  EXPECT_EQ(total1, total2);
}

}  // namespace
