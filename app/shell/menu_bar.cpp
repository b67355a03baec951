#include "app/shell/menu_bar.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <string>

#include "app/document/document.h"
#include "app/platform/follow_desktop_label.h"
#include "app/platform/key_codes.h"
#include "app/shell/commands.h"
#include "app/shell/menu_driver.h"
#include "app/shell/open_image.h"
#include "app/shell/root_window.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/edit_actions.h"
#include "app/ui/mnemonic.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

constexpr int kTopMenuCount = 5;
const char* const kTopMenus[kTopMenuCount] = {"&File", "&Edit", "&View", "&Tools", "&Help"};

bool pressed(int key, bool repeat = false) { return ImGui::IsKeyPressed(key, repeat); }

bool text_input() { return ImGui::GetIO().WantTextInput; }

bool any_popup_open() { return ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel); }

bool modal_open(const UiState& ui) { return ui.options_window_open || ui.about_window_open; }

// The letter or digit pressed this frame, upper case; 0 when none.
char letter_pressed() {
  for (int i = 0; i < 26; ++i)
    if (pressed(letter_key_index(static_cast<char>('A' + i)))) return static_cast<char>('A' + i);
  for (int i = 0; i < 9; ++i)
    if (pressed(digit_key_index(static_cast<char>('1' + i)))) return static_cast<char>('1' + i);
  if (pressed(digit_key_index('0'))) return '0';
  return 0;
}

bool any_key_pressed_except_alt() {
  ImGuiIO& io = ImGui::GetIO();
  for (int key = 0; key < IM_ARRAYSIZE(io.KeysDown); ++key) {
    if (key == key_index(Key::left_alt) || key == key_index(Key::right_alt)) continue;
    if (io.KeysDown[key] && io.KeysDownDuration[key] == 0.0f) return true;
  }
  return false;
}

bool any_mouse_down() {
  ImGuiIO& io = ImGui::GetIO();
  for (bool down : io.MouseDown)
    if (down) return true;
  return false;
}

int top_menu_for_letter(char letter) {
  for (int i = 0; i < kTopMenuCount; ++i)
    if (letter != 0 && parse_mnemonic(translate(kTopMenus[i])).key == letter) return i;
  return -1;
}

void force_navigation_highlight(MenuKeyboard& keys) {
  keys.nav_visible_frames = 2;
}

// The Alt key's own behaviour, before the menus are drawn.
void menu_keyboard(UiState& ui, bool popup_open, char letter) {
  MenuKeyboard& keys = ui.menu_keys;
  ImGuiIO& io = ImGui::GetIO();
  // The modifier, not the keys: scripted runs and both Alt keys look the same.
  const bool alt_held = io.KeyAlt;
  const bool alt_went_down = alt_held && !keys.alt_was_held;
  keys.alt_was_held = alt_held;

  if (keys.reopen_mode_in > 0 && --keys.reopen_mode_in == 0 && !popup_open) keys.mode = true;
  if (keys.nav_visible_frames > 0) {
    --keys.nav_visible_frames;
    ImGuiContext& g = *ImGui::GetCurrentContext();
    g.NavDisableHighlight = false;
    g.NavDisableMouseHover = true;
  }

  // A tap: Alt down and up with nothing else in between.
  if (alt_went_down) {
    keys.alt_down = true;
    keys.alt_combined = false;
  } else if (keys.alt_down) {
    // Alt with the wheel sizes the brush: that is no tap either.
    if (any_key_pressed_except_alt() || any_mouse_down() || io.MouseWheel != 0.0f || io.MouseWheelH != 0.0f ||
        io.KeyCtrl || io.KeyShift)
      keys.alt_combined = true;
    if (!alt_held) {
      keys.alt_down = false;
      if (!keys.alt_combined && !modal_open(ui)) {
        if (popup_open) {
          ImGui::ClosePopupToLevel(0, true);
          keys.mode = false;
        } else {
          keys.mode = !keys.mode;
          if (keys.mode) keys.highlighted = 0;  // a tap always starts at File
        }
      }
    }
  }

  // Alt + a top menu's letter opens it directly.
  if (alt_held && !io.KeyCtrl && !text_input() && !modal_open(ui)) {
    int menu = top_menu_for_letter(letter);
    if (menu >= 0) {
      keys.alt_combined = true;
      keys.open_next = menu;
      keys.highlighted = menu;
      keys.mode = false;
      force_navigation_highlight(keys);
      return;
    }
  }

  if (!keys.mode) return;
  if (popup_open || pressed(key_index(Key::escape)) || any_mouse_down()) {
    keys.mode = false;
    return;
  }
  if (pressed(key_index(Key::left), true)) keys.highlighted = (keys.highlighted + kTopMenuCount - 1) % kTopMenuCount;
  if (pressed(key_index(Key::right), true)) keys.highlighted = (keys.highlighted + 1) % kTopMenuCount;
  int menu = -1;
  for (int key : {key_index(Key::down), key_index(Key::enter), key_index(Key::space)}) {
    if (!pressed(key)) continue;
    menu = keys.highlighted;
    keys.consumed_key = key;  // the menu opens; its items must not see this key too
  }
  if (!io.KeyAlt && top_menu_for_letter(letter) >= 0) menu = top_menu_for_letter(letter);
  if (menu >= 0) {
    keys.open_next = menu;
    keys.highlighted = menu;
    keys.mode = false;
    force_navigation_highlight(keys);
  }
}

// "&1  C:\path" for the first nine entries; an "&" in a path is shown as it is.
std::string recent_label(std::size_t index, const std::string& path) {
  std::string escaped;
  for (char c : path) {
    escaped.push_back(c);
    if (c == '&') escaped.push_back('&');
  }
  std::string number = std::to_string(index + 1);
  return (index < 9 ? "&" : "") + number + "  " + escaped + "##recent" + std::to_string(index);
}

void file_menu(PanelContext& context, MenuDriver& menus) {
  UiState& ui = context.ui;
  command_item(menus, context, CommandId::open);
  if (menus.begin_sub("Open &recent", !ui.recent.empty())) {
    for (std::size_t i = 0; i < ui.recent.size(); ++i) {
      if (menus.item(recent_label(i, ui.recent[i]).c_str())) {
        std::string path = ui.recent[i];
        if (!open_image(context.document, ui, context.textures, path)) std::erase(ui.recent, path);
        break;
      }
    }
    ImGui::Separator();
    if (menus.item("&Clear list")) ui.recent.clear();
    menus.end_sub();
  }
  command_item(menus, context, CommandId::save);
  ImGui::Separator();
  if (menus.item("E&xit")) context.requests.quit = true;
}

void edit_menu(PanelContext& context, MenuDriver& menus) {
  Document& document = context.document;
  UiState& ui = context.ui;
  command_item(menus, context, CommandId::undo);
  command_item(menus, context, CommandId::redo);
  ImGui::Separator();
  command_item(menus, context, CommandId::copy_image);
  command_item(menus, context, CommandId::copy_path);
  ImGui::Separator();
  if (menus.item("Copy &quantizer parameters")) ui.status = copy_quantizer_parameters(document);
  if (menus.item("Pas&te quantizer parameters", nullptr, false, clipboard_has_text()))
    ui.status = paste_quantizer_parameters(document);
}

void view_menu(PanelContext& context, MenuDriver& menus) {
  UiState& ui = context.ui;
  if (menus.item("&Sidebar on the right", nullptr, ui.sidebar_right)) ui.sidebar_right = !ui.sidebar_right;
  if (menus.item("&Unfold all panels")) ui.sections.fill(true);
  if (menus.item("&Fold all panels")) ui.sections.fill(false);
  ImGui::Separator();
  command_item(menus, context, CommandId::zoom_in);
  command_item(menus, context, CommandId::zoom_out);
  command_item(menus, context, CommandId::reset_zoom);
  ImGui::Separator();
  if (menus.begin_sub("Langua&ge")) {
    auto choose = [&ui](const char* code) {
      ui.language = code;
      ui.language_reload = true;  // between frames: this frame still uses the current strings
    };
    if (menus.item(follow_desktop_label(), nullptr, ui.language == "auto")) choose("auto");
    // The language names are not translated.
    if (menus.item("&English", nullptr, ui.language == "en", true, false)) choose("en");
    if (menus.item("&Japanese", nullptr, ui.language == "ja", true, false)) choose("ja");
    menus.end_sub();
  }
  if (menus.begin_sub("&Theme")) {
    if (menus.item("&Dark", nullptr, ui.theme == Theme::dark)) ui.theme = Theme::dark;
    if (menus.item("&Light", nullptr, ui.theme == Theme::light)) ui.theme = Theme::light;
    if (menus.item(follow_desktop_label(), nullptr, ui.theme == Theme::follow_system)) ui.theme = Theme::follow_system;
    menus.end_sub();
  }
}

}  // namespace

void global_shortcuts(PanelContext& context) {
  dispatch_shortcuts(context);
  // The brush keys repeat while held, and only while a paint tool is chosen.
  UiState& ui = context.ui;
  if (ui.tool != Tool::none && !text_input() && context.document.width() != 0) {
    int step = (pressed(key_index(Key::right_bracket), true) ? 2 : 0) - (pressed(key_index(Key::left_bracket), true) ? 2 : 0);
    if (step != 0) set_brush(ui, ui.brush + step);
  }
}

void menu_bar(PanelContext& context) {
  UiState& ui = context.ui;
  MenuKeyboard& keys = ui.menu_keys;
  const bool popup_open = any_popup_open();
  ImGuiIO& io = ImGui::GetIO();
  // A menu reached from the keyboard keeps its letters underlined, and so does one
  // in which an arrow key was used.
  if (!popup_open) keys.from_keyboard = false;
  if (popup_open && (pressed(key_index(Key::up)) || pressed(key_index(Key::down)) || pressed(key_index(Key::left)) ||
                     pressed(key_index(Key::right))))
    keys.from_keyboard = true;
  // Escape in an open top menu closes it and brings the mode back, on that menu.
  // (The interface library has already closed it when this runs.)
  if (keys.open_depth == 1 && pressed(key_index(Key::escape)) && !modal_open(ui)) keys.reopen_mode_in = 3;
  if (keys.neighbour_step != 0) {
    keys.open_next = (keys.highlighted + keys.neighbour_step + kTopMenuCount) % kTopMenuCount;
    keys.neighbour_step = 0;
    force_navigation_highlight(keys);
  }

  char letter = (io.KeyCtrl || text_input()) ? 0 : letter_pressed();
  menu_keyboard(ui, popup_open, letter);

  const bool underline = !modal_open(ui) && (io.KeyAlt || keys.mode || (popup_open && keys.from_keyboard));
  MenuDriver menus(keys, io.KeyAlt ? 0 : letter, underline);
  if (!ImGui::BeginMenuBar()) return;
  for (int i = 0; i < kTopMenuCount; ++i) {
    if (!menus.begin_top(i, kTopMenus[i])) continue;
    keys.highlighted = i;
    switch (i) {
      case 0: file_menu(context, menus); break;
      case 1: edit_menu(context, menus); break;
      case 2: view_menu(context, menus); break;
      case 3:
        if (menus.item("&Options...")) ui.options_open_requested = true;
        break;
      default:
        if (menus.item("&About...")) ui.about_open_requested = true;
        break;
    }
    menus.end_top();
  }
  ImGui::EndMenuBar();
}

void hold_back_consumed_key(UiState& ui) {
  MenuKeyboard& keys = ui.menu_keys;
  ImGuiIO& io = ImGui::GetIO();
  if (keys.consumed_key >= 0) {
    if (io.KeysDown[keys.consumed_key]) {
      io.KeysDown[keys.consumed_key] = false;
      return;
    }
    keys.consumed_key = -1;
  }
  // Left and Right in an open top menu go to its neighbour, unless Right is for the
  // submenu under the highlight. Taken here, before the interface library would
  // read them as a move and close the menu.
  if (keys.open_depth != 1 || io.WantTextInput) return;
  auto new_press = [&](int key) { return io.KeysDown[key] && io.KeysDownDuration[key] < 0.0f; };
  int step = new_press(key_index(Key::left)) ? -1 : (new_press(key_index(Key::right)) && !keys.nav_on_submenu) ? 1 : 0;
  if (step == 0) return;
  keys.neighbour_step = step;
  keys.consumed_key = step < 0 ? key_index(Key::left) : key_index(Key::right);
  io.KeysDown[keys.consumed_key] = false;
}

void update_keyboard_navigation() {
  ImGuiIO& io = ImGui::GetIO();
  if (any_popup_open())
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  else
    io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
}
