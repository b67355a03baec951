#include "app/testing/scripted_input.h"

#include <SDL_scancode.h>

namespace {

// The event owning `frame`, with the frame's phase in its slot; null when none does.
template <class Event>
const Event* event_at(const std::vector<Event>& events, int frame, int& phase) {
  if (frame < kFirstEventFrame) return nullptr;
  int since = frame - kFirstEventFrame;
  std::size_t index = static_cast<std::size_t>(since / kFramesPerEvent);
  phase = since % kFramesPerEvent;
  return index < events.size() ? &events[index] : nullptr;
}

}  // namespace

ScriptedKeyState scripted_key_at(const ScriptHooks& hooks, int frame) {
  ScriptedKeyState state;
  int phase = 0;
  const KeyChord* found = event_at(hooks.keys, frame, phase);
  if (found == nullptr) return state;
  const KeyChord& chord = *found;
  state.active = true;
  state.virtual_key = chord.virtual_key;
  state.down = phase < 2;
  state.alt = chord.alt;
  state.ctrl = chord.ctrl;
  state.shift = chord.shift;
  state.wheel = state.down ? chord.wheel : 0.0f;
  return state;
}

ScriptedMouseState scripted_mouse_at(const ScriptHooks& hooks, int frame) {
  ScriptedMouseState state;
  int phase = 0;
  const ScriptClick* found = event_at(hooks.clicks, frame, phase);
  if (found == nullptr) return state;
  const ScriptClick& click = *found;
  state.active = true;
  state.x = click.x;
  state.y = click.y;
  state.right = click.right;
  bool first_press = phase == 1 || phase == 2;
  bool second_press = click.double_click && (phase == 4 || phase == 5);
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
