// The per-user settings file: location, typed reads and writes, engine keys.
#include "io/settings.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>

#include "io/file_system.h"
#include "io/settings/ini_text.h"
#include "io/replacing_file.h"
#include "io/settings_values.h"

namespace {

constexpr std::size_t kLongestText = 4095;  // room for any Linux path
constexpr std::size_t kLongestRealText = 63;

// Far more than any settings file written by hand or by us; a larger file is
// not ours to read (a link to a device, a log written into it by mistake).
constexpr std::size_t kLargestSettingsFile = 4u << 20;

// One warning per file and process, however many keys are read from it.
void warn_once(const std::string& path, const char* why) {
  static std::mutex mutex;
  static std::set<std::string> warned;
  std::lock_guard<std::mutex> lock(mutex);
  if (warned.insert(path).second)
    std::fprintf(stderr, "settings file %s %s; using the defaults\n", path.c_str(), why);
}

// The file's text; empty when it does not exist, nullopt when it exists but
// cannot be read (then the defaults apply, after one warning).
std::optional<std::string> read_settings_text(const std::string& path) {
  std::string text;
  switch (read_small_file(path, kLargestSettingsFile, text)) {
    case SmallFileRead::ok: break;
    case SmallFileRead::missing: return std::string();
    case SmallFileRead::not_regular: warn_once(path, "is not a regular file"); return std::nullopt;
    case SmallFileRead::too_large: warn_once(path, "is larger than 4 MB"); return std::nullopt;
    case SmallFileRead::unreadable: warn_once(path, "cannot be read"); return std::nullopt;
  }
  // Editors on some systems start UTF-8 text with a byte order mark.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  return text;
}

std::optional<std::string> stored_value(const std::string& path, const char* key) {
  if (path.empty() || key == nullptr) return std::nullopt;
  std::optional<std::string> text = read_settings_text(path);
  if (!text) return std::nullopt;
  return ini_find_value(*text, kSettingsSection, key);
}

std::optional<double> number_in(std::optional<std::string> value, bool real) {
  if (!value || value->empty()) return std::nullopt;
  if (!real) {
    std::optional<int> whole = ini_read_int(*value);
    if (!whole) return std::nullopt;
    return *whole;
  }
  if (value->size() > kLongestRealText) value->resize(kLongestRealText);
  return read_real_number(*value);
}

}  // namespace

std::string settings_read_text(const std::string& path, const char* key, const std::string& fallback) {
  std::optional<std::string> value = stored_value(path, key);
  if (!value) return fallback;
  if (value->size() > kLongestText) value->resize(kLongestText);
  return *value;
}

int settings_read_int(const std::string& path, const char* key, int fallback) {
  std::optional<std::string> value = stored_value(path, key);
  if (!value || value->empty()) return fallback;
  return ini_parse_int(*value);
}

double settings_read_real(const std::string& path, const char* key, double fallback) {
  std::optional<std::string> value = stored_value(path, key);
  if (!value || value->empty()) return fallback;
  if (value->size() > kLongestRealText) value->resize(kLongestRealText);
  return parse_real_text(*value);
}

std::optional<double> settings_read_number(const std::string& path, const char* key, bool real) {
  return number_in(stored_value(path, key), real);
}

std::optional<SettingsSnapshot> read_settings_snapshot(const std::string& path) {
  if (path.empty()) return SettingsSnapshot{};
  std::optional<std::string> text = read_settings_text(path);
  if (!text) return std::nullopt;
  return SettingsSnapshot{std::move(*text)};
}

std::optional<double> SettingsSnapshot::number(const char* key, bool real) const {
  return number_in(ini_find_value(text, kSettingsSection, key), real);
}

void settings_write_text(const std::string& path, const char* key, const std::string& value) {
  if (key == nullptr) return;
  settings_write_all(path, {{key, value}});
}

void settings_write_all(const std::string& path, const std::vector<SettingsValue>& values) {
  if (path.empty() || values.empty()) return;
  std::optional<std::string> text = read_settings_text(path);
  if (!text) return;  // never replace a file we could not read
  std::string updated = std::move(*text);
  for (const SettingsValue& value : values) {
    // A line break inside a value would split it into lines of its own.
    std::string one_line = value.text;
    for (char& c : one_line) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    updated = ini_with_value(updated, kSettingsSection, value.key, one_line);
  }
  // The folder appears with the first write, so a face that only reads leaves no trace.
  std::size_t slash = path.find_last_of(path_separators());
  if (slash != std::string::npos && slash > 0) make_directories(path.substr(0, slash));
  ReplacingFile output;
  if (std::FILE* file = output.open(path)) {
    if (std::fwrite(updated.data(), 1, updated.size(), file) == updated.size()) output.commit();
  }
}

void settings_write_int(const std::string& path, const char* key, int value) {
  settings_write_text(path, key, std::to_string(value));
}

void settings_write_real(const std::string& path, const char* key, double value) {
  settings_write_text(path, key, format_real(value, RealFormat::kShortest6));
}
