#pragma once
// Histograms built by hand for the median-cut tests.
#include <cstdint>
#include <random>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "tamble/device.h"

inline HistogramItem make_item(const WorkColor& c, double weight, std::uint32_t index) {
  HistogramItem it{};
  it.color = c;
  it.cut_weight = weight;
  it.pixel_weight = weight;
  it.source_index = index;
  return it;
}

inline Histogram make_histogram(const std::vector<HistogramItem>& items) {
  Histogram h;
  h.items = tamble::array<HistogramItem>(tamble::get_cpu_device(), items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    h.items[i] = items[i];
    h.total_weight += items[i].pixel_weight;
  }
  h.count = static_cast<std::uint32_t>(items.size());
  return h;
}

// Colours spread over the working space with a few clusters, weights 0.5..3.
inline std::vector<HistogramItem> random_items(std::size_t n, std::uint32_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<HistogramItem> items;
  items.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    double alpha = unit(rng) < 0.1 ? unit(rng) : 1.0;
    WorkColor c{alpha, unit(rng) * alpha, 0.2 + 0.4 * unit(rng), 0.3 + 0.5 * unit(rng)};
    if (i % 3 == 0) c.L = 0.5 + 0.05 * unit(rng);  // a dense cluster
    items.push_back(make_item(c, 0.5 + 2.5 * unit(rng), static_cast<std::uint32_t>(i)));
  }
  return items;
}
