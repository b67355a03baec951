#include "app/shell/menu_driver.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>

#include "app/ui/mnemonic.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

MenuDriver::MenuDriver(MenuKeyboard& keys, char letter, bool underline)
    : keys_(keys), letter_(letter), underline_(underline) {}

MenuDriver::~MenuDriver() {
  keys_.open_depth = deepest_;
  keys_.nav_on_submenu = nav_on_submenu_;
}

bool MenuDriver::letter_for_this_menu(char key) const {
  // Only the innermost menu that was open last frame answers a letter.
  return !letter_used_ && letter_ != 0 && key == letter_ && depth_ > 0 && depth_ == keys_.open_depth;
}

void MenuDriver::draw_underline(const std::string& shown, std::size_t position, bool enabled,
                                float text_x, float text_y) const {
  if (!underline_ || position >= shown.size()) return;
  const char* text = shown.c_str();
  float left = text_x + ImGui::CalcTextSize(text, text + position).x;
  float right = left + ImGui::CalcTextSize(text + position, text + position + 1).x;
  ImFont* font = ImGui::GetFont();
  float y = std::floor(text_y + font->Ascent * (ImGui::GetFontSize() / font->FontSize)) + 1.0f;
  ImU32 colour = ImGui::GetColorU32(enabled ? ImGuiCol_Text : ImGuiCol_TextDisabled);
  ImGui::GetWindowDrawList()->AddLine(ImVec2(left, y), ImVec2(right, y), colour, 1.0f);
}

bool MenuDriver::begin_top(int index, const char* label) {
  MnemonicLabel parsed = parse_mnemonic(translate(label));
  std::string id = parsed.shown + "###menu" + std::to_string(index);
  const ImGuiStyle& style = ImGui::GetStyle();
  ImVec2 at = ImGui::GetCursorScreenPos();
  // A menu bar item's text starts one item spacing in from its frame.
  float text_x = at.x + std::floor(style.ItemSpacing.x * 0.5f);
  if (keys_.mode && keys_.highlighted == index) {
    float width = ImGui::CalcTextSize(parsed.shown.c_str()).x;
    ImGui::GetWindowDrawList()->AddRectFilled(
        ImVec2(text_x - style.ItemSpacing.x, at.y),
        ImVec2(text_x + width + style.ItemSpacing.x, at.y + ImGui::GetTextLineHeight()),
        ImGui::GetColorU32(ImGuiCol_HeaderHovered));
  }
  if (keys_.open_next == index) {
    ImGui::OpenPopup(id.c_str());
    keys_.open_next = -1;
    keys_.from_keyboard = true;
  }
  bool open = ImGui::BeginMenu(id.c_str());
  draw_underline(parsed.shown, parsed.position, true, text_x, ImGui::GetItemRectMin().y);
  if (open) {
    depth_ = 1;
    deepest_ = std::max(deepest_, depth_);
  }
  return open;
}

void MenuDriver::end_top() {
  ImGui::EndMenu();
  depth_ = 0;
}

bool MenuDriver::begin_sub(const char* label, bool enabled) {
  MnemonicLabel parsed = parse_mnemonic(translate(label));
  if (enabled && letter_for_this_menu(parsed.key)) {
    ImGui::OpenPopup(parsed.shown.c_str());
    letter_used_ = true;
  }
  ImVec2 at = ImGui::GetCursorScreenPos();
  bool open = ImGui::BeginMenu(parsed.shown.c_str(), enabled);
  if (ImGui::GetItemID() == ImGui::GetFocusID()) nav_on_submenu_ = true;
  draw_underline(parsed.shown, parsed.position, enabled, at.x, at.y);
  if (open) {
    ++depth_;
    deepest_ = std::max(deepest_, depth_);
  }
  return open;
}

void MenuDriver::end_sub() {
  ImGui::EndMenu();
  --depth_;
}

bool MenuDriver::item(const char* label, const char* shortcut, bool selected, bool enabled, bool translated) {
  MnemonicLabel parsed = parse_mnemonic(translated ? translate(label) : label);
  ImVec2 at = ImGui::GetCursorScreenPos();
  bool chosen = ImGui::MenuItem(parsed.shown.c_str(), shortcut, selected, enabled);
  draw_underline(parsed.shown, parsed.position, enabled, at.x, at.y);
  if (!chosen && enabled && letter_for_this_menu(parsed.key)) {
    chosen = true;
    letter_used_ = true;
    ImGui::ClosePopupToLevel(0, true);
  }
  return chosen;
}
