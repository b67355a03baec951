#include "engine/mixing_plan.h"

#include <algorithm>
#include <cmath>

#include "engine/engine_settings.h"
#include "engine/neighbour_lists.h"

namespace {
constexpr double kEpsilon = 0.008856451679035631;
constexpr double kKappa = 903.2962962962963;
constexpr double kNoPlanYet = 1e20;
constexpr std::size_t kWeights = kDutyEighths + 1;

inline double lab_f(double t) { return t <= kEpsilon ? (t * kKappa + 16.0) / 116.0 : std::cbrt(t); }

inline double lab_f_inverse(double f) {
  double cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

inline double mix_x(const LinearColor& m) { return 0.4124564 * m.r + 0.3575761 * m.g + 0.1804375 * m.b; }
inline double mix_y(const LinearColor& m) { return 0.2126729 * m.r + 0.7151522 * m.g + 0.072175 * m.b; }
inline double mix_z(const LinearColor& m) { return 0.0193339 * m.r + 0.119192 * m.g + 0.9503041 * m.b; }
inline double lightness_of(double fy) { return (116.0 * fy - 16.0) / 100.0; }

inline double eighths(std::uint32_t w) { return static_cast<double>(w) / 8.0; }

// The duty-cycle search for a plan of N members. The lower bounds only skip
// candidates whose full cost cannot be strictly below the best: every term of
// the colour difference is non-negative and rounded addition is monotonic.
template <std::uint32_t N>
void search_duty_cycle(const MixingPlan& plan, const WorkColor& pixel, PixelMix& mix,
                       const double* distance) {
  const LinearColor* rows[kMaxPlanMembers];
  for (std::uint32_t i = 0; i < N; ++i) rows[i] = plan.scaled.data() + mix.member[i] * kWeights;
  const double r = plan.restraint;
  const bool bounded = plan.chroma_weight >= 0.0 && plan.blend >= 0.0;
  double best = kNoPlanYet;
  std::uint32_t w[kMaxPlanMembers] = {kDutyEighths, 0, 0, 0};
  std::uint32_t kept[kMaxPlanMembers] = {kDutyEighths, 0, 0, 0};

  const std::uint32_t w1_end = N >= 2 ? kDutyEighths : 0;
  for (w[1] = 0; w[1] <= w1_end; ++w[1]) {
    const std::uint32_t w2_end = N >= 3 ? kDutyEighths - w[1] : 0;
    for (w[2] = 0; w[2] <= w2_end; ++w[2]) {
      const std::uint32_t w3_end = N >= 4 ? kDutyEighths - w[1] - w[2] : 0;
      for (w[3] = 0; w[3] <= w3_end; ++w[3]) {
        w[0] = kDutyEighths - w[1] - w[2] - w[3];
        double reach = 0.0;
        if (r > 0.0) {
          double sum = eighths(w[0]) * distance[0];
          for (std::uint32_t i = 1; i < N; ++i) sum += eighths(w[i]) * distance[i];
          reach = r * sum;
          if (bounded && reach >= best) continue;
        }
        LinearColor m = rows[0][w[0]];
        for (std::uint32_t i = 1; i < N; ++i) {
          const LinearColor& s = rows[i][w[i]];
          m.alpha += s.alpha;
          m.r += s.r;
          m.g += s.g;
          m.b += s.b;
        }
        double fy = lab_f(mix_y(m));
        double L = lightness_of(fy);
        if (bounded) {
          double da = pixel.alpha - m.alpha;
          double dl = pixel.L - L;
          double bound = 2.0 * (da * da) + dl * dl;
          if (r > 0.0) bound = bound + reach;
          if (bound >= best) continue;
        }
        double fx = lab_f(mix_x(m));
        double fz = lab_f(mix_z(m));
        WorkColor c{m.alpha, L, (500.0 * (fx - fy) + 134.0) / 354.0,
                    (200.0 * (fy - fz) + 140.0) / 262.0};
        double cost = color_difference(pixel, c, plan.chroma_weight, plan.blend);
        if (r > 0.0) cost = cost + reach;
        if (cost < best) {
          best = cost;
          std::copy(w, w + N, kept);
        }
      }
    }
  }
  std::copy(kept, kept + N, mix.duty);
}
}  // namespace

LinearColor work_to_linear(const WorkColor& c) {
  double fy = (100.0 * c.L + 16.0) / 116.0;
  double fx = fy + (354.0 * c.a - 134.0) / 500.0;
  double fz = fy - (262.0 * c.b - 140.0) / 200.0;
  double x = lab_f_inverse(fx), y = lab_f_inverse(fy), z = lab_f_inverse(fz);
  return LinearColor{c.alpha, 3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                     -0.969266 * x + 1.8760108 * y + 0.041556 * z,
                     0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
}

WorkColor linear_mix_to_work(const LinearColor& m) {
  double fx = lab_f(mix_x(m)), fy = lab_f(mix_y(m)), fz = lab_f(mix_z(m));
  return WorkColor{m.alpha, lightness_of(fy), (500.0 * (fx - fy) + 134.0) / 354.0,
                   (200.0 * (fy - fz) + 140.0) / 262.0};
}

MixingPlan build_mixing_plan(const Palette& palette, std::uint32_t neighbour_count,
                             std::uint32_t plan_colors, double restraint) {
  MixingPlan plan;
  if (plan_colors < 2 || plan_colors > kMaxPlanMembers) plan_colors = 3;
  plan.size = std::min(neighbour_count + 1, plan_colors);
  plan.restraint = restraint > 0.0 ? restraint : 0.0;
  plan.chroma_weight = g_engine.chroma_weight;
  plan.blend = g_engine.blend;
  plan.scaled.resize(static_cast<std::size_t>(palette.count()) * kWeights);
  plan.lightness.resize(palette.count());
  for (std::uint32_t e = 0; e < palette.count(); ++e) {
    const WorkColor& c = palette.entries[e].color;
    LinearColor lin = work_to_linear(c);
    for (std::uint32_t w = 0; w < kWeights; ++w) {
      double f = eighths(w);
      plan.scaled[e * kWeights + w] = LinearColor{f * lin.alpha, f * lin.r, f * lin.g, f * lin.b};
    }
    plan.lightness[e] = c.L;
  }
  return plan;
}

PixelMix plan_pixel_mix(const MixingPlan& plan, const Palette& palette, const WorkColor& pixel,
                        std::uint32_t nearest, const std::uint32_t* neighbours,
                        std::uint32_t neighbour_count) {
  PixelMix mix;
  neighbour_count = std::min(neighbour_count, kMaxNeighbours);
  mix.count = std::min(plan.size, neighbour_count + 1);
  mix.member[0] = nearest;
  mix.duty[0] = kDutyEighths;
  double distance[kMaxPlanMembers];
  distance[0] = color_difference(pixel, palette.entries[nearest].color, plan.chroma_weight, plan.blend);
  if (mix.count < 2) return mix;

  double to_neighbour[kMaxNeighbours];
  bool taken[kMaxNeighbours] = {};
  for (std::uint32_t j = 0; j < neighbour_count; ++j)
    to_neighbour[j] = color_difference(pixel, palette.entries[neighbours[j]].color,
                                       plan.chroma_weight, plan.blend);
  for (std::uint32_t l = 1; l < mix.count; ++l) {
    std::uint32_t pick = neighbour_count;
    for (std::uint32_t j = 0; j < neighbour_count; ++j)
      if (!taken[j] && (pick == neighbour_count || to_neighbour[j] < to_neighbour[pick])) pick = j;
    taken[pick] = true;
    mix.member[l] = neighbours[pick];
    distance[l] = to_neighbour[pick];
  }

  switch (mix.count) {
    case 2: search_duty_cycle<2>(plan, pixel, mix, distance); break;
    case 3: search_duty_cycle<3>(plan, pixel, mix, distance); break;
    default: search_duty_cycle<4>(plan, pixel, mix, distance); break;
  }
  return mix;
}

std::uint32_t pick_mix_member(const MixingPlan& plan, const PixelMix& mix, double level,
                              double threshold) {
  double v = level < 1.0 ? level : 1.0;
  // Dark members first, so the low thresholds of the tile fall on them.
  std::uint32_t order[kMaxPlanMembers] = {0, 1, 2, 3};
  for (std::uint32_t i = 1; i < mix.count; ++i) {
    std::uint32_t moving = order[i];
    std::uint32_t at = i;
    while (at > 0 && plan.lightness[mix.member[moving]] < plan.lightness[mix.member[order[at - 1]]]) {
      order[at] = order[at - 1];
      --at;
    }
    order[at] = moving;
  }
  double covered = 0.0;
  for (std::uint32_t i = 0; i < mix.count; ++i) {
    std::uint32_t m = order[i];
    double share = m == 0 ? 1.0 - (1.0 - eighths(mix.duty[0])) * v : eighths(mix.duty[m]) * v;
    covered += share;
    if (threshold < covered) return mix.member[m];
  }
  return mix.member[order[mix.count - 1]];
}
