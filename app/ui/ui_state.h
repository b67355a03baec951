#pragma once
// The view and panel state of the desktop face, owned by the main thread.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/document/map_layer.h"
#include "app/ui/section_id.h"

// The settings file and scripted runs store these as their numbers, in this order.
enum class View { quantized, original, side_by_side, split, difference, reference, ours_vs_reference };
inline constexpr int kViewCount = 7;
// What one half of the split view shows.
enum class SplitSide { original, ours, reference };
inline constexpr int kSplitSideCount = 3;
enum class Theme { dark, light, follow_system };
inline constexpr int kThemeCount = 3;
// What a left drag on the image does, besides picking pins.
enum class Tool { none, paint_focus, paint_dither };
// The paint layer a painting tool works on (kFocusLayer, kDitherLayer), and back.
constexpr int tool_layer(Tool tool) { return tool == Tool::paint_focus ? kFocusLayer : kDitherLayer; }
constexpr Tool paint_tool(int layer) { return layer == kFocusLayer ? Tool::paint_focus : Tool::paint_dither; }

inline constexpr int kRecentLimit = 10;
inline constexpr int kBrushMinimum = 4;  // brush radius in source pixels
inline constexpr int kBrushMaximum = 200;
inline constexpr int kDiffGainMinimum = 1;  // the Difference view's amplification
inline constexpr int kDiffGainMaximum = 32;
// The image view's zoom range.
inline constexpr float kZoomMin = 0.05f;
inline constexpr float kZoomMax = 64.0f;
inline constexpr float kSidebarMinWidth = 180.0f;
inline constexpr float kSidebarMaxWidth = 900.0f;
inline constexpr float kSidebarDefaultWidth = 300.0f;

// Where things were laid out in the last frame: what scripted runs aim at.
struct FrameLayout {
  bool pane_has_image = false;
  float pane_x = 0, pane_y = 0, pane_w = 0, pane_h = 0;  // the image pane's rectangle
  float origin_x = 0, origin_y = 0;  // the pane's content origin, before the pan
  float scale = 1.0f;                // the scale the image was drawn at
  float pan_x = 0, pan_y = 0;        // the pan before this frame's wheel step
  float splitter_x = 0, splitter_y = 0, splitter_w = 0, splitter_h = 0;
  bool splitter_active = false;
  float sidebar_drawn_w = 0;
  float sidebar_overflow = 0;  // how far the sidebar's widest row reaches past its right edge
  float image_pane_w = 0;
};

// Driving the menu bar from the keyboard.
struct MenuKeyboard {
  bool mode = false;        // the menu bar takes the keys: a top menu is highlighted
  int highlighted = 0;      // 0..4: File, Edit, View, Tools, Help
  int open_next = -1;       // the top menu to open on this frame, or -1
  int reopen_mode_in = 0;   // frames until the mode returns after Escape closed a menu
  int nav_visible_frames = 0;  // frames the keyboard highlight is forced visible
  bool alt_was_held = false;  // Alt in the last frame
  bool alt_down = false;    // Alt is held and nothing else happened since it went down
  bool alt_combined = false;
  bool from_keyboard = false;  // the open menu was reached from the keyboard
  int consumed_key = -1;       // the scancode held back until released, or -1
  int neighbour_step = 0;      // -1 or +1: open the top menu beside the open one
  int open_depth = 0;
  bool nav_on_submenu = false;          // menus open in the last frame, for the mnemonic letters
};

// The palette-entry editor: which entry, its colour when opened, the colour being chosen.
struct PaletteEditorState {
  int index = -1;  // -1: closed
  bool open_requested = false;
  std::array<std::uint8_t, 4> original{0, 0, 0, 255};
  std::array<float, 4> working{0, 0, 0, 1};
  std::vector<std::array<float, 4>> recent;  // most recent first, at most eight
};

struct UiState {
  View view = View::split;
  bool split_vertical = true;
  SplitSide split_first = SplitSide::original;
  SplitSide split_second = SplitSide::ours;
  float split_pos = 0.5f;
  bool fit_to_window = true;
  float zoom = 1.0f;
  float pan[2] = {0.0f, 0.0f};
  bool panning = false;
  int pan_button = 0;  // the mouse button that started the pan
  bool sidebar_right = false;
  float sidebar_w = kSidebarDefaultWidth;
  int diff_gain = 8;
  bool focus_show = true;
  bool dither_map_show = true;
  bool checkerboard = true;  // checks behind the pictures show what is transparent
  int brush = 40;
  Tool tool = Tool::none;
  bool picking = false;
  bool overlay_dirty[2] = {true, true};  // per paint layer: its overlay texture needs rebuilding
  std::array<bool, kSectionCount> sections{true, true, false, false, false, false, true, true};  // by Section
  Theme theme = Theme::dark;
  std::string language = "auto";
  bool language_reload = false;  // the language was chosen: load it before the next frame
  std::vector<std::string> recent;  // most recent first
  std::string status;
  float settings_scroll = -1.0f;  // >= 0: the sidebar's scroll, held there by a scripted run
  MenuKeyboard menu_keys;
  bool options_open_requested = false;  // set by the menu, taken by the window's code
  bool about_open_requested = false;
  bool options_window_open = false;
  bool about_window_open = false;
  std::string readout;  // the pixel under the cursor, this frame
  int hovered_palette_index = -1;
  PaletteEditorState palette_editor;
  bool paledit_known = false;
  float paledit_x = -32768.0f, paledit_y = -32768.0f;

  FrameLayout layout;
};
