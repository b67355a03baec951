#pragma once
// The KESTRANE_GUI_* variables that drive the desktop face without a person,
// read once at start-up into one record. Numbers are read as atoi/atof read
// them, so malformed text counts as 0.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ui/section_id.h"

struct KeyChord {
  int virtual_key = 0;  // the desktop build's key codes: 13 enter, 27 esc, 37..40 arrows, 'A'..'Z', ...
  bool alt = false;
  bool ctrl = false;
  bool shift = false;
  float wheel = 0.0f;  // "wheelup" / "wheeldown": notches turned while the chord is down
};

struct ScriptClick {
  float x = 0.0f;  // interface pixels
  float y = 0.0f;
  bool right = false;
  bool double_click = false;
};

struct ScriptDab {  // KESTRANE_GUI_FOCUS / _DITHERMAP: "%d,%d,%d,%f"
  int x = 0;
  int y = 0;
  int radius = 0;
  double value = 0.0;  // focus weight, or the dither amount
};

struct PaletteEdit {  // KESTRANE_GUI_PALEDIT: index,R,G,B[,A]
  int index = 0;
  std::array<int, 4> rgba{0, 0, 0, 255};  // each clamped to 0..255
};

struct ScriptHooks {
  // In the order they are read.
  std::optional<std::string> compare;  // "builtin" (any case) or a program path
  std::optional<int> view;
  std::optional<int> dither;           // clamped to 0..4
  std::optional<int> requant_frame;
  std::optional<std::pair<int, int>> split;  // split_first, split_second: 0 source, 1 ours, 2 reference
  std::optional<float> zoom;                 // already limited to kZoomMin..kZoomMax
  std::optional<std::pair<float, float>> scroll;
  float settings_scroll = -1.0f;             // < 0: not set
  std::optional<bool> sidebar_right;
  std::optional<float> sidebar_w;            // clamped to 180..900
  std::vector<KeyChord> keys;
  std::vector<ScriptClick> clicks;
  std::optional<int> palette_open;
  std::optional<PaletteEdit> palette_edit;
  std::optional<std::array<bool, kSectionCount>> sections;  // in the order of Section
  std::optional<float> split_pos;               // clamped to 0..1
  std::optional<bool> split_vertical;
  std::optional<int> colors;                    // clamped to 2..kPaletteCapacity
  std::optional<ScriptDab> focus;
  std::optional<ScriptDab> dither_map;
  std::optional<std::string> pin_file;
  std::optional<std::string> palette_file;
  std::optional<std::vector<std::pair<int, int>>> pins;  // stops at the first pair that does not parse
  std::optional<std::string> shot;
  std::optional<std::string> wheel_test;
  std::optional<std::string> splitter_test;
  std::optional<std::string> fit_test;  // once a result shows: how far the sidebar's widest row overflows
  std::optional<std::string> save;
  bool copy = false;
  bool copy_path = false;
  std::optional<std::string> self_test;

  // Never idles, counts as foreground, writes no settings at exit.
  bool automation_mode() const;
  // Save or copy once a result is ready, with the 600-frame timeout.
  bool result_wait() const;
  // The frame at which a screenshot or wheel-test run ends.
  int end_frame() const;
};

using EnvironmentLookup = std::function<const char*(const char* name)>;
ScriptHooks read_script_hooks(const EnvironmentLookup& lookup);
ScriptHooks read_script_hooks();  // from the process environment

// True when any of SHOT, KEYS or CLICK is set, before the window is shown.
bool scripted_input_expected(const EnvironmentLookup& lookup);
