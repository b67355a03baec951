#include "engine/dither/mixing_plan.h"

#include <algorithm>
#include <cmath>

#include "engine/dither/neighbour_lists.h"
#include "engine/dither/plan_screening.h"
#include "engine/unbounded.h"
#include "tamble/runtime.h"

namespace {
constexpr double kEpsilon = 0.008856451679035631;
constexpr double kKappa = 903.2962962962963;
constexpr double kNoPlanYet = kUnbounded;
constexpr std::size_t kWeights = kDutyEighths + 1;

inline double lab_f_inverse(double f) {
  double cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

inline double mix_x(const LinearColor& m) { return 0.4124564 * m.r + 0.3575761 * m.g + 0.1804375 * m.b; }
inline double mix_y(const LinearColor& m) { return 0.2126729 * m.r + 0.7151522 * m.g + 0.072175 * m.b; }
inline double mix_z(const LinearColor& m) { return 0.0193339 * m.r + 0.119192 * m.g + 0.9503041 * m.b; }

inline double eighths(std::uint32_t w) { return static_cast<double>(w) / 8.0; }

// Duty cycles of every plan size in the order the search must prefer them on
// equal costs: w1 outermost, then w2, then w3; w0 takes the rest.
struct DutyTable {
  std::uint32_t count = 0;
  std::uint8_t duty[kMaxPlanCandidates][kMaxPlanMembers] = {};
};

constexpr DutyTable make_duty_table(std::uint32_t n) {
  DutyTable t;
  for (std::uint32_t w1 = 0; w1 <= (n >= 2 ? 8u : 0u); ++w1)
    for (std::uint32_t w2 = 0; w2 <= (n >= 3 ? 8u - w1 : 0u); ++w2)
      for (std::uint32_t w3 = 0; w3 <= (n >= 4 ? 8u - w1 - w2 : 0u); ++w3) {
        std::uint8_t* d = t.duty[t.count++];
        d[0] = static_cast<std::uint8_t>(8 - w1 - w2 - w3);
        d[1] = static_cast<std::uint8_t>(w1);
        d[2] = static_cast<std::uint8_t>(w2);
        d[3] = static_cast<std::uint8_t>(w3);
      }
  return t;
}

constexpr DutyTable kDuties[3] = {make_duty_table(2), make_duty_table(3), make_duty_table(4)};

// Screening costs may be this far from the exact ones (the true error is
// orders of magnitude smaller); anything inside the margin is costed exactly.
inline double screening_margin(const MixingPlan& plan) { return 1e-9 * (1.0 + std::fabs(plan.chroma_weight)); }

struct PlanMembers {
  std::uint32_t n;
  const LinearColor* exact_rows[kMaxPlanMembers];
  const LinearColor* xyz_rows[kMaxPlanMembers];  // alpha, X, Y, Z
  double distance[kMaxPlanMembers];
};

// The cost exactly as defined: the mix summed member by member in linear
// light, converted back, colour difference plus restraint times the reach.
double exact_cost(const MixingPlan& plan, const WorkColor& pixel, const PlanMembers& m,
                  const std::uint8_t* w) {
  LinearColor mix = m.exact_rows[0][w[0]];
  for (std::uint32_t i = 1; i < m.n; ++i) {
    const LinearColor& s = m.exact_rows[i][w[i]];
    mix.alpha += s.alpha;
    mix.r += s.r;
    mix.g += s.g;
    mix.b += s.b;
  }
  double cost = color_difference(pixel, linear_mix_to_work(mix), plan.chroma_weight, plan.blend);
  if (plan.restraint > 0.0) {
    double sum = eighths(w[0]) * m.distance[0];
    for (std::uint32_t i = 1; i < m.n; ++i) sum += eighths(w[i]) * m.distance[i];
    cost = cost + plan.restraint * sum;
  }
  return cost;
}

// Every candidate's mix components for screening, in table order, padded
// with copies of the last one to a whole number of vector steps. The sums
// (X, Y, Z of each member, not the exact cost's linear R, G, B) only need to
// be within the screening margin.
template <std::uint32_t N>
void gather_candidates(const MixingPlan& plan, const PlanMembers& m, ScreeningBatch& batch) {
  const LinearColor* const* rows = m.xyz_rows;
  std::size_t c = 0;
  for (std::uint32_t w1 = 0; w1 <= 8; ++w1) {
    for (std::uint32_t w2 = 0; w2 <= (N >= 3 ? 8 - w1 : 0); ++w2) {
      for (std::uint32_t w3 = 0; w3 <= (N >= 4 ? 8 - w1 - w2 : 0); ++w3) {
        const std::uint32_t w[kMaxPlanMembers] = {8 - w1 - w2 - w3, w1, w2, w3};
        LinearColor s = rows[0][w[0]];
        double reach = eighths(w[0]) * m.distance[0];
        for (std::uint32_t i = 1; i < N; ++i) {
          const LinearColor& r = rows[i][w[i]];
          s.alpha += r.alpha;
          s.r += r.r;
          s.g += r.g;
          s.b += r.b;
          reach += eighths(w[i]) * m.distance[i];
        }
        batch.alpha[c] = s.alpha;
        batch.x[c] = s.r;
        batch.y[c] = s.g;
        batch.z[c] = s.b;
        batch.reach[c] = plan.restraint * reach;
        ++c;
      }
    }
  }
  batch.count = c;
  for (; c % kScreeningStep != 0; ++c) {
    batch.alpha[c] = batch.alpha[c - 1];
    batch.x[c] = batch.x[c - 1];
    batch.y[c] = batch.y[c - 1];
    batch.z[c] = batch.z[c - 1];
    batch.reach[c] = batch.reach[c - 1];
  }
}

// The duty cycle with the smallest exact cost, the first in table order on
// equal costs. A cheap screening pass finds the likely winner; only
// candidates whose screening cost lies within the margin of the winner's
// exact cost are costed exactly, which cannot change the outcome.
void search_duty_cycle(const MixingPlan& plan, const WorkColor& pixel, const PlanMembers& m,
                       std::uint32_t* duty) {
  const DutyTable& table = kDuties[m.n - 2];
  ScreeningBatch batch;
  switch (m.n) {
    case 2: gather_candidates<2>(plan, m, batch); break;
    case 3: gather_candidates<3>(plan, m, batch); break;
    default: gather_candidates<4>(plan, m, batch); break;
  }
  ScreeningPixel p{pixel.alpha, pixel.L, pixel.a, pixel.b, squared_chroma(pixel), plan.chroma_weight, plan.blend};
  double screened[kScreeningSlots];
  plan.screen(batch, p, screened);

  std::uint32_t likely = 0;
  for (std::uint32_t c = 1; c < table.count; ++c)
    if (screened[c] < screened[likely]) likely = c;
  const double margin = screening_margin(plan);
  const double ceiling = exact_cost(plan, pixel, m, table.duty[likely]);
  double best = kNoPlanYet;
  std::uint32_t kept = 0;
  for (std::uint32_t c = 0; c < table.count; ++c) {
    if (screened[c] - margin > ceiling) continue;
    double cost = c == likely ? ceiling : exact_cost(plan, pixel, m, table.duty[c]);
    if (cost < best) {
      best = cost;
      kept = c;
    }
  }
  for (std::uint32_t i = 0; i < m.n; ++i) duty[i] = table.duty[kept][i];
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

WorkColor linear_mix_to_work(const LinearColor& m) { return linear_to_work_color(m.alpha, m.r, m.g, m.b); }

MixingPlan build_mixing_plan(const Palette& palette, std::uint32_t neighbour_count,
                             std::uint32_t plan_colors, double restraint, const ColorMetric& metric) {
  MixingPlan plan;
  if (plan_colors < 2 || plan_colors > kMaxPlanMembers) plan_colors = 3;
  plan.size = std::min(neighbour_count + 1, plan_colors);
  plan.restraint = restraint > 0.0 ? restraint : 0.0;
  plan.chroma_weight = metric.chroma_weight;
  plan.blend = metric.blend;
  plan.screen = screening_kernel(tamble::effective_isa_level()).fn;
  plan.scaled.resize(static_cast<std::size_t>(palette.count()) * kWeights);
  plan.scaled_xyz.resize(plan.scaled.size());
  plan.lightness.resize(palette.count());
  for (std::uint32_t e = 0; e < palette.count(); ++e) {
    const WorkColor& c = palette.entries[e].color;
    LinearColor lin = work_to_linear(c);
    for (std::uint32_t w = 0; w < kWeights; ++w) {
      double f = eighths(w);
      plan.scaled[e * kWeights + w] = LinearColor{f * lin.alpha, f * lin.r, f * lin.g, f * lin.b};
      plan.scaled_xyz[e * kWeights + w] =
          LinearColor{f * lin.alpha, f * mix_x(lin), f * mix_y(lin), f * mix_z(lin)};
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
  PlanMembers m;
  m.distance[0] = color_difference(pixel, palette.entries[nearest].color, plan.chroma_weight, plan.blend);
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
    m.distance[l] = to_neighbour[pick];
  }

  m.n = mix.count;
  for (std::uint32_t i = 0; i < m.n; ++i) {
    m.exact_rows[i] = plan.scaled.data() + mix.member[i] * kWeights;
    m.xyz_rows[i] = plan.scaled_xyz.data() + mix.member[i] * kWeights;
  }
  search_duty_cycle(plan, pixel, m, mix.duty);
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
