#include <climits>
#include <cstdio>
#include <cstdlib>

#include "cli/batch.h"
#include "cli/batch_request.h"

namespace {

// atoi, but a number beyond int saturates instead of wrapping.
int read_int(const std::string& text) {
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double read_real(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Lower bound first, so NaN ends up at the lower bound.
double clamp_real(double value, double low, double high) {
  value = value > low ? value : low;
  return value < high ? value : high;
}

std::uint32_t clamp_count(int value, int low, int high) {
  if (value < low) value = low;
  if (value > high) value = high;
  return static_cast<std::uint32_t>(value);
}

bool is_option(const std::string& argument, const char* a, const char* b = nullptr) {
  return argument == a || (b && argument == b);
}

bool takes_value(const std::string& a) {
  static const char* const kValued[] = {
      "-o",         "--ext",      "-c",           "--colors",         "-s",
      "--speed",    "--dither",   "--strength",   "--damper",         "--floor",
      "--plan-colors", "--plan-restraint", "--vividness", "--fairness", "--share",
      "--gpu",      "--rounds",   "--pins",       "--palette",        "--focus-map",
      "--dither-map", "--focus-weight"};
  for (const char* name : kValued)
    if (a == name) return true;
  return false;
}

bool set_dither(const std::string& word, std::int32_t& dither) {
  static const char* const kModes[] = {"none", "fs", "bayer", "blue", "plan"};
  for (int mode = 0; mode < 5; ++mode) {
    if (word == kModes[mode]) {
      dither = mode;
      return true;
    }
  }
  return false;
}

// Applies one option that takes a value; false only for a bad --dither word.
bool apply_valued_option(const std::string& name, const std::string& value, BatchRequest& r) {
  QuantizerOptions& o = r.options;
  if (name == "-o") r.output_path = value;
  else if (name == "--ext") r.suffix = value;
  else if (is_option(name, "-c", "--colors")) o.colors = clamp_count(read_int(value), 2, 256);
  else if (is_option(name, "-s", "--speed")) o.speed = clamp_count(read_int(value), 1, 10);
  else if (name == "--dither") return set_dither(value, o.dither);
  else if (name == "--strength") o.dither_strength = clamp_real(read_real(value), 0.0, 2.0);
  else if (name == "--damper") o.dither_damper = clamp_real(read_real(value), 1.0, 30.0);
  else if (name == "--floor") o.dither_floor = clamp_real(read_real(value), 0.0, 1.0);
  else if (name == "--plan-colors") o.plan_colors = clamp_count(read_int(value), 2, 4);
  else if (name == "--plan-restraint") o.plan_restraint = clamp_real(read_real(value), 0.0, 1.0);
  else if (name == "--vividness") {
    double v = clamp_real(read_real(value), 0.0, 1.0);
    o.chroma_weight = 1.0 + 11.5 * v * v;
  } else if (name == "--fairness") o.max_error_pow = clamp_real(read_real(value), 1.0, 3.0);
  else if (name == "--share") o.sum_pow = 1.0 - clamp_real(read_real(value), 0.0, 1.0);
  else if (name == "--gpu") o.gpu = read_int(value) != 0 ? 1 : 0;
  else if (name == "--rounds") o.mediancut_rounds = read_int(value) != 0 ? 1 : 0;
  else if (name == "--pins") r.pins_path = value;
  else if (name == "--palette") r.palette_path = value;
  else if (name == "--focus-map") r.focus_map_path = value;
  else if (name == "--dither-map") r.dither_map_path = value;
  else if (name == "--focus-weight") r.focus_weight = clamp_real(read_real(value), 1.0, 25.0);
  return true;
}

BatchParseResult refusal(std::string text) {
  BatchParseResult result;
  result.outcome = BatchParseOutcome::refuse;
  result.diagnostics = std::move(text);
  return result;
}

}  // namespace

bool batch_reads_saved_settings(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments)
    if (a == "--defaults") return false;
  return true;
}

std::string limit_dither_strength(QuantizerOptions& options) {
  double limit = (options.dither == 0 || options.dither == 1) ? 1.0 : 2.0;
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
  r.options = start;
  r.focus_weight = start.focus_weight;

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (is_option(a, "-h", "--help")) {
      result.outcome = BatchParseOutcome::show_help;
      return result;
    }
    if (is_option(a, "-f", "--force")) r.force = true;
    else if (is_option(a, "-q", "--quiet")) r.quiet = true;
    else if (a == "--smallest") r.smallest = true;
    else if (a == "--defaults" || is_nogui_argument(a.c_str())) continue;
    else if (takes_value(a)) {
      if (i + 1 == arguments.size()) return refusal(a + " needs a value\n");
      if (!apply_valued_option(a, arguments[++i], r))
        return refusal("--dither takes none, fs, bayer, blue or plan\n");
    } else if (a.size() > 1 && a[0] == '-') {
      return refusal("unknown option " + a + "\n" + batch_usage_text());
    } else {
      r.inputs.push_back(a);
    }
  }

  if (r.inputs.empty()) return refusal(batch_usage_text());
  if (!r.output_path.empty() && r.inputs.size() > 1)
    return refusal("-o takes one input; use --ext for several\n");

  result.outcome = BatchParseOutcome::run;
  result.diagnostics = limit_dither_strength(r.options);
  return result;
}
