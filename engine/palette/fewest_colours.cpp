#include "engine/palette/fewest_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/palette/kmeans.h"
#include "engine/palette/palette_search.h"
#include "engine/run_stats.h"
#include "engine/speed_budget.h"

namespace {

// Probes after the ordinary search; each costs about one search and refinement.
constexpr int kMaxProbes = 6;

struct Trial {
  Palette palette;
  double error = -1.0;
};

Trial probe(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
            std::uint32_t colours) {
  restore_build_order(dev, hist);
  EngineSettings s = settings;
  s.colors = colours;
  s.target_mse = 0.0;
  Trial t;
  t.palette = palette_search(dev, hist, s, t.error);
  t.error = kmeans_refine(dev, hist, t.palette, s);
  ++g_run_stats.colour_count_probes;
  return t;
}

// The count between `lo` (misses the target) and `hi` (reaches it) where the
// error is expected to meet the target: straight in log(count) against
// log(error), or halfway in log(count) when an end has no usable error. Kept
// an eighth of the way in from either end so the bracket always shrinks.
std::uint32_t next_count(std::uint32_t lo, double lo_error, std::uint32_t hi, double hi_error,
                         double target) {
  const double log_lo = std::log(std::max<double>(lo, 1.0)), log_hi = std::log(hi);
  double x = 0.5 * (log_lo + log_hi);
  if (lo_error > target && hi_error > 0.0 && lo >= 1) {
    double f = (std::log(lo_error) - std::log(target)) / (std::log(lo_error) - std::log(hi_error));
    x = log_lo + f * (log_hi - log_lo);
  }
  const double step = (hi - lo) / 8.0;
  double n = std::clamp(std::round(std::exp(x)), lo + std::max(1.0, std::floor(step)),
                        hi - std::max(1.0, std::floor(step)));
  return static_cast<std::uint32_t>(n);
}

}  // namespace

bool searches_colour_count(const EngineSettings& settings) {
  return settings.target_mse > 0.0 && !feedback_repeats(settings.speed) &&
         settings.pins.size() < settings.colors;
}

void search_fewest_colours(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                           Palette& palette, double& error) {
  const double target = settings.target_mse;
  const std::uint32_t most = settings.colors;
  const auto fewest =
      std::max<std::uint32_t>(2, static_cast<std::uint32_t>(settings.pins.size()) + 1);
  // Below `lo` every count is taken to miss; `hi` is the fewest known to reach (0: none).
  std::uint32_t lo = fewest - 1, hi = 0;
  double lo_error = -1.0, hi_error = -1.0;
  const std::uint32_t first = palette.count();
  if (error <= target) {
    hi = first;
    hi_error = error;
  } else {
    if (first >= most) return;
    lo = first;
    lo_error = error;
    Trial all = probe(dev, hist, settings, most);
    if (all.error > target) {
      if (all.error < error) {
        palette = std::move(all.palette);
        error = all.error;
      }
      return;
    }
    hi = most;
    hi_error = all.error;
    palette = std::move(all.palette);
    error = all.error;
  }
  for (int probes = 0; hi > lo + 1 && probes < kMaxProbes; ++probes) {
    std::uint32_t n = next_count(lo, lo_error, hi, hi_error, target);
    Trial t = probe(dev, hist, settings, n);
    if (t.error <= target) {
      hi = std::min(n, t.palette.count());
      hi_error = t.error;
      palette = std::move(t.palette);
      error = t.error;
    } else {
      lo = n;
      lo_error = t.error;
    }
  }
}
