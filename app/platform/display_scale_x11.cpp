#include "app/platform/display_scale.h"

#include <X11/Xlib.h>

#include "io/settings_values.h"

float dpi_scale_from_resources(std::string_view resources) {
  constexpr std::string_view kKey = "Xft.dpi:";
  std::size_t at = 0;
  while ((at = resources.find(kKey, at)) != std::string_view::npos) {
    if (at == 0 || resources[at - 1] == '\n') {
      double dpi = parse_real_text(resources.substr(at + kKey.size()));
      if (dpi > 0.0) return static_cast<float>(dpi / 96.0);
      return 1.0f;
    }
    at += kKey.size();
  }
  return 1.0f;
}

float display_dpi_scale() {
  // A connection of our own: the resource database is read when it opens, so a
  // changed setting is seen too.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1.0f;
  const char* resources = XResourceManagerString(display);
  float scale = resources != nullptr ? dpi_scale_from_resources(resources) : 1.0f;
  XCloseDisplay(display);
  return scale;
}
