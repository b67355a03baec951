#pragma once
// One description of every scalar option of QuantizerOptions: its settings key,
// its command-line flag, its kind, range and default, how the engine entry
// normalises it, and the text and format of its slider. The command line, the
// settings file, the parameter blocks and the sidebar take their keys, flags and
// limits from here. (The pins and the two maps are buffers, not settings.)
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "engine/quantizer_options.h"

// In the order of the settings file and the parameter block; the options that
// are not stored come last.
enum class OptionId {
  colors,
  speed,
  dither,
  dither_strength,
  dither_damper,
  dither_floor,
  plan_restraint,
  chroma_weight,
  max_error_pow,
  sum_pow,
  mediancut_rounds,
  gpu,
  focus_weight,
  quality_target,
  quality_min,
  quality_max,
  plan_colors,
  ie_workaround,
  threads,
};
inline constexpr std::size_t kOptionCount = 19;

enum class OptionKind { integer, real, choice, flag };

// How the command line or a slider presents the stored value.
enum class OptionScale {
  direct,         // the value itself
  vividness,      // v in 0..1 stands for chroma_weight = 1 + 11.5 v^2
  subject_share,  // s in 0..1 stands for sum_pow = 1 - s
  dither_spread,  // d in 0..1 stands for plan_restraint = (1 - d) / 2
};

// What quantize_image does with a value. The engine is more lenient than the
// front ends: it only replaces values it cannot work with, so a caller that
// never saw the front ends' limits still gets a defined run.
enum class EngineRule {
  passed,                   // used unchanged
  clamped,                  // brought into minimum..maximum
  refused_outside_range,    // status 4 outside minimum..maximum
  default_outside_range,    // the default outside minimum..maximum (not a number too)
  minimum_if_below,         // the minimum below it (not a number too); no upper bound
  default_if_below,         // the default below the minimum (not a number too); no upper bound
  default_unless_positive,  // the default when 0 or less (not a number too)
  nonzero_is_one,           // a flag
};

struct OptionChoice {
  const char* word;   // command-line value
  const char* label;  // sidebar item
};

using OptionField = std::variant<std::uint32_t QuantizerOptions::*, std::int32_t QuantizerOptions::*,
                                 double QuantizerOptions::*>;

struct OptionSpec {
  OptionId id;
  OptionField field;
  const char* settings_key;  // nullptr: not in the settings file nor the parameter block
  const char* long_flag;     // nullptr: no command-line option
  const char* short_flag;    // nullptr: none
  OptionKind kind;
  double minimum;            // the range the front ends keep, on the stored value
  double maximum;
  double default_value;      // the built-in default of QuantizerOptions
  EngineRule engine_rule;
  OptionScale flag_scale;    // what the command-line value stands for
  const char* slider_text;   // nullptr: no slider of its own
  const char* slider_format;
  OptionScale slider_scale;
  std::span<const OptionChoice> choices;  // choice kind only, in value order
};

// Every option, in OptionId order.
std::span<const OptionSpec> option_table();
const OptionSpec& option_spec(OptionId id);
// How many options the settings file and a parameter block carry.
int stored_option_count();
// The option a command-line flag (long or short) names; nullptr when none does.
const OptionSpec* option_for_flag(std::string_view flag);

double option_value(const QuantizerOptions& options, const OptionSpec& spec);
// `value` must fit the field's type (the limits above guarantee it).
void set_option_value(QuantizerOptions& options, const OptionSpec& spec, double value);

// The lower bound first, so a value that is not a number ends at the lower bound.
double clamp_lower_first(double value, double low, double high);
// What the engine entry uses for `value` (refused_outside_range is the caller's to check).
double engine_value(const OptionSpec& spec, double value);
double engine_value(const QuantizerOptions& options, OptionId id);

// The range of the value a flag or slider takes in `scale`, and the conversions.
double scale_minimum(const OptionSpec& spec, OptionScale scale);
double scale_maximum(const OptionSpec& spec, OptionScale scale);
double from_scale(OptionScale scale, double shown);
double to_scale(OptionScale scale, double stored);
