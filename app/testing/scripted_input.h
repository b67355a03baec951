#pragma once
// Which synthetic key and mouse button is held at a given frame: each event
// owns a slot of 15 frames, the first starting at frame 20.
#include "app/testing/script_hooks.h"

inline constexpr int kFirstEventFrame = 20;
inline constexpr int kFramesPerEvent = 15;

struct ScriptedKeyState {
  bool active = false;  // an event owns this frame
  int virtual_key = 0;
  bool down = false;  // the key and its modifiers
  bool alt = false;
  bool ctrl = false;
  bool shift = false;
  float wheel = 0.0f;
};

struct ScriptedMouseState {
  bool active = false;
  float x = 0.0f;
  float y = 0.0f;
  bool right = false;
  bool down = false;  // the chosen button
};

ScriptedKeyState scripted_key_at(const ScriptHooks& hooks, int frame);
ScriptedMouseState scripted_mouse_at(const ScriptHooks& hooks, int frame);

// Interface key for a desktop key code, as an index into the interface
// library's key state; -1 when none is sent.
// The Alt codes (18, 164, 165) give -1 and set *is_alt instead.
int key_index_for_virtual_key(int virtual_key, bool* is_alt);
