#pragma once
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
