#pragma once
// Menus with keyboard letters: draws the underline under an item's letter when
// the keyboard is in use, and lets the letter choose the item in the deepest
// open menu.
#include <string>

struct MenuKeyboard;

class MenuDriver {
 public:
  // `letter`: the letter or digit pressed this frame without Alt or Ctrl (0: none);
  // `underline`: whether letters are shown underlined.
  MenuDriver(MenuKeyboard& keys, char letter, bool underline);
  ~MenuDriver();

  // Top menu `index` of the menu bar; opens it when the keyboard asked for it.
  bool begin_top(int index, const char* label);
  void end_top();
  bool begin_sub(const char* label, bool enabled = true);
  void end_sub();
  // True when chosen by the mouse, Enter or its letter.
  // `translated` false: the label is shown as it is written.
  bool item(const char* label, const char* shortcut = nullptr, bool selected = false, bool enabled = true,
            bool translated = true);

 private:
  bool letter_for_this_menu(char key) const;
  void draw_underline(const std::string& shown, std::size_t position, bool enabled, float text_x,
                      float text_y) const;

  MenuKeyboard& keys_;
  char letter_;
  bool underline_;
  int depth_ = 0;
  int deepest_ = 0;
  bool letter_used_ = false;
  bool nav_on_submenu_ = false;  // the keyboard highlight rests on a submenu
};
