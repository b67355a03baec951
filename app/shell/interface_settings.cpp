// The desktop face's keys of the settings file. The view and panel keys are one
// table walked by both the read at start-up and the write at exit.
#include "app/shell/interface_settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <type_traits>
#include <vector>

#include "app/document/document.h"
#include "app/panels/section_table.h"
#include "io/settings.h"
#include "io/settings_values.h"

namespace {

enum class KeyKind {
  flag,   // 0 or 1
  whole,  // an integer, clamped to the range
  scale,  // a real; not above the low end is the low end, so nothing zooms to nothing
  width,  // a real clamped to the range, stored as the nearest integer
};

struct InterfaceKey {
  const char* key;
  KeyKind kind;
  double low, high;
  double (*get)(const UiState&);
  void (*set)(UiState&, double);
};

template <auto Member>
double get_member(const UiState& ui) {
  const auto& value = ui.*Member;
  if constexpr (std::is_enum_v<std::remove_cvref_t<decltype(value)>>)
    return static_cast<double>(static_cast<int>(value));
  else
    return static_cast<double>(value);
}

template <auto Member>
void set_member(UiState& ui, double value) {
  using Value = std::remove_cvref_t<decltype(ui.*Member)>;
  if constexpr (std::is_enum_v<Value> || std::is_same_v<Value, int>)
    ui.*Member = static_cast<Value>(static_cast<int>(value));
  else if constexpr (std::is_same_v<Value, bool>)
    ui.*Member = value != 0.0;
  else
    ui.*Member = static_cast<Value>(value);
}

template <auto Member>
constexpr InterfaceKey key(const char* name, KeyKind kind, double low = 0.0, double high = 1.0) {
  return {name, kind, low, high, get_member<Member>, set_member<Member>};
}

// In the order they are written.
const InterfaceKey kInterfaceKeys[] = {
    key<&UiState::theme>("theme", KeyKind::whole, 0, kThemeCount - 1),
    key<&UiState::view>("view", KeyKind::whole, 0, kViewCount - 1),
    key<&UiState::split_vertical>("split_vertical", KeyKind::flag),
    key<&UiState::split_first>("split_first", KeyKind::whole, 0, kSplitSideCount - 1),
    key<&UiState::split_second>("split_second", KeyKind::whole, 0, kSplitSideCount - 1),
    key<&UiState::fit_to_window>("fit_to_window", KeyKind::flag),
    key<&UiState::zoom>("zoom", KeyKind::scale, kZoomMin, kZoomMax),
    key<&UiState::sidebar_right>("sidebar_right", KeyKind::flag),
    key<&UiState::sidebar_w>("sidebar_w", KeyKind::width, kSidebarMinWidth, kSidebarMaxWidth),
    key<&UiState::diff_gain>("diff_gain", KeyKind::whole, kDiffGainMinimum, kDiffGainMaximum),
    key<&UiState::focus_show>("focus_show", KeyKind::flag),
    key<&UiState::dither_map_show>("dither_map_show", KeyKind::flag),
    key<&UiState::checkerboard>("checkerboard", KeyKind::flag),
    key<&UiState::brush>("focus_brush", KeyKind::whole, kBrushMinimum, kBrushMaximum),
};

// A stored interface zoom is taken within these; setting it keeps it within its steps.
constexpr double kStoredUiZoomLow = 0.5;
constexpr double kStoredUiZoomHigh = 3.0;

// The Document's switches the settings file keeps.
struct DocumentFlagKey {
  const char* key;
  bool DocumentSettings::*member;
};
const DocumentFlagKey kDocumentFlagKeys[] = {
    {"use_pins", &DocumentSettings::use_pins},
    {"use_focus", &DocumentSettings::use_focus},
    {"use_dither_map", &DocumentSettings::use_dither_map},
    {"compare", &DocumentSettings::compare},
};

bool read_flag(const std::string& path, const char* key, bool fallback) {
  return settings_read_int(path, key, fallback ? 1 : 0) != 0;
}

// Not above `low` becomes `low`: a stored 0 or a word must not zoom to nothing.
double read_scale(const std::string& path, const char* key, double fallback, double low, double high) {
  double value = settings_read_real(path, key, fallback);
  if (!(value > low)) value = low;
  return std::min(value, high);
}

double read_key(const std::string& path, const InterfaceKey& key, double current) {
  switch (key.kind) {
    case KeyKind::flag: return read_flag(path, key.key, current != 0.0) ? 1.0 : 0.0;
    case KeyKind::whole:
      return std::clamp(settings_read_int(path, key.key, static_cast<int>(current)), static_cast<int>(key.low),
                        static_cast<int>(key.high));
    case KeyKind::scale: return static_cast<float>(read_scale(path, key.key, current, key.low, key.high));
    case KeyKind::width: break;
  }
  return static_cast<float>(std::clamp(settings_read_real(path, key.key, current), key.low, key.high));
}

std::string key_text(const InterfaceKey& key, double value) {
  switch (key.kind) {
    case KeyKind::scale: return format_real(value, RealFormat::kShortest6);
    case KeyKind::width: return std::to_string(std::lround(value));
    case KeyKind::flag:
    case KeyKind::whole: break;
  }
  return std::to_string(static_cast<long long>(value));
}

std::string section_key(const SectionSpec& section) { return std::string("sec_") + section.key; }

}  // namespace

InterfaceSettings read_interface_settings(const std::string& path, UiState& ui, Document& document) {
  InterfaceSettings settings;
  WindowPlacement& placement = settings.placement;
  placement.x = settings_read_int(path, "window_x", INT_MIN);
  placement.y = settings_read_int(path, "window_y", INT_MIN);
  placement.w = settings_read_int(path, "window_w", 0);
  placement.h = settings_read_int(path, "window_h", 0);
  placement.maximized = read_flag(path, "window_maximized", false);

  for (const InterfaceKey& key : kInterfaceKeys) key.set(ui, read_key(path, key, key.get(ui)));
  ui.language = settings_read_text(path, "language", "auto");
  ui.recent.clear();
  for (int i = 0; i < kRecentLimit; ++i) {
    std::string entry = settings_read_text(path, ("recent" + std::to_string(i)).c_str(), "");
    if (!entry.empty()) ui.recent.push_back(entry);
  }
  settings.ui_zoom = static_cast<float>(read_scale(path, "ui_zoom", 1.0, kStoredUiZoomLow, kStoredUiZoomHigh));
  int paledit_x = settings_read_int(path, "paledit_x", -32768);
  int paledit_y = settings_read_int(path, "paledit_y", -32768);
  ui.paledit_known = paledit_x != -32768 && paledit_y != -32768;
  if (ui.paledit_known) {
    ui.paledit_x = static_cast<float>(paledit_x);
    ui.paledit_y = static_cast<float>(paledit_y);
  }

  DocumentSettings kept = document.settings();
  load_engine_settings(path, kept.options);
  for (const DocumentFlagKey& key : kDocumentFlagKeys)
    kept.*key.member = read_flag(path, key.key, kept.*key.member);
  kept.compare_path = settings_read_text(path, "compare_path", kept.compare_path);
  kept.diff_gain = ui.diff_gain;
  document.apply_settings(kept);

  // Folded by default unless the feature behind the section is in use.
  for (const SectionSpec& section : section_table()) {
    bool& unfolded = ui.sections[section_index(section.id)];
    unfolded = read_flag(path, section_key(section).c_str(), section_unfolded_by_default(section, document));
  }
  return settings;
}

void write_interface_settings(const std::string& path, const UiState& ui, const Document& document,
                              const WindowPlacement* placement, float ui_zoom) {
  if (path.empty()) return;
  std::vector<SettingsValue> values;
  auto integer = [&](const char* key, long long value) {
    values.push_back({key, std::to_string(value)});
  };
  if (placement != nullptr) {
    integer("window_x", placement->x);
    integer("window_y", placement->y);
    integer("window_w", placement->w);
    integer("window_h", placement->h);
    integer("window_maximized", placement->maximized ? 1 : 0);
  }
  values.push_back({"language", ui.language});
  for (const InterfaceKey& key : kInterfaceKeys) values.push_back({key.key, key_text(key, key.get(ui))});
  values.push_back({"ui_zoom", format_real(ui_zoom, RealFormat::kShortest6)});
  for (const SectionSpec& section : section_table())
    values.push_back({section_key(section), ui.sections[section_index(section.id)] ? "1" : "0"});
  if (ui.paledit_known) {
    integer("paledit_x", std::lround(ui.paledit_x));
    integer("paledit_y", std::lround(ui.paledit_y));
  }
  const DocumentSettings kept = document.settings();
  for (SettingsValue& value : engine_settings_values(kept.options)) values.push_back(value);
  for (const DocumentFlagKey& key : kDocumentFlagKeys) integer(key.key, kept.*key.member);
  integer("compare_source", 1);
  // A path the lookup found is looked up again on the next start.
  values.push_back({"compare_path", kept.compare_path});
  for (int i = 0; i < kRecentLimit; ++i) {
    values.push_back({"recent" + std::to_string(i),
                      i < static_cast<int>(ui.recent.size()) ? ui.recent[i] : std::string()});
  }
  settings_write_all(path, values);
}
