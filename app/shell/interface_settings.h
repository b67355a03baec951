#pragma once
// The desktop face's keys of the settings file: read at start-up, written at exit.
#include <string>

#include "app/platform/window_placement.h"
#include "app/ui/ui_state.h"

class Document;

struct InterfaceSettings {
  WindowPlacement placement;
  float ui_zoom = 1.0f;
};

// Reads the interface keys into `ui`, and the engine keys, use-flags and compare
// settings into `document`. Values are clamped to their ranges; the fold state
// of a section defaults to whether its feature is in use.
InterfaceSettings read_interface_settings(const std::string& path, UiState& ui, Document& document);

// Writes every key; `placement` null skips the window keys.
void write_interface_settings(const std::string& path, const UiState& ui, const Document& document,
                              const WindowPlacement* placement, float ui_zoom);
