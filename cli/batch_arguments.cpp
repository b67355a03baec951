#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/batch.h"
#include "cli/batch_request.h"
#include "engine/dither_kind.h"
#include "engine/option_table.h"

namespace {

// A warning about a clamped value, kept with the option it is about.
struct Notice {
  const OptionSpec* spec;
  std::string text;
};

// The whole text is a decimal integer with an optional sign; beyond the range
// of long long it saturates (the limits bring it in anyway).
std::optional<double> whole_number(const std::string& text) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '+' ||
                        text[0] == '-'))
    return std::nullopt;
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0') return std::nullopt;
  return static_cast<double>(value);
}

// The whole text is a real number; infinity is one (the limits bring it in),
// "nan" is not.
std::optional<double> real_number(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || std::isnan(value)) return std::nullopt;
  return value;
}

std::string shown_value(const OptionSpec& spec, double value) {
  if (spec.kind != OptionKind::real) return std::to_string(static_cast<long long>(value));
  char text[64];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// "--dither takes none, fs, bayer, blue or plan\n"
std::string choice_refusal(const std::string& flag, const OptionSpec& spec) {
  std::string text = flag + " takes ";
  for (std::size_t i = 0; i < spec.choices.size(); ++i) {
    if (i > 0) text += i + 1 == spec.choices.size() ? " or " : ", ";
    text += spec.choices[i].word;
  }
  return text + "\n";
}

bool is_option(const std::string& argument, const char* a, const char* b = nullptr) {
  return argument == a || (b && argument == b);
}

bool is_path_option(const std::string& a) {
  static const char* const kPathOptions[] = {"-o",      "--ext",       "--pins",
                                             "--palette", "--focus-map", "--dither-map"};
  for (const char* name : kPathOptions)
    if (a == name) return true;
  return false;
}

void apply_path_option(const std::string& name, const std::string& value, BatchRequest& r) {
  if (name == "-o") r.output_path = value;
  else if (name == "--ext") r.suffix = value;
  else if (name == "--pins") r.pins_path = value;
  else if (name == "--palette") r.palette_path = value;
  else if (name == "--focus-map") r.focus_map_path = value;
  else if (name == "--dither-map") r.dither_map_path = value;
}

// "--quality MIN-MAX" or "--quality MAX" (MIN 0): whole numbers 0..100, MIN at most MAX.
std::string apply_quality_range(const std::string& flag, const std::string& text,
                                QuantizerOptions& options) {
  const std::string refused = flag + " takes MIN-MAX or MAX, whole numbers 0..100, MIN at most MAX\n";
  const std::size_t dash = text.find('-', 1);
  std::optional<double> low = dash == std::string::npos ? 0.0 : whole_number(text.substr(0, dash));
  std::optional<double> high =
      whole_number(dash == std::string::npos ? text : text.substr(dash + 1));
  const OptionSpec& max_spec = option_spec(OptionId::quality_max);
  if (!low || !high || *low < max_spec.minimum || *high > max_spec.maximum || *low > *high ||
      text[0] == '-' || text[0] == '+')
    return refused;
  options.quality_target = 1;
  options.quality_min = static_cast<std::uint32_t>(*low);
  options.quality_max = static_cast<std::uint32_t>(*high);
  return {};
}

// Applies one option of the table as the user wrote it (`flag`, `text`);
// returns the refusal, or an empty text when it was taken.
std::string apply_table_option(const std::string& flag, const OptionSpec& spec,
                               const std::string& text, BatchRequest& r,
                               std::vector<Notice>& notices) {
  if (spec.id == OptionId::quality_target) return apply_quality_range(flag, text, r.options);
  if (spec.kind == OptionKind::choice) {
    for (std::size_t i = 0; i < spec.choices.size(); ++i) {
      if (text == spec.choices[i].word) {
        set_option_value(r.options, spec, static_cast<double>(i));
        return {};
      }
    }
    return choice_refusal(flag, spec);
  }
  std::optional<double> number =
      spec.kind == OptionKind::real ? real_number(text) : whole_number(text);
  if (!number) return flag + " takes a number\n";
  double value = *number != 0.0 ? 1.0 : 0.0;
  if (spec.kind != OptionKind::flag) {
    // The limits are those of the value as the flag takes it (0..1 for --vividness).
    double shown = clamp_lower_first(*number, scale_minimum(spec, spec.flag_scale),
                                     scale_maximum(spec, spec.flag_scale));
    if (shown != *number)
      notices.push_back({&spec, flag + " " + text + " is out of range; using " +
                                    shown_value(spec, shown) + "\n"});
    value = from_scale(spec.flag_scale, shown);
  }
  // The focus weight reaches the engine only together with a focus map.
  if (spec.id == OptionId::focus_weight) r.focus_weight = value;
  else set_option_value(r.options, spec, value);
  return {};
}

BatchParseResult refusal(std::string text) {
  BatchParseResult result;
  result.outcome = BatchParseOutcome::refuse;
  result.diagnostics = std::move(text);
  return result;
}

// The clamping warnings in order; a strength warning gives way to the notice
// of the dithering's limit, which names the value finally used.
std::string diagnostics_of(const std::vector<Notice>& notices, const std::string& strength_notice) {
  std::string text;
  for (const Notice& notice : notices) {
    if (!strength_notice.empty() && notice.spec->id == OptionId::dither_strength) continue;
    text += notice.text;
  }
  return text + strength_notice;
}

// Whatever the name says, the output is a PNG; a name whose suffix says otherwise
// gets one notice (a name without one, like /dev/stdout, says nothing).
std::string name_notice(const char* option, const std::string& name) {
  if (name.empty() || name == "-") return {};
  std::size_t slash = name.find_last_of('/');
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  std::size_t dot = file.rfind('.');
  // ".", "..", ".hidden" and "name." carry no suffix.
  std::string suffix = dot == std::string::npos || dot == 0 || dot + 1 == file.size()
                           ? std::string()
                           : file.substr(dot);
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (suffix.empty() || suffix == ".png") return {};
  return option + std::string(" ") + name + ": the output is written as PNG whatever its name says\n";
}

}  // namespace

bool batch_reads_saved_settings(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments)
    if (a == "--defaults") return false;
  return true;
}

std::string limit_dither_strength(QuantizerOptions& options) {
  double limit = dither_strength_limit(options.dither);
  if (!(options.dither_strength > limit)) return {};
  options.dither_strength = limit;
  char buffer[128];
  std::snprintf(buffer, sizeof buffer,
                "--strength above %.1f is not available for this dithering; using %.1f\n", limit,
                limit);
  return buffer;
}

BatchParseResult parse_batch_arguments(const std::vector<std::string>& arguments,
                                       const QuantizerOptions& start) {
  BatchParseResult result;
  BatchRequest& r = result.request;
  std::vector<Notice> notices;
  r.options = start;
  r.focus_weight = start.focus_weight;

  bool options_ended = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (options_ended) {
      r.inputs.push_back(a);
      continue;
    }
    if (is_option(a, "-h", "--help")) {
      result.outcome = BatchParseOutcome::show_help;
      return result;
    }
    if (a == "--version") {
      result.outcome = BatchParseOutcome::show_version;
      return result;
    }
    if (a == "--") options_ended = true;
    else if (is_option(a, "-f", "--force")) r.force = true;
    else if (is_option(a, "-q", "--quiet")) r.quiet = true;
    else if (a == "--smallest") r.smallest = true;
    else if (a == "--defaults" || is_nogui_argument(a.c_str())) continue;
    else if (is_path_option(a)) {
      if (i + 1 == arguments.size()) return refusal(a + " needs a value\n");
      apply_path_option(a, arguments[++i], r);
    } else if (const OptionSpec* spec = option_for_flag(a)) {
      if (i + 1 == arguments.size()) return refusal(a + " needs a value\n");
      std::string refused = apply_table_option(a, *spec, arguments[++i], r, notices);
      if (!refused.empty()) return refusal(refused);
    } else if (a.size() > 1 && a[0] == '-') {
      return refusal("unknown option " + a + "\n" + batch_usage_text());
    } else {
      r.inputs.push_back(a);
    }
  }

  if (r.inputs.empty()) return refusal(batch_usage_text());
  if (!r.output_path.empty() && r.inputs.size() > 1)
    return refusal("-o takes one input; use --ext for several\n");
  // Standard input has no name to derive the output's from.
  if (r.output_path.empty() && r.inputs.front() == "-")
    return refusal("reading standard input (-) needs -o FILE, or -o - for standard output\n");

  result.outcome = BatchParseOutcome::run;
  result.diagnostics = diagnostics_of(notices, limit_dither_strength(r.options)) +
                       name_notice("-o", r.output_path) + name_notice("--ext", r.suffix);
  return result;
}
