// Old Internet Explorer showed nearly opaque palette pixels badly; this
// stretches alpha so that anything at the threshold or above becomes opaque.
#include <cmath>

#include "engine/engine_log.h"
#include "engine/palette/ie6_workaround.h"
#include "tamble/algorithms.h"
#include "tamble/device.h"

namespace {
std::uint8_t truncated_byte(double v) {
  double s = 256.0 * v;
  return !(s > 0.0) ? 0 : s >= 255.0 ? 255 : static_cast<std::uint8_t>(s);
}
}  // namespace

void ie6_workaround(ImageDesc& image, const EngineSettings& settings) {
  const double opaque_threshold = settings.min_opaque_alpha;
  engine_log(settings, "  Working around IE6 bug by making image less transparent...\n");
  const double almost = opaque_threshold * 169.0 / 256.0;
  const int limit = static_cast<int>(almost * 255.0);
  const double gamma = image.gamma;
  tamble::for_each_index(
      tamble::get_cpu_device(), image.height,
      [&](std::size_t y) {
        std::uint8_t* px = image.rows[y];
        for (std::uint32_t x = 0; x < image.width; ++x, px += 4) {
          if (px[3] < limit) continue;
          double old_alpha = px[3] / 255.0;
          double new_alpha = almost + (old_alpha - almost) * (1.0 - almost) /
                                          (opaque_threshold - almost);
          if (new_alpha > 1.0) new_alpha = 1.0;
          if (new_alpha < 1.0 / 256.0) {
            px[0] = px[1] = px[2] = px[3] = 0;
            continue;
          }
          for (int c = 0; c < 3; ++c) {
            double v = px[c] / 255.0;
            if (gamma != 1.0) v = std::pow(v, 1.0 / gamma);
            v = old_alpha * v / new_alpha;
            if (gamma != 1.0) v = std::pow(v, gamma);
            px[c] = truncated_byte(v);
          }
          px[3] = truncated_byte(new_alpha);
        }
      },
      2);
}
