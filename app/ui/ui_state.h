#pragma once
// The view and panel state of the desktop face, owned by the main thread.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kViewCount = 7;
enum ViewMode {
  kViewQuantized = 0,
  kViewOriginal = 1,
  kViewSideBySide = 2,
  kViewSplit = 3,
  kViewDifference = 4,
  kViewReference = 5,
  kViewOursVsReference = 6,
};
// What one half of the split view shows.
enum SplitSide { kSideOriginal = 0, kSideOurs = 1, kSideReference = 2 };

inline constexpr int kRecentLimit = 10;
inline constexpr int kBrushMinimum = 4;  // brush radius in source pixels
inline constexpr int kBrushMaximum = 200;
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
  int view = kViewSplit;
  bool split_vertical = true;
  int split_first = kSideOriginal;
  int split_second = kSideOurs;
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
  int tool = -1;  // -1 none, 0 paint focus, 1 paint dither
  bool picking = false;
  bool overlay_dirty[2] = {true, true};  // per paint layer: its overlay texture needs rebuilding
  std::array<bool, 8> sections{true, true, false, false, false, false, true, true};
  int theme = 0;  // 0 dark, 1 light, 2 follow the system
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
