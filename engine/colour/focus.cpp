#include "engine/colour/focus.h"
#include "tamble/algorithms.h"

void apply_focus(tamble::device* dev, double* importance, std::size_t pixel_count,
                 const std::uint8_t* focus_map, double focus_weight) {
  if (!focus_map || focus_weight == 1.0) return;
  const double extra = focus_weight - 1.0;
  // Scales the histogram weight importance + 0.5 by 1 at focus 0 up to
  // focus_weight at 255.
  tamble::tabulate(dev, importance, pixel_count, [&](std::size_t i) {
    return (focus_map[i] / 255.0 * extra + 1.0) * (importance[i] + 0.5) - 0.5;
  });
}
