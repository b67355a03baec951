// The feedback loop around median cut: each trial's palette is measured by a
// k-means iteration that also shifts weight towards badly served colours.
#include <algorithm>
#include <cmath>

#include "engine/engine_log.h"
#include "engine/run_stats.h"
#include "engine/palette/median_cut.h"
#include "engine/palette/palette_search.h"
#include "engine/palette/kmeans.h"
#include "engine/speed_budget.h"

namespace {
// Lower bound of the error scale handed to median cut.
const double kScaleFloor = 1.1 / std::pow(235.0, 1.2) * 75.1 / 100.0;
// Error scale before any palette has been measured.
const double kFirstScale = 1.1 / std::pow(211.0, 1.2) * 99.1 / 100.0;
}  // namespace

Palette palette_search(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                       double& error) {
  const std::uint32_t speed = settings.speed;
  const double error_target = settings.target_mse;
  int trials = feedback_trials(speed);
  const double percent = std::max(trials, 1) / 100.0;
  double overshoot = trials > 0 ? 1.05 : 1.0;
  std::uint32_t request = settings.colors;
  Palette best;
  bool have_best = false;
  double least_error = 0.0;

  for (;;) {
    engine_log(settings, "  selecting colors");
    double scale = have_best && least_error >= 0.0 ? least_error : kFirstScale;
    Palette candidate =
        median_cut(dev, hist, settings, request, error_target * overshoot,
                   std::max(std::max(error_target, scale) * 1.25, kScaleFloor));
    if (trials <= 0) {
      engine_log(settings, "\n");
      return candidate;
    }
    engine_log(settings, "...");
    ++g_run_stats.feedback_trials;
    bool reweight = have_best || error_target <= 0.0;
    double g = kmeans_iteration(dev, hist, candidate, settings, reweight);
    bool accept = !have_best || g < least_error ||
                  (error_target >= g && candidate.count() < request);
    if (accept) {
      if (error_target > g && g > 0.0) overshoot = std::min(overshoot * 1.25, error_target / g);
      least_error = g;
      request = std::min(candidate.count() + 1, request);
      --trials;
      best = std::move(candidate);
      have_best = true;
    } else {
      overshoot = 1.0;
      trials -= g > 4.0 * least_error ? 9 : 6;
    }
    engine_log(settings, "%d%%\n", 100 - std::max(0, static_cast<int>(trials / percent)));
    if (!feedback_repeats(speed) || trials <= 0) break;
  }
  error = least_error;
  return best;
}
