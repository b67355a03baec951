// The thirteen engine keys of the settings file, read in a fixed order with their limits.
#include "io/engine_keys.h"

#include "io/settings.h"

namespace {

// Lower bound first, so a value that is not a number ends at the lower bound.
double limited(double value, double lowest, double highest) {
  if (!(value >= lowest)) value = lowest;
  if (value > highest) value = highest;
  return value;
}

int limited(int value, int lowest, int highest) {
  if (value < lowest) value = lowest;
  if (value > highest) value = highest;
  return value;
}

int as_int(std::uint32_t value) { return value > 0x7fffffffu ? 0x7fffffff : static_cast<int>(value); }

}  // namespace

const char* const kEngineKeys[kEngineKeyCount] = {
    "colors",        "speed",    "dither",           "dither_strength", "dither_damper",
    "dither_floor",  "plan_restraint", "chroma_weight", "max_error_pow",  "sum_pow",
    "mediancut_rounds", "gpu",   "focus_weight",
};

void load_engine_settings(const std::string& path, QuantizerOptions& options) {
  options.colors = static_cast<std::uint32_t>(
      limited(settings_read_int(path, "colors", as_int(options.colors)), 2, 256));
  options.speed = static_cast<std::uint32_t>(
      limited(settings_read_int(path, "speed", as_int(options.speed)), 1, 10));
  options.dither = limited(settings_read_int(path, "dither", options.dither), 0, 4);
  double strength_limit = options.dither <= 1 ? 1.0 : 2.0;
  options.dither_strength =
      limited(settings_read_real(path, "dither_strength", options.dither_strength), 0.0, strength_limit);
  options.dither_damper =
      limited(settings_read_real(path, "dither_damper", options.dither_damper), 1.0, 30.0);
  options.dither_floor = limited(settings_read_real(path, "dither_floor", options.dither_floor), 0.0, 1.0);
  options.plan_restraint =
      limited(settings_read_real(path, "plan_restraint", options.plan_restraint), 0.0, 1.0);
  options.chroma_weight =
      limited(settings_read_real(path, "chroma_weight", options.chroma_weight), 1.0, 12.5);
  options.max_error_pow =
      limited(settings_read_real(path, "max_error_pow", options.max_error_pow), 1.0, 3.0);
  options.sum_pow = limited(settings_read_real(path, "sum_pow", options.sum_pow), 0.0, 1.0);
  options.mediancut_rounds =
      settings_read_int(path, "mediancut_rounds", as_int(options.mediancut_rounds)) != 0 ? 1 : 0;
  options.gpu = settings_read_int(path, "gpu", as_int(options.gpu)) != 0 ? 1 : 0;
  options.focus_weight =
      limited(settings_read_real(path, "focus_weight", options.focus_weight), 1.0, 25.0);
}
