#include "engine/palette/fewest_colours.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/engine_cache.h"
#include "engine/palette/kmeans.h"
#include "engine/palette/palette_search.h"
#include "engine/run_stats.h"
#include "engine/speed_budget.h"

namespace {

// Probes after the ordinary search, and the k-means iterations that judge each.
// A probe costs about a third of a whole run at the default speed, most of it
// median cut; two keep a run with a target within twice the time of one without.
constexpr int kMaxProbes = 2;
constexpr int kProbeIterations = 2;
// How the palette error falls with the colour count n on photographs, about
// n^-0.6; only the first guess uses it, later ones interpolate measurements.
constexpr double kErrorExponent = 0.6;
// Guesses aim a little below the target: a probe that just misses is wasted,
// one that just reaches costs a few colours.
constexpr double kAimBelowTarget = 0.95;

struct Trial {
  Palette palette;
  double error = -1.0;
};

Trial probe(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
            std::uint32_t colours) {
  if (!restore_cached_histogram(hist)) restore_build_order(dev, hist);
  EngineSettings s = settings;
  s.colors = colours;
  s.target_mse = 0.0;
  Trial t;
  t.palette = palette_search(dev, hist, s, t.error);
  t.error = kmeans_refine(dev, hist, t.palette, s, kProbeIterations);
  ++g_run_stats.colour_count_probes;
  return t;
}

// The count between `lo` (misses the target; error unknown when not above it)
// and `hi` (reaches it) where the error should meet the target: straight in
// log(count) against log(error) between two measurements, else along the
// usual fall from the one at `hi`. Kept an eighth of the way in from either
// end so the bracket always shrinks.
std::uint32_t next_count(std::uint32_t lo, double lo_error, std::uint32_t hi, double hi_error,
                         double target) {
  target *= kAimBelowTarget;
  double n = 0.5 * (lo + hi);
  if (hi_error > 0.0 && lo_error > target && lo >= 1) {
    double f = (std::log(lo_error) - std::log(target)) / (std::log(lo_error) - std::log(hi_error));
    n = std::exp(std::log(lo) + f * (std::log(hi) - std::log(lo)));
  } else if (hi_error > 0.0) {
    n = hi * std::pow(hi_error / target, 1.0 / kErrorExponent);
  }
  const double margin = std::max(1.0, std::floor((hi - lo) / 8.0));
  return static_cast<std::uint32_t>(std::clamp(std::round(n), lo + margin, hi - margin));
}

// Close enough: within about 3% of the colours, one colour for small palettes.
bool settled(std::uint32_t lo, std::uint32_t hi) { return hi <= lo + 1 + hi / 32; }

}  // namespace

bool searches_colour_count(const EngineSettings& settings) {
  return settings.target_mse > 0.0 && !feedback_repeats(settings.speed) &&
         settings.pins.size() < settings.colors;
}

double search_fewest_colours(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                             Palette& palette) {
  const double target = settings.target_mse;
  const std::uint32_t most = settings.colors;
  const auto fewest =
      std::max<std::uint32_t>(2, static_cast<std::uint32_t>(settings.pins.size()) + 1);
  const double first_error = kmeans_refine(dev, hist, palette, settings, kProbeIterations);
  Trial best{std::move(palette), first_error};
  // Below `lo` every count is taken to miss; `hi` is the fewest known to reach (0: none).
  std::uint32_t lo = fewest - 1, hi = 0;
  double lo_error = -1.0, hi_error = -1.0;
  const std::uint32_t first = best.palette.count();
  if (best.error <= target) {
    hi = first;
    hi_error = best.error;
  } else if (first < most) {
    lo = first;
    lo_error = best.error;
    Trial all = probe(dev, hist, settings, most);
    if (all.error <= target) {
      hi = most;
      hi_error = all.error;
    }
    if (all.error <= target || all.error < best.error) best = std::move(all);
  }
  for (int probes = 0; hi != 0 && !settled(lo, hi) && probes < kMaxProbes; ++probes) {
    std::uint32_t n = next_count(lo, lo_error, hi, hi_error, target);
    Trial t = probe(dev, hist, settings, n);
    if (t.error <= target) {
      hi = std::min(n, t.palette.count());
      hi_error = t.error;
      best = std::move(t);
    } else {
      lo = n;
      lo_error = t.error;
    }
  }
  palette = std::move(best.palette);
  // The probe's own iterations count towards the budget of the speed.
  return kmeans_refine(dev, hist, palette, settings,
                       std::max(1, kmeans_budget(settings.speed) - kProbeIterations));
}
