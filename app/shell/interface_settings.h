#pragma once
// The desktop face's keys of the settings file: read at start-up, written at exit.
#include <climits>
#include <string>

#include "app/shell/ui_state.h"

class Document;

// The window's restored rectangle and whether it was maximised.
struct WindowPlacement {
  int x = INT_MIN;  // INT_MIN: no stored position
  int y = INT_MIN;
  int w = 0;
  int h = 0;
  bool maximized = false;
};

struct InterfaceSettings {
  WindowPlacement placement;
  float ui_zoom = 1.0f;
};

// The stored position is used only when it is big enough (and, the caller
// checks, on some display).
bool placement_usable(const WindowPlacement& placement);

// Reads the interface keys into `ui`, and the engine keys, use-flags and compare
// settings into `document`. Values are clamped to their ranges; the fold state
// of a section defaults to whether its feature is in use.
InterfaceSettings read_interface_settings(const std::string& path, UiState& ui, Document& document);

// Writes every key; `placement` null skips the window keys.
void write_interface_settings(const std::string& path, const UiState& ui, const Document& document,
                              const WindowPlacement* placement, float ui_zoom);
