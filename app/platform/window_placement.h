#pragma once
// The window's restored rectangle and whether it was maximised.
#include <climits>

struct WindowPlacement {
  int x = INT_MIN;  // INT_MIN: no stored position
  int y = INT_MIN;
  int w = 0;
  int h = 0;
  bool maximized = false;
};

// The stored position is used only when it is big enough (and, the caller
// checks, on some display).
inline bool placement_usable(const WindowPlacement& placement) {
  return placement.x != INT_MIN && placement.w > 399 && placement.h > 299;
}
