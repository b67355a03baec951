// Placeholder until the histogram module lands: serial histogram, flat maps.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/histogram.h"

void compute_contrast_maps(tamble::device*, const WorkColor*, std::uint32_t, std::uint32_t, double*,
                           double*) {}

void apply_focus(tamble::device*, double* importance, std::size_t n, const std::uint8_t* focus,
                 double weight) {
  for (std::size_t i = 0; i < n; ++i)
    importance[i] = (focus[i] / 255.0 * (weight - 1) + 1) * (importance[i] + 0.5) - 0.5;
}

std::unique_ptr<Histogram> build_histogram(tamble::device* dev, const std::uint8_t* pixels,
                                           std::size_t n, double gamma, std::uint32_t max_colors,
                                           unsigned s, const double* importance) {
  std::uint32_t m = ((255u >> s) << s) * 0x01010101u, t = (255u - (255u >> s)) * 0x01010101u;
  std::vector<std::pair<std::uint32_t, double>> kv(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* p = pixels + 4 * i;
    std::uint32_t px = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
    std::uint32_t key = p[3] == 0 ? 0 : (px & m) | ((px & t) >> (8 - s));
    if (s == 0) key = p[3] == 0 ? 0 : px;
    kv[i] = {key, importance ? importance[i] + 0.5 : 1.0};
  }
  std::stable_sort(kv.begin(), kv.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::pair<std::uint32_t, double>> runs;
  for (auto& e : kv) {
    if (!runs.empty() && runs.back().first == e.first) runs.back().second += e.second;
    else runs.push_back(e);
  }
  if (runs.size() > max_colors) return nullptr;
  auto h = std::make_unique<Histogram>();
  h->count = static_cast<std::uint32_t>(runs.size());
  h->items = tamble::array<HistogramItem>(dev, runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) {
    std::uint32_t k = runs[i].first;
    double a = (k >> 24) / 255.0;
    double c[3];
    for (int j = 0; j < 3; ++j) {
      c[j] = ((k >> (8 * j)) & 255) / 255.0;
      if (gamma != 1.0) c[j] = std::pow(c[j], 1.0 / gamma);
    }
    h->items[i] = HistogramItem{{a, a * c[0], a * c[1], a * c[2]}, runs[i].second, runs[i].second,
                                0, 0, static_cast<std::uint32_t>(i), 0};
    h->total_weight += runs[i].second;
  }
  return h;
}

void histogram_to_work_colors(tamble::device*, Histogram& hist) {
  for (std::uint32_t i = 0; i < hist.count; ++i) {
    WorkColor& c = hist.items[i].color;
    c = linear_to_work_color(c.alpha, c.L, c.a, c.b);
  }
}
