#include "app/platform/key_codes.h"

#include <SDL_scancode.h>

// SDL's backend files keys by scancode.
int key_index(Key key) {
  switch (key) {
    case Key::tab: return SDL_SCANCODE_TAB;
    case Key::enter: return SDL_SCANCODE_RETURN;
    case Key::keypad_enter: return SDL_SCANCODE_KP_ENTER;
    case Key::escape: return SDL_SCANCODE_ESCAPE;
    case Key::space: return SDL_SCANCODE_SPACE;
    case Key::left: return SDL_SCANCODE_LEFT;
    case Key::up: return SDL_SCANCODE_UP;
    case Key::right: return SDL_SCANCODE_RIGHT;
    case Key::down: return SDL_SCANCODE_DOWN;
    case Key::keypad_plus: return SDL_SCANCODE_KP_PLUS;
    case Key::keypad_minus: return SDL_SCANCODE_KP_MINUS;
    case Key::f2: return SDL_SCANCODE_F2;
    case Key::equals: return SDL_SCANCODE_EQUALS;
    case Key::minus: return SDL_SCANCODE_MINUS;
    case Key::left_bracket: return SDL_SCANCODE_LEFTBRACKET;
    case Key::right_bracket: return SDL_SCANCODE_RIGHTBRACKET;
    case Key::left_alt: return SDL_SCANCODE_LALT;
    case Key::right_alt: return SDL_SCANCODE_RALT;
  }
  return -1;
}

int letter_key_index(char upper_case_letter) { return SDL_SCANCODE_A + (upper_case_letter - 'A'); }

int digit_key_index(char digit) { return digit == '0' ? SDL_SCANCODE_0 : SDL_SCANCODE_1 + (digit - '1'); }
