#pragma once
// The keys the interface tests by name, as indices into the interface library's
// key state (ImGuiIO::KeysDown), which the window backend fills.
enum class Key {
  tab,
  enter,
  keypad_enter,
  escape,
  space,
  left,
  up,
  right,
  down,
  keypad_plus,
  keypad_minus,
  f2,
  equals,
  minus,
  left_bracket,
  right_bracket,
  left_alt,
  right_alt,
};

int key_index(Key key);
int letter_key_index(char upper_case_letter);  // 'A'..'Z'
int digit_key_index(char digit);               // '0'..'9', the row above the letters
