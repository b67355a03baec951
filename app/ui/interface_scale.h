#pragma once
#include <string>

// Every interface length is multiplied by the effective scale: the display's
// DPI scale times the user's interface zoom.
struct InterfaceScale {
  float dpi = 1.0f;
  float ui_zoom = 1.0f;
  float effective = 1.0f;
  bool fonts_rebuild = false;  // the scale changed since the fonts were built

  void recompute() {
    float changed = ui_zoom * dpi;
    if (changed != effective) {
      effective = changed;
      fonts_rebuild = true;
    }
  }
};

// The process's one value, used by the main thread only.
InterfaceScale& interface_scale();
inline float effective_scale() { return interface_scale().effective; }

// The interface zoom's steps, 0.7 to 2.5.
float next_ui_zoom_in(float zoom);
float next_ui_zoom_out(float zoom);
// Stores `zoom` (kept within the steps' range), recomputes the scale and
// returns the status line "Interface at %.0f%%".
std::string set_ui_zoom(float zoom);
