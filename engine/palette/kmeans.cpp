// One k-means iteration over the histogram, and the refinement loop built on it.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/engine_log.h"
#include "engine/run_stats.h"
#include "engine/nearest/nearest.h"
#include "engine/palette/kmeans.h"
#include "engine/speed_budget.h"
#include "engine/unbounded.h"
#include "tamble/algorithms.h"
#include "tamble/bucket_fold.h"

namespace {

constexpr std::size_t kSearchBlock = 256;
constexpr std::uint32_t kAccumulateChunk = 4096;
constexpr std::size_t kErrorBlock = 65536;

struct Accumulator {
  double alpha = 0, L = 0, a = 0, b = 0, weight = 0;
};

Accumulator add(const Accumulator& x, const Accumulator& y) {
  return {x.alpha + y.alpha, x.L + y.L, x.a + y.a, x.b + y.b, x.weight + y.weight};
}

// Item colours and weights by source_index, so results do not depend on the
// order median cut leaves the items in.
void build_lookups(Histogram& hist) {
  if (hist.lookup_colors.size() == hist.count && hist.lookup_weights.size() == hist.count) return;
  hist.lookup_colors.resize(hist.count);
  hist.lookup_weights.resize(hist.count);
  for (std::uint32_t i = 0; i < hist.count; ++i) {
    const HistogramItem& item = hist.items[i];
    hist.lookup_colors[item.source_index] = item.color;
    hist.lookup_weights[item.source_index] = item.pixel_weight;
  }
}

// Runs body(first, last) over blocks of 256 items, in parallel when there is
// more than one block.
template <class Body>
void for_each_block(tamble::device* dev, std::size_t count, Body body) {
  std::size_t blocks = (count + kSearchBlock - 1) / kSearchBlock;
  tamble::for_each_index(
      dev, blocks,
      [&](std::size_t blk) {
        std::size_t first = blk * kSearchBlock;
        std::size_t last = first + kSearchBlock < count ? first + kSearchBlock : count;
        body(first, last);
      },
      2);
}


// One iteration. `nearest` holds each item's nearest entry by source_index;
// when `guided` it already holds the previous iteration's answer, which seeds
// the search when the sorted block around the item cannot settle it. The
// search is exact with a fixed tie-break, so the seed changes only how soon it
// ends, never the answer.
double kmeans_pass(tamble::device* dev, Histogram& hist, Palette& palette,
                   const EngineSettings& settings, bool reweight,
                   std::vector<std::uint32_t>& nearest, bool guided) {
  const double opaque_threshold = settings.min_opaque_alpha;
  ++g_run_stats.kmeans_iterations;
  const std::uint32_t count = hist.count;
  if (count == 0 || palette.count() == 0) return 0.0;
  build_lookups(hist);

  nearest.resize(count);
  std::vector<double> difference(count);
  nearest_index index(dev, palette, opaque_threshold, settings.metric());
  HistogramItem* items = hist.items.data();
  for_each_block(dev, count, [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
      const std::uint32_t s = items[i].source_index;
      const NearestMatch m =
          guided ? index.find_near(items[i].color, nearest[s]) : find_nearest(index, items[i].color);
      nearest[s] = static_cast<std::uint32_t>(m.index);
      difference[s] = m.distance;
    }
  });

  const WorkColor* colors = hist.lookup_colors.data();
  const double* weights = hist.lookup_weights.data();
  std::vector<Accumulator> sums(palette.count());
  tamble::fold_by_bucket(
      dev, nearest.data(), count, palette.count(), kAccumulateChunk, Accumulator{},
      [&](Accumulator& acc, std::size_t s) {
        const double w = weights[s];
        acc.alpha += colors[s].alpha * w;
        acc.L += colors[s].L * w;
        acc.a += colors[s].a * w;
        acc.b += colors[s].b * w;
        acc.weight += w;
      },
      add, sums.data());

  double weighted = tamble::blocked_reduce(
      dev, count, kErrorBlock, 0.0,
      [&](std::size_t first, std::size_t last) {
        double s = 0.0;
        for (std::size_t i = first; i < last; ++i) s += difference[i] * weights[i];
        return s;
      },
      [](double x, double y) { return x + y; });
  double error = hist.total_weight > 0.0 ? weighted / hist.total_weight : 0.0;

  if (reweight) {
    // Badly served colours gain weight for the next median cut.
    for_each_block(dev, count, [&](std::size_t first, std::size_t last) {
      for (std::size_t i = first; i < last; ++i) {
        HistogramItem& item = items[i];
        float root = std::sqrt(static_cast<float>(1.0 + difference[item.source_index]));
        item.cut_weight = (item.pixel_weight + item.cut_weight) * static_cast<double>(root);
      }
    });
  }

  for (std::uint32_t e = 0; e < palette.count(); ++e) {
    PaletteEntry& entry = palette.entries[e];
    const Accumulator& acc = sums[e];
    if (acc.weight != 0.0 && !entry.fixed) {
      entry.color = {acc.alpha / acc.weight, acc.L / acc.weight, acc.a / acc.weight,
                     acc.b / acc.weight};
    }
    entry.popularity = acc.weight;
  }
  return error;
}

}  // namespace

double kmeans_iteration(tamble::device* dev, Histogram& hist, Palette& palette,
                        const EngineSettings& settings, bool reweight) {
  std::vector<std::uint32_t> nearest;
  return kmeans_pass(dev, hist, palette, settings, reweight, nearest, false);
}

double kmeans_refine(tamble::device* dev, Histogram& hist, Palette& palette,
                     const EngineSettings& settings, int most_iterations) {
  engine_log(settings, "  moving colormap towards local minimum\n");
  const std::uint32_t speed = settings.speed;
  const double mse_limit = settings.mse_limit;
  int budget = kmeans_budget(speed);
  double min_change = kmeans_min_change(speed);
  double previous = kUnbounded;
  double error = 0.0;
  std::vector<std::uint32_t> nearest;
  for (int done = 0;;) {
    error = kmeans_pass(dev, hist, palette, settings, false, nearest, done > 0);
    if (std::fabs(previous - error) < min_change) break;
    if (error > 1.5 * mse_limit) {
      if (error > 3.0 * mse_limit) break;
      ++budget;
    }
    if (++done >= budget || done >= most_iterations) break;
    previous = error;
  }
  return error;
}
