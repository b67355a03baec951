#include "app/testing/scripted_input.h"

#include <SDL_scancode.h>

namespace {

constexpr int kFirstEventFrame = 20;
constexpr int kFramesPerEvent = 15;

struct Slot {
  std::size_t event = 0;
  int phase = 0;
};

Slot slot_at(int frame) {
  int since = frame - kFirstEventFrame;
  return {static_cast<std::size_t>(since / kFramesPerEvent), since % kFramesPerEvent};
}

}  // namespace

ScriptedKeyState scripted_key_at(const ScriptHooks& hooks, int frame) {
  ScriptedKeyState state;
  if (frame < kFirstEventFrame) return state;
  Slot slot = slot_at(frame);
  if (slot.event >= hooks.keys.size()) return state;
  const KeyChord& chord = hooks.keys[slot.event];
  state.active = true;
  state.virtual_key = chord.virtual_key;
  state.down = slot.phase < 2;
  state.alt = chord.alt;
  state.ctrl = chord.ctrl;
  state.shift = chord.shift;
  return state;
}

ScriptedMouseState scripted_mouse_at(const ScriptHooks& hooks, int frame) {
  ScriptedMouseState state;
  if (frame < kFirstEventFrame) return state;
  Slot slot = slot_at(frame);
  if (slot.event >= hooks.clicks.size()) return state;
  const ScriptClick& click = hooks.clicks[slot.event];
  state.active = true;
  state.x = click.x;
  state.y = click.y;
  state.right = click.right;
  bool first_press = slot.phase == 1 || slot.phase == 2;
  bool second_press = click.double_click && (slot.phase == 4 || slot.phase == 5);
  state.down = first_press || second_press;
  return state;
}

int scancode_for_virtual_key(int virtual_key, bool* is_alt) {
  if (is_alt != nullptr) *is_alt = false;
  if (virtual_key >= 'A' && virtual_key <= 'Z') return SDL_SCANCODE_A + (virtual_key - 'A');
  if (virtual_key == '0') return SDL_SCANCODE_0;  // the digit row ends with 0
  if (virtual_key >= '1' && virtual_key <= '9') return SDL_SCANCODE_1 + (virtual_key - '1');
  switch (virtual_key) {
    case 9: return SDL_SCANCODE_TAB;
    case 13: return SDL_SCANCODE_RETURN;
    case 27: return SDL_SCANCODE_ESCAPE;
    case 32: return SDL_SCANCODE_SPACE;
    case 37: return SDL_SCANCODE_LEFT;
    case 38: return SDL_SCANCODE_UP;
    case 39: return SDL_SCANCODE_RIGHT;
    case 40: return SDL_SCANCODE_DOWN;
    case 107: return SDL_SCANCODE_KP_PLUS;
    case 109: return SDL_SCANCODE_KP_MINUS;
    case 113: return SDL_SCANCODE_F2;
    case 187: return SDL_SCANCODE_EQUALS;
    case 189: return SDL_SCANCODE_MINUS;
    case 219: return SDL_SCANCODE_LEFTBRACKET;
    case 221: return SDL_SCANCODE_RIGHTBRACKET;
    case 18:   // Alt
    case 164:  // left Alt
    case 165:  // right Alt
      if (is_alt != nullptr) *is_alt = true;
      return -1;
    default: return -1;
  }
}
