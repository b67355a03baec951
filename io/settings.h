#pragma once
// The per-user settings file and quantizer parameter blocks.
#include <optional>
#include <string>
#include <vector>

#include "engine/quantizer_options.h"

inline constexpr const char* kSettingsSection = "Brisel Quantizer";

// $XDG_CONFIG_HOME (else $HOME/.config) + "/Brisel Quantizer/settings.ini", on
// Windows %APPDATA% + "\Brisel Quantizer\settings.ini"; nothing is created
// until a write. Empty when no usable location exists.
std::string settings_file_path();

// Typed reads and writes in the one section; an empty path reads defaults and writes nothing.
int settings_read_int(const std::string& path, const char* key, int fallback);
double settings_read_real(const std::string& path, const char* key, double fallback);
// The stored number read as settings_read_int or settings_read_real would; nullopt
// when the key is missing or empty or its text holds no number.
std::optional<double> settings_read_number(const std::string& path, const char* key, bool real);
std::string settings_read_text(const std::string& path, const char* key, const std::string& fallback);
// The file read once, for reading many keys; nullopt when it exists but is not
// readable as settings (not a regular file, too large), after one warning.
struct SettingsSnapshot {
  std::string text;
  // As settings_read_number, from the text held.
  std::optional<double> number(const char* key, bool real) const;
};
std::optional<SettingsSnapshot> read_settings_snapshot(const std::string& path);
void settings_write_int(const std::string& path, const char* key, int value);
void settings_write_real(const std::string& path, const char* key, double value);
void settings_write_text(const std::string& path, const char* key, const std::string& value);
// Many keys in one rewrite of the file, in order; the values are already text.
struct SettingsValue {
  std::string key;
  std::string text;
};
void settings_write_all(const std::string& path, const std::vector<SettingsValue>& values);
// The engine keys of `options` as the settings file stores them.
std::vector<SettingsValue> engine_settings_values(const QuantizerOptions& options);

// Applies the engine keys of the file, with their limits, to `options`.
void load_engine_settings(const std::string& path, QuantizerOptions& options);

// "; Brisel Quantizer parameters\ncolors=..." for the current options.
std::string format_parameter_block(const QuantizerOptions& options);
// Reads a pasted parameter block into `options`; `count` gets the engine keys found.
bool read_parameter_block(const std::string& text, QuantizerOptions& options, int& count,
                          std::string& message);
