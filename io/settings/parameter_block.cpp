// Parameter blocks: the engine keys as short key=value text for copy and paste.
// A pasted block goes through the settings reader, so it gets the same limits.
#include <cstdio>

#include "engine/option_table.h"
#include "io/file_system.h"
#include "io/settings/ini_text.h"
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
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key == nullptr) continue;
    auto value = ini_find_value(settings, kSettingsSection, spec.settings_key);
    if (value && !value->empty()) ++count;
  }
  return count;
}

}  // namespace

std::string format_parameter_block(const QuantizerOptions& options) {
  std::string text = "; Brisel Quantizer parameters\n";
  for (const OptionSpec& spec : option_table()) {
    if (spec.settings_key == nullptr) continue;
    double value = option_value(options, spec);
    text += spec.settings_key;
    text += '=';
    if (spec.kind == OptionKind::real) text += format_real(value, RealFormat::kFixed4);
    else if (spec.kind == OptionKind::flag)
      text += std::to_string(static_cast<int>(static_cast<std::uint32_t>(value)));
    else text += std::to_string(static_cast<long long>(value));
    text += '\n';
  }
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
