#include "app/platform/key_codes.h"

#include <windows.h>

// The Win32 backend files keys by virtual-key code.
int key_index(Key key) {
  switch (key) {
    case Key::tab: return VK_TAB;
    case Key::enter: return VK_RETURN;
    case Key::keypad_enter: return VK_RETURN;  // Windows tells them apart only by a flag
    case Key::escape: return VK_ESCAPE;
    case Key::space: return VK_SPACE;
    case Key::left: return VK_LEFT;
    case Key::up: return VK_UP;
    case Key::right: return VK_RIGHT;
    case Key::down: return VK_DOWN;
    case Key::keypad_plus: return VK_ADD;
    case Key::keypad_minus: return VK_SUBTRACT;
    case Key::f2: return VK_F2;
    case Key::equals: return VK_OEM_PLUS;
    case Key::minus: return VK_OEM_MINUS;
    case Key::left_bracket: return VK_OEM_4;
    case Key::right_bracket: return VK_OEM_6;
    case Key::left_alt: return VK_LMENU;
    case Key::right_alt: return VK_RMENU;
  }
  return -1;
}

int letter_key_index(char upper_case_letter) { return 'A' + (upper_case_letter - 'A'); }

int digit_key_index(char digit) { return '0' + (digit - '0'); }
