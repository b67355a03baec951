#include "app/testing/script_hooks.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/panels/section_table.h"
#include "engine/palette_capacity.h"
#include "app/testing/scripted_input.h"
#include "app/ui/ui_state.h"
#include "io/settings_values.h"

namespace {

// The desktop build read each value into a 260-byte buffer: longer values did
// not fit and counted as unset, as did empty ones.
constexpr std::size_t kLongestValue = 259;

const char* hook_value(const EnvironmentLookup& lookup, const char* name) {
  const char* value = lookup(name);
  if (value == nullptr) return nullptr;
  std::size_t length = std::strlen(value);
  return length == 0 || length > kLongestValue ? nullptr : value;
}

std::optional<std::string> hook_text(const EnvironmentLookup& lookup, const char* name) {
  const char* value = hook_value(lookup, name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_text_any_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// Reads fields the way sscanf reads "%d" and "%f" with literal separators:
// each number skips leading white space, and a failed field ends the scan.
class FieldScanner {
 public:
  explicit FieldScanner(std::string_view text) : text_(text) {}

  bool integer(int& out) {
    skip_space();
    std::size_t start = position_;
    bool negative = false;
    if (position_ < text_.size() && (text_[position_] == '+' || text_[position_] == '-'))
      negative = text_[position_++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
      if (value <= INT_MAX) value = value * 10 + (text_[position_] - '0');  // saturates below
      ++position_;
      ++digits;
    }
    if (digits == 0) {
      position_ = start;
      return false;
    }
    if (negative) value = -value;
    out = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    return true;
  }

  bool real(double& out) {
    skip_space();
    std::size_t start = position_;
    std::size_t number = start;
    if (number < text_.size() && (text_[number] == '+' || text_[number] == '-')) ++number;
    double ignored = 0.0;
    auto found = std::from_chars(text_.data() + number, text_.data() + text_.size(), ignored);
    if (found.ec == std::errc::invalid_argument) return false;
    std::size_t end = static_cast<std::size_t>(found.ptr - text_.data());
    std::optional<double> value = read_real_number(text_.substr(start, end - start));
    if (!value) return false;
    out = *value;
    position_ = end;
    return true;
  }

  bool literal(char c) {
    if (position_ >= text_.size() || text_[position_] != c) return false;
    ++position_;
    return true;
  }

  // "%N[^stop]": at least one character.
  bool run_until(char stop, std::size_t longest, std::string& out) {
    std::size_t end = position_;
    while (end < text_.size() && text_[end] != stop && end - position_ < longest) ++end;
    if (end == position_) return false;
    out.assign(text_.substr(position_, end - position_));
    position_ = end;
    return true;
  }

 private:
  void skip_space() {
    while (position_ < text_.size() && is_space(text_[position_])) ++position_;
  }
  std::string_view text_;
  std::size_t position_ = 0;
};

// atoi: as much of a number as there is, else 0.
int integer_text(std::string_view text) {
  int value = 0;
  return FieldScanner(text).integer(value) ? value : 0;
}

// atof, with "nan" counted as malformed so that no limit below is bypassed.
double real_text(std::string_view text) {
  double value = parse_real_text(text);
  return std::isnan(value) ? 0.0 : value;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

int split_source(std::string_view name) {
  if (name.substr(0, 3) == "ref") return 2;
  if (name.substr(0, 4) == "ours") return 1;
  return 0;
}

struct NamedKey {
  const char* name;
  int virtual_key;
};
constexpr NamedKey kNamedKeys[] = {{"alt", 18},   {"esc", 27},   {"enter", 13}, {"up", 38},
                                   {"down", 40},  {"left", 37},  {"right", 39}, {"space", 32},
                                   {"plus", 187}, {"minus", 189}};

std::optional<KeyChord> read_chord(std::string_view text) {
  std::vector<std::string_view> parts = split(text, '+');
  KeyChord chord;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (same_text_any_case(parts[i], "alt")) chord.alt = true;
    if (same_text_any_case(parts[i], "ctrl")) chord.ctrl = true;
    if (same_text_any_case(parts[i], "shift")) chord.shift = true;
  }
  std::string_view key = parts.back();
  if (same_text_any_case(key, "wheelup") || same_text_any_case(key, "wheeldown")) {
    chord.wheel = same_text_any_case(key, "wheelup") ? 1.0f : -1.0f;
    return chord;
  }
  for (const NamedKey& named : kNamedKeys) {
    if (!same_text_any_case(key, named.name)) continue;
    chord.virtual_key = named.virtual_key;
    if (named.virtual_key == 18) chord.alt = true;
    return chord;
  }
  if (key.size() != 1) return std::nullopt;
  chord.virtual_key = static_cast<unsigned char>(upper(key[0]));
  return chord;
}

std::optional<ScriptClick> read_click(std::string_view text) {
  FieldScanner scan(text);
  double x = 0.0;
  double y = 0.0;
  if (!scan.real(x) || !scan.literal(',') || !scan.real(y)) return std::nullopt;
  ScriptClick click;
  click.x = static_cast<float>(x);
  click.y = static_cast<float>(y);
  std::string flags;
  if (scan.literal(',') && scan.run_until(':', 7, flags)) {
    click.right = flags.find('r') != std::string::npos;
    click.double_click = flags.find('d') != std::string::npos;
  }
  return click;
}

// True when `name` occurs in `text` with no letter right before or after it.
bool contains_word(std::string_view text, std::string_view name) {
  for (std::size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
    bool open_before = at == 0 || !is_letter(text[at - 1]);
    std::size_t after = at + name.size();
    bool open_after = after >= text.size() || !is_letter(text[after]);
    if (open_before && open_after) return true;
  }
  return false;
}

std::optional<ScriptDab> read_dab(std::string_view text) {
  FieldScanner scan(text);
  ScriptDab dab;
  if (scan.integer(dab.x) && scan.literal(',') && scan.integer(dab.y) && scan.literal(',') &&
      scan.integer(dab.radius) && scan.literal(',') && scan.real(dab.value))
    return dab;
  return std::nullopt;
}

std::optional<PaletteEdit> read_palette_edit(std::string_view text) {
  FieldScanner scan(text);
  PaletteEdit edit;
  if (!scan.integer(edit.index) || edit.index < 0) return std::nullopt;
  int channels = 0;
  while (channels < 4 && scan.literal(',') && scan.integer(edit.rgba[channels])) ++channels;
  if (channels < 3) return std::nullopt;  // A may be left out
  for (int& channel : edit.rgba) channel = std::clamp(channel, 0, 255);
  return edit;
}

std::vector<std::pair<int, int>> read_pins(std::string_view text) {
  std::vector<std::pair<int, int>> pins;
  for (std::string_view pair : split(text, ':')) {
    FieldScanner scan(pair);
    int x = 0;
    int y = 0;
    if (!scan.integer(x) || !scan.literal(',') || !scan.integer(y)) break;
    pins.emplace_back(x, y);
  }
  return pins;
}

}  // namespace

bool ScriptHooks::automation_mode() const {
  return shot || wheel_test || save || copy || copy_path || splitter_test || fit_test;
}

bool ScriptHooks::result_wait() const { return save || copy || copy_path || fit_test; }

int ScriptHooks::end_frame() const {
  int events = static_cast<int>(std::max(keys.size(), clicks.size()));
  int last = events * kFramesPerEvent + 28;
  return events > 0 && last > 90 ? last : 90;
}

ScriptHooks read_script_hooks(const EnvironmentLookup& lookup) {
  ScriptHooks hooks;
  auto text = [&](const char* name) { return hook_text(lookup, name); };
  hooks.compare = text("KESTRANE_GUI_COMPARE");
  if (auto value = text("KESTRANE_GUI_VIEW")) hooks.view = std::clamp(integer_text(*value), 0, 6);
  if (auto value = text("KESTRANE_GUI_DITHER")) hooks.dither = std::clamp(integer_text(*value), 0, 4);
  if (auto value = text("KESTRANE_GUI_REQUANT")) hooks.requant_frame = integer_text(*value);
  if (auto value = text("KESTRANE_GUI_SPLIT")) {
    std::vector<std::string_view> names = split(*value, ',');
    hooks.split = {split_source(names[0]), names.size() > 1 ? split_source(names[1]) : 0};
  }
  if (auto value = text("KESTRANE_GUI_ZOOM"))
    hooks.zoom = static_cast<float>(std::clamp(real_text(*value), double{kZoomMin}, double{kZoomMax}));
  if (auto value = text("KESTRANE_GUI_SCROLL")) {
    std::size_t comma = value->find(',');
    double y = comma == std::string::npos ? 0.0 : real_text(std::string_view(*value).substr(comma + 1));
    hooks.scroll = {static_cast<float>(real_text(*value)), static_cast<float>(y)};
  }
  if (auto value = text("KESTRANE_GUI_SETTINGS_SCROLL"))
    hooks.settings_scroll = static_cast<float>(real_text(*value));
  if (auto value = text("KESTRANE_GUI_SIDEBAR")) hooks.sidebar_right = upper((*value)[0]) == 'R';
  if (auto value = text("KESTRANE_GUI_SIDEBAR_W"))
    hooks.sidebar_w = static_cast<float>(std::clamp(real_text(*value), double{kSidebarMinWidth}, double{kSidebarMaxWidth}));
  if (auto value = text("KESTRANE_GUI_KEYS")) {
    for (std::string_view chord : split(*value, ','))
      if (auto key = read_chord(chord)) hooks.keys.push_back(*key);
  }
  if (auto value = text("KESTRANE_GUI_CLICK")) {
    for (std::string_view entry : split(*value, ':'))
      if (auto click = read_click(entry)) hooks.clicks.push_back(*click);
  }
  if (auto value = text("KESTRANE_GUI_PALOPEN")) {
    int index = integer_text(*value);
    if (index >= 0) hooks.palette_open = index;  // a negative one would pass "below the count"
  }
  if (auto value = text("KESTRANE_GUI_PALEDIT")) hooks.palette_edit = read_palette_edit(*value);
  if (auto value = text("KESTRANE_GUI_SECTIONS")) {
    std::array<bool, kSectionCount> open{};
    bool all = same_text_any_case(*value, "all");
    for (const SectionSpec& section : section_table())
      open[section_index(section.id)] = all || contains_word(*value, section.key);
    hooks.sections = open;
  }
  if (auto value = text("KESTRANE_GUI_SPLITPOS"))
    hooks.split_pos = static_cast<float>(std::clamp(real_text(*value), 0.0, 1.0));
  if (auto value = text("KESTRANE_GUI_SPLITDIR")) hooks.split_vertical = upper((*value)[0]) != 'H';
  if (auto value = text("KESTRANE_GUI_COLORS")) hooks.colors = std::clamp(integer_text(*value), 2, static_cast<int>(kPaletteCapacity));
  if (auto value = text("KESTRANE_GUI_FOCUS")) hooks.focus = read_dab(*value);
  if (auto value = text("KESTRANE_GUI_DITHERMAP")) hooks.dither_map = read_dab(*value);
  hooks.pin_file = text("KESTRANE_GUI_PINFILE");
  hooks.palette_file = text("KESTRANE_GUI_PALFILE");
  if (auto value = text("KESTRANE_GUI_PIN")) hooks.pins = read_pins(*value);
  hooks.shot = text("KESTRANE_GUI_SHOT");
  hooks.wheel_test = text("KESTRANE_GUI_WHEELTEST");
  hooks.splitter_test = text("KESTRANE_GUI_SPLITTEST");
  hooks.fit_test = text("KESTRANE_GUI_FITTEST");
  hooks.save = text("KESTRANE_GUI_SAVE");
  hooks.copy = text("KESTRANE_GUI_COPY").has_value();
  hooks.copy_path = text("KESTRANE_GUI_COPYPATH").has_value();
  hooks.self_test = text("KESTRANE_GUI_SELFTEST");
  return hooks;
}

ScriptHooks read_script_hooks() {
  return read_script_hooks([](const char* name) -> const char* { return std::getenv(name); });
}

bool scripted_input_expected(const EnvironmentLookup& lookup) {
  return hook_value(lookup, "KESTRANE_GUI_SHOT") != nullptr ||
         hook_value(lookup, "KESTRANE_GUI_KEYS") != nullptr ||
         hook_value(lookup, "KESTRANE_GUI_CLICK") != nullptr;
}
