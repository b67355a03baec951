#include "engine/palette/median_cut.h"

#include <algorithm>
#include <cmath>

#include "engine/palette/median_cut_run.h"
#include "tamble/algorithms.h"

namespace {

void append_pins(Palette& pal, const std::vector<WorkColor>& pins, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) pal.entries.push_back({pins[i], 0.0, true});
}

// One entry per box; each item's cut_weight grows with its distance to its
// box's colour, so the next cut leans towards colours this one served badly.
void finish_palette(CutRun& run, Palette& pal) {
  std::vector<ItemRange> ranges;
  for (std::uint32_t i = 0; i < run.used; ++i) ranges.push_back({run.boxes[i].first, run.boxes[i].count});
  std::vector<double> popularity = reduce_ranges(
      ranges, run.block, 0.0,
      [&](std::uint32_t r, std::size_t lo, std::size_t hi) {
        const WorkColor& c = run.boxes[r].color;
        double sum = 0.0;
        for (std::size_t i = lo; i < hi; ++i) {
          HistogramItem& it = run.items[i];
          sum += it.pixel_weight;
          double d = color_difference(c, it.color, run.chroma_weight, run.blend);
          it.cut_weight *= std::sqrt(1.0 + d / 2.0);
        }
        return sum;
      },
      [](double x, double y) { return x + y; });
  for (std::uint32_t i = 0; i < run.used; ++i)
    pal.entries.push_back({run.boxes[i].color, popularity[i], false});
}

}  // namespace

Palette median_cut(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                   std::uint32_t colours, double error_target, double error_scale) {
  Palette pal;
  const std::size_t pins = settings.pins.size();
  if (pins >= colours) {
    append_pins(pal, settings.pins, colours);
    return pal;
  }
  const auto target = static_cast<std::uint32_t>(colours - pins);
  const std::uint32_t count = std::min<std::uint32_t>(hist.count, static_cast<std::uint32_t>(hist.items.size()));
  if (count == 0 || hist.items.data() == nullptr) {
    append_pins(pal, settings.pins, pins);
    return pal;
  }

  CutRun run;
  run.dev = dev;
  run.items = hist.items.data();
  run.item_count = count;
  run.opaque_threshold = settings.min_opaque_alpha;
  run.chroma_weight = settings.chroma_weight;
  run.blend = settings.blend;
  run.rule = {settings.sum_pow, settings.max_error_pow, error_scale, target};
  run.error_limit = error_target * hist.total_weight;
  run.block = settings.mediancut_rounds ? kRoundsBlock : kSerialBlock;
  // More boxes than items can never be made.
  run.boxes.resize(std::min(target, count));

  tamble::transform_inplace(dev, run.items, count, [](HistogramItem it) {
    it.weight_root = std::sqrt(1.0 + it.cut_weight) - 1.0;
    return it;
  });
  run.boxes[0] = measure_boxes(run, {{0, count}})[0];
  run.used = 1;

  if (settings.mediancut_rounds)
    run_rounds(run);
  else
    run_serial_loop(run);

  finish_palette(run, pal);
  append_pins(pal, settings.pins, pins);
  return pal;
}
