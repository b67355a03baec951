// The engine keys of the settings file: every option the table gives a key,
// read in the table's order and limited to its range.
#include <optional>

#include "engine/dither_kind.h"
#include "engine/option_table.h"
#include "io/settings.h"
#include "io/settings_values.h"

void load_engine_settings(const std::string& path, QuantizerOptions& options) {
  std::optional<SettingsSnapshot> settings = read_settings_snapshot(path);
  if (!settings) return;
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key == nullptr) continue;
    // Missing, empty or not a number at all: the value held before stays.
    std::optional<double> stored = settings->number(spec.settings_key, spec.kind == OptionKind::real);
    if (!stored) continue;
    double value = *stored;
    if (spec.kind == OptionKind::flag) {
      value = value != 0.0 ? 1.0 : 0.0;
    } else {
      // The strength is limited by the dithering read just before it: a stored
      // strength is only ever used with the stored dithering.
      double highest = spec.id == OptionId::dither_strength ? dither_strength_limit(options.dither)
                                                            : spec.maximum;
      value = clamp_lower_first(value, spec.minimum, highest);
    }
    set_option_value(options, spec, value);
  }
}

std::vector<SettingsValue> engine_settings_values(const QuantizerOptions& options) {
  std::vector<SettingsValue> values;
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key == nullptr) continue;
    double value = option_value(options, spec);
    std::string text = spec.kind == OptionKind::real
                           ? format_real(value, RealFormat::kShortest6)
                           : std::to_string(static_cast<long long>(value));
    values.push_back({spec.settings_key, std::move(text)});
  }
  return values;
}
