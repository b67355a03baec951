#include "app/testing/scripted_input.h"

#include "app/platform/key_codes.h"

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

int key_index_for_virtual_key(int virtual_key, bool* is_alt) {
  if (is_alt != nullptr) *is_alt = false;
  if (virtual_key >= 'A' && virtual_key <= 'Z') return letter_key_index(static_cast<char>(virtual_key));
  if (virtual_key == '0') return digit_key_index('0');  // the digit row ends with 0
  if (virtual_key >= '1' && virtual_key <= '9') return digit_key_index(static_cast<char>(virtual_key));
  switch (virtual_key) {
    case 9: return key_index(Key::tab);
    case 13: return key_index(Key::enter);
    case 27: return key_index(Key::escape);
    case 32: return key_index(Key::space);
    case 37: return key_index(Key::left);
    case 38: return key_index(Key::up);
    case 39: return key_index(Key::right);
    case 40: return key_index(Key::down);
    case 107: return key_index(Key::keypad_plus);
    case 109: return key_index(Key::keypad_minus);
    case 113: return key_index(Key::f2);
    case 187: return key_index(Key::equals);
    case 189: return key_index(Key::minus);
    case 219: return key_index(Key::left_bracket);
    case 221: return key_index(Key::right_bracket);
    case 18:   // Alt
    case 164:  // left Alt
    case 165:  // right Alt
      if (is_alt != nullptr) *is_alt = true;
      return -1;
    default: return -1;
  }
}
