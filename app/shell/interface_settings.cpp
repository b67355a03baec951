#include "app/shell/interface_settings.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/document/document.h"
#include "app/ui/section_keys.h"
#include "io/settings.h"
#include "io/settings_values.h"

namespace {

int read_clamped(const std::string& path, const char* key, int fallback, int low, int high) {
  return std::clamp(settings_read_int(path, key, fallback), low, high);
}

bool read_flag(const std::string& path, const char* key, bool fallback) {
  return settings_read_int(path, key, fallback ? 1 : 0) != 0;
}

// Not above `low` becomes `low`: a stored 0 or a word must not zoom to nothing.
float read_scale(const std::string& path, const char* key, double fallback, double low,
                 double high) {
  double value = settings_read_real(path, key, fallback);
  if (!(value > low)) value = low;
  return static_cast<float>(std::min(value, high));
}

std::string section_key(int section) { return std::string("sec_") + kSectionNames[section]; }

}  // namespace

InterfaceSettings read_interface_settings(const std::string& path, UiState& ui, Document& document) {
  InterfaceSettings settings;
  WindowPlacement& placement = settings.placement;
  placement.x = settings_read_int(path, "window_x", INT_MIN);
  placement.y = settings_read_int(path, "window_y", INT_MIN);
  placement.w = settings_read_int(path, "window_w", 0);
  placement.h = settings_read_int(path, "window_h", 0);
  placement.maximized = read_flag(path, "window_maximized", false);

  ui.theme = read_clamped(path, "theme", 0, 0, 2);
  ui.language = settings_read_text(path, "language", "auto");
  ui.recent.clear();
  for (int i = 0; i < kRecentLimit; ++i) {
    std::string entry = settings_read_text(path, ("recent" + std::to_string(i)).c_str(), "");
    if (!entry.empty()) ui.recent.push_back(entry);
  }
  ui.view = read_clamped(path, "view", ui.view, 0, kViewCount - 1);
  ui.split_vertical = read_flag(path, "split_vertical", ui.split_vertical);
  ui.split_first = read_clamped(path, "split_first", ui.split_first, 0, 2);
  ui.split_second = read_clamped(path, "split_second", ui.split_second, 0, 2);
  ui.fit_to_window = read_flag(path, "fit_to_window", ui.fit_to_window);
  ui.zoom = read_scale(path, "zoom", ui.zoom, 0.05, 64.0);
  settings.ui_zoom = read_scale(path, "ui_zoom", 1.0, 0.5, 3.0);
  ui.sidebar_right = read_flag(path, "sidebar_right", ui.sidebar_right);
  ui.sidebar_w = static_cast<float>(std::clamp(settings_read_real(path, "sidebar_w", ui.sidebar_w),
                                               double{kSidebarMinWidth}, double{kSidebarMaxWidth}));
  int paledit_x = settings_read_int(path, "paledit_x", -32768);
  int paledit_y = settings_read_int(path, "paledit_y", -32768);
  ui.paledit_known = paledit_x != -32768 && paledit_y != -32768;
  if (ui.paledit_known) {
    ui.paledit_x = static_cast<float>(paledit_x);
    ui.paledit_y = static_cast<float>(paledit_y);
  }
  ui.diff_gain = read_clamped(path, "diff_gain", ui.diff_gain, 1, 32);
  ui.focus_show = read_flag(path, "focus_show", ui.focus_show);
  ui.dither_map_show = read_flag(path, "dither_map_show", ui.dither_map_show);
  ui.checkerboard = read_flag(path, "checkerboard", ui.checkerboard);
  ui.brush = read_clamped(path, "focus_brush", ui.brush, kBrushMinimum, kBrushMaximum);

  DocumentSettings kept = document.settings();
  load_engine_settings(path, kept.options);
  kept.use_pins = read_flag(path, "use_pins", kept.use_pins);
  kept.use_focus = read_flag(path, "use_focus", kept.use_focus);
  kept.use_dither_map = read_flag(path, "use_dither_map", kept.use_dither_map);
  kept.compare = read_flag(path, "compare", kept.compare);
  kept.compare_path = settings_read_text(path, "compare_path", kept.compare_path);
  kept.diff_gain = ui.diff_gain;
  document.apply_settings(kept);

  // Folded by default unless the feature behind the section is in use.
  std::array<bool, 8> unfolded = ui.sections;
  unfolded[2] = document.compare();
  unfolded[3] = document.use(UseFlag::focus);
  unfolded[4] = !document.layer(kDitherLayer).empty;
  unfolded[5] = document.use(UseFlag::pins);
  for (int i = 0; i < 8; ++i) ui.sections[i] = read_flag(path, section_key(i).c_str(), unfolded[i]);
  return settings;
}

void write_interface_settings(const std::string& path, const UiState& ui, const Document& document,
                              const WindowPlacement* placement, float ui_zoom) {
  if (path.empty()) return;
  std::vector<SettingsValue> values;
  auto integer = [&](const char* key, long long value) {
    values.push_back({key, std::to_string(value)});
  };
  auto real = [&](const char* key, double value) {
    values.push_back({key, format_real(value, RealFormat::kShortest6)});
  };
  if (placement != nullptr) {
    integer("window_x", placement->x);
    integer("window_y", placement->y);
    integer("window_w", placement->w);
    integer("window_h", placement->h);
    integer("window_maximized", placement->maximized ? 1 : 0);
  }
  integer("theme", ui.theme);
  values.push_back({"language", ui.language});
  integer("view", ui.view);
  integer("split_vertical", ui.split_vertical);
  integer("split_first", ui.split_first);
  integer("split_second", ui.split_second);
  integer("fit_to_window", ui.fit_to_window);
  real("zoom", ui.zoom);
  real("ui_zoom", ui_zoom);
  integer("sidebar_right", ui.sidebar_right);
  integer("sidebar_w", std::lround(ui.sidebar_w));
  for (int i = 0; i < 8; ++i) values.push_back({section_key(i), ui.sections[i] ? "1" : "0"});
  if (ui.paledit_known) {
    integer("paledit_x", std::lround(ui.paledit_x));
    integer("paledit_y", std::lround(ui.paledit_y));
  }
  integer("diff_gain", ui.diff_gain);
  integer("focus_show", ui.focus_show);
  integer("dither_map_show", ui.dither_map_show);
  integer("checkerboard", ui.checkerboard);
  integer("focus_brush", ui.brush);
  const DocumentSettings kept = document.settings();
  for (SettingsValue& value : engine_settings_values(kept.options)) values.push_back(value);
  integer("use_pins", kept.use_pins);
  integer("use_focus", kept.use_focus);
  integer("use_dither_map", kept.use_dither_map);
  integer("compare", kept.compare);
  integer("compare_source", 1);
  // A path the lookup found is looked up again on the next start.
  values.push_back({"compare_path", kept.compare_path});
  for (int i = 0; i < kRecentLimit; ++i) {
    values.push_back({"recent" + std::to_string(i),
                      i < static_cast<int>(ui.recent.size()) ? ui.recent[i] : std::string()});
  }
  settings_write_all(path, values);
}
