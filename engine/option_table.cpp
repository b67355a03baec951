#include "engine/option_table.h"

#include <algorithm>
#include <cmath>

#include "engine/dither_kind.h"
#include "engine/palette_capacity.h"

namespace {

constexpr QuantizerOptions kBuiltIn{};

constexpr OptionChoice kDitherChoices[kDitherKindCount] = {
    {"none", "Off"},
    {"fs", "Floyd-Steinberg"},
    {"bayer", "Ordered (Bayer 8x8)"},
    {"blue", "Blue noise (64x64)"},
    {"plan", "Mixing plan (Bayer 8x8)"},
};

using K = OptionKind;
using E = EngineRule;
using S = OptionScale;
using Q = QuantizerOptions;

// Where the places keep different limits, on purpose:
// - The front ends keep chroma_weight, max_error_pow and focus_weight at 1 or
//   more, but the engine only replaces what is 0 or less: a weight between 0
//   and 1 is still a weight.
// - dither_floor and plan_colors outside their range fall back to the default
//   in the engine, while the front ends clamp: a stray value from a caller is
//   not a request for an extreme.
// - dither_strength is 0..2 on the command line and further lowered to what
//   the dithering allows once every option is read (the dithering may come
//   later on the line); the settings file limits it by the dithering read just
//   before it. The engine takes it as it is.
// - sum_pow below 0 gives the engine's default, 1, not the front ends' lower bound.
const OptionSpec kTable[kOptionCount] = {
    {OptionId::colors, &Q::colors, "colors", "--colors", "-c", K::integer, 2, kPaletteCapacity, kBuiltIn.colors,
     E::clamped, S::direct, "Colours", "%d", S::direct, {}},
    {OptionId::speed, &Q::speed, "speed", "--speed", "-s", K::integer, 1, 10, kBuiltIn.speed,
     E::clamped, S::direct, "Speed", "%d", S::direct, {}},
    {OptionId::dither, &Q::dither, "dither", "--dither", nullptr, K::choice, kDitherNone,
     kDitherMixingPlan, kBuiltIn.dither, E::refused_outside_range, S::direct, "Dithering", nullptr,
     S::direct, kDitherChoices},
    {OptionId::dither_strength, &Q::dither_strength, "dither_strength", "--strength", nullptr,
     K::real, 0, 2, kBuiltIn.dither_strength, E::passed, S::direct, "Strength", "%.2f", S::direct,
     {}},
    {OptionId::dither_damper, &Q::dither_damper, "dither_damper", "--damper", nullptr, K::real, 1,
     30, kBuiltIn.dither_damper, E::passed, S::direct, "Damper", "%.1f", S::direct, {}},
    {OptionId::dither_floor, &Q::dither_floor, "dither_floor", "--floor", nullptr, K::real, 0, 1,
     kBuiltIn.dither_floor, E::default_outside_range, S::direct, "Texture floor", "%.2f",
     S::direct, {}},
    {OptionId::plan_restraint, &Q::plan_restraint, "plan_restraint", "--plan-restraint", nullptr,
     K::real, 0, 1, kBuiltIn.plan_restraint, E::minimum_if_below, S::direct, "Dither spread",
     "%.2f", S::dither_spread, {}},
    {OptionId::chroma_weight, &Q::chroma_weight, "chroma_weight", "--vividness", nullptr, K::real,
     1, 12.5, kBuiltIn.chroma_weight, E::default_unless_positive, S::vividness, "Vividness", "%.2f",
     S::vividness, {}},
    {OptionId::max_error_pow, &Q::max_error_pow, "max_error_pow", "--fairness", nullptr, K::real, 1,
     3, kBuiltIn.max_error_pow, E::default_unless_positive, S::direct, "Fairness", "%.2f",
     S::direct, {}},
    {OptionId::sum_pow, &Q::sum_pow, "sum_pow", "--share", nullptr, K::real, 0, 1,
     kBuiltIn.sum_pow, E::default_if_below, S::subject_share, "Subject share", "%.2f",
     S::subject_share, {}},
    {OptionId::mediancut_rounds, &Q::mediancut_rounds, "mediancut_rounds", "--rounds", nullptr,
     K::flag, 0, 1, kBuiltIn.mediancut_rounds, E::nonzero_is_one, S::direct, nullptr, nullptr,
     S::direct, {}},
    // Carried for the settings file only; the engine never reads it.
    {OptionId::gpu, &Q::gpu, "gpu", "--gpu", nullptr, K::flag, 0, 1, kBuiltIn.gpu, E::passed,
     S::direct, nullptr, nullptr, S::direct, {}},
    {OptionId::focus_weight, &Q::focus_weight, "focus_weight", "--focus-weight", nullptr, K::real,
     1, 25, kBuiltIn.focus_weight, E::default_unless_positive, S::direct, "Weight", "%.1f",
     S::direct, {}},
    // --quality takes MIN-MAX (or MAX alone) and sets all three.
    {OptionId::quality_target, &Q::quality_target, "quality_target", "--quality", nullptr, K::flag,
     0, 1, kBuiltIn.quality_target, E::nonzero_is_one, S::direct, "Quality target", nullptr,
     S::direct, {}},
    {OptionId::quality_min, &Q::quality_min, "quality_min", nullptr, nullptr, K::integer, 0, 100,
     kBuiltIn.quality_min, E::clamped, S::direct, "Refuse below", "%d", S::direct, {}},
    {OptionId::quality_max, &Q::quality_max, "quality_max", nullptr, nullptr, K::integer, 0, 100,
     kBuiltIn.quality_max, E::clamped, S::direct, "Aim for", "%d", S::direct, {}},
    // Not stored: the mixing plan's count is 3 unless the command line sets it.
    {OptionId::plan_colors, &Q::plan_colors, nullptr, "--plan-colors", nullptr, K::integer, 2, 4,
     kBuiltIn.plan_colors, E::default_outside_range, S::direct, nullptr, nullptr, S::direct, {}},
    {OptionId::ie_workaround, &Q::ie_workaround, nullptr, nullptr, nullptr, K::flag, 0, 1,
     kBuiltIn.ie_workaround, E::nonzero_is_one, S::direct, nullptr, nullptr, S::direct, {}},
    // 0 = automatic; the worker pool decides what a count means.
    {OptionId::threads, &Q::threads, nullptr, nullptr, nullptr, K::integer, 0, 64,
     kBuiltIn.threads, E::passed, S::direct, nullptr, nullptr, S::direct, {}},
};

bool within(double value, const OptionSpec& spec) {
  return value >= spec.minimum && value <= spec.maximum;
}

}  // namespace

std::span<const OptionSpec> option_table() { return kTable; }

const OptionSpec& option_spec(OptionId id) { return kTable[static_cast<std::size_t>(id)]; }

int stored_option_count() {
  int count = 0;
  for (const OptionSpec& spec : kTable) count += spec.settings_key != nullptr;
  return count;
}

const OptionSpec* option_for_flag(std::string_view flag) {
  for (const OptionSpec& spec : kTable) {
    if ((spec.long_flag && flag == spec.long_flag) || (spec.short_flag && flag == spec.short_flag))
      return &spec;
  }
  return nullptr;
}

double option_value(const QuantizerOptions& options, const OptionSpec& spec) {
  return std::visit([&](auto member) { return static_cast<double>(options.*member); }, spec.field);
}

void set_option_value(QuantizerOptions& options, const OptionSpec& spec, double value) {
  std::visit(
      [&](auto member) {
        using Field = std::remove_reference_t<decltype(options.*member)>;
        options.*member = static_cast<Field>(value);
      },
      spec.field);
}

double clamp_lower_first(double value, double low, double high) {
  value = value > low ? value : low;
  return value < high ? value : high;
}

double engine_value(const OptionSpec& spec, double value) {
  switch (spec.engine_rule) {
    case EngineRule::passed:
    case EngineRule::refused_outside_range: return value;
    case EngineRule::clamped: return clamp_lower_first(value, spec.minimum, spec.maximum);
    case EngineRule::default_outside_range: return within(value, spec) ? value : spec.default_value;
    case EngineRule::minimum_if_below: return value >= spec.minimum ? value : spec.minimum;
    case EngineRule::default_if_below: return value >= spec.minimum ? value : spec.default_value;
    case EngineRule::default_unless_positive: return value > 0.0 ? value : spec.default_value;
    case EngineRule::nonzero_is_one: return value != 0.0 ? 1.0 : 0.0;
  }
  return value;
}

double engine_value(const QuantizerOptions& options, OptionId id) {
  const OptionSpec& spec = option_spec(id);
  return engine_value(spec, option_value(options, spec));
}

double scale_minimum(const OptionSpec& spec, OptionScale scale) {
  return scale == OptionScale::direct ? spec.minimum : 0.0;
}

double scale_maximum(const OptionSpec& spec, OptionScale scale) {
  return scale == OptionScale::direct ? spec.maximum : 1.0;
}

double from_scale(OptionScale scale, double shown) {
  switch (scale) {
    case OptionScale::direct: return shown;
    case OptionScale::vividness: return 1.0 + 11.5 * shown * shown;
    case OptionScale::subject_share: return 1.0 - shown;
    case OptionScale::dither_spread: return (1.0 - shown) * 0.5;
  }
  return shown;
}

double to_scale(OptionScale scale, double stored) {
  switch (scale) {
    case OptionScale::direct: return stored;
    case OptionScale::vividness: return std::sqrt(std::max(stored - 1.0, 0.0) / 11.5);
    case OptionScale::subject_share: return 1.0 - stored;
    case OptionScale::dither_spread: return std::clamp(1.0 - 2.0 * stored, 0.0, 1.0);
  }
  return stored;
}
