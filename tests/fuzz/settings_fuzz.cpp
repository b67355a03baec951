// libFuzzer target for the settings reader: any text, as a settings file or a
// pasted parameter block, must give options within their limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/option_table.h"
#include "io/settings/ini_text.h"
#include "io/settings.h"

namespace {

void check_limits(const QuantizerOptions& options) {
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key == nullptr) continue;
    double value = option_value(options, spec);
    if (!(value >= spec.minimum && value <= spec.maximum)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  SettingsSnapshot snapshot{text};
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key != nullptr) snapshot.number(spec.settings_key, spec.kind == OptionKind::real);
  }
  // Through a temporary file and load_engine_settings, as a paste goes.
  QuantizerOptions options;
  int count = 0;
  std::string message;
  if (read_parameter_block(text, options, count, message) && count > 0) check_limits(options);
  // Writing a key keeps it readable, whatever surrounds it.
  std::string written = ini_with_value(text, kSettingsSection, "colors", "12");
  if (ini_find_value(written, kSettingsSection, "colors") != "12") std::abort();
  return 0;
}
