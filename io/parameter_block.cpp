// Parameter blocks: the engine keys as short key=value text for copy and paste.
// A pasted block goes through the settings reader, so it gets the same limits.
#include <cstdio>

#include "io/engine_keys.h"
#include "io/file_system.h"
#include "io/ini_text.h"
#include "io/settings.h"
#include "io/settings_values.h"

namespace {

constexpr std::size_t kLongestBlock = 65536;

// The pasted lines, tidied, under our one section; other section lines are dropped
// so that every key lands in it.
std::string block_as_settings(const std::string& text) {
  std::string settings = std::string("[") + kSettingsSection + "]\n";
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t feed = text.find('\n', start);
    if (feed == std::string::npos) feed = text.size();
    std::string_view line(text.data() + start, feed - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!line.empty() && line.front() != '[') {
      settings.append(line);
      settings += '\n';
    }
    start = feed + 1;
  }
  return settings;
}

int count_engine_keys(const std::string& settings) {
  int count = 0;
  for (const char* key : kEngineKeys) {
    auto value = ini_find_value(settings, kSettingsSection, key);
    if (value && !value->empty()) ++count;
  }
  return count;
}

}  // namespace

std::string format_parameter_block(const QuantizerOptions& options) {
  auto real = [](double value) { return format_real(value, RealFormat::kFixed4); };
  std::string text = "; Brisel Quantizer parameters\n";
  text += "colors=" + std::to_string(options.colors) + "\n";
  text += "speed=" + std::to_string(options.speed) + "\n";
  text += "dither=" + std::to_string(options.dither) + "\n";
  text += "dither_strength=" + real(options.dither_strength) + "\n";
  text += "dither_damper=" + real(options.dither_damper) + "\n";
  text += "dither_floor=" + real(options.dither_floor) + "\n";
  text += "plan_restraint=" + real(options.plan_restraint) + "\n";
  text += "chroma_weight=" + real(options.chroma_weight) + "\n";
  text += "max_error_pow=" + real(options.max_error_pow) + "\n";
  text += "sum_pow=" + real(options.sum_pow) + "\n";
  text += "mediancut_rounds=" + std::to_string(static_cast<int>(options.mediancut_rounds)) + "\n";
  text += "gpu=" + std::to_string(static_cast<int>(options.gpu)) + "\n";
  text += "focus_weight=" + real(options.focus_weight) + "\n";
  if (text.size() > 1023) text.resize(1023);
  return text;
}

bool read_parameter_block(const std::string& text, QuantizerOptions& options, int& count,
                          std::string& message) {
  count = 0;
  if (text.size() > kLongestBlock) {
    message = "that is not a parameter block";
    return false;
  }
  std::string path;
  std::FILE* file = create_unique_file(temporary_folder(), "bq-params-", path);
  if (file == nullptr) {
    message = "no temporary file";
    return false;
  }
  std::string settings = block_as_settings(text);
  bool written = std::fwrite(settings.data(), 1, settings.size(), file) == settings.size();
  if (std::fclose(file) != 0) written = false;
  if (!written) {
    remove_file(path);
    message = "the temporary file could not be written";
    return false;
  }
  count = count_engine_keys(settings);
  if (count > 0) load_engine_settings(path, options);
  remove_file(path);
  return true;
}
