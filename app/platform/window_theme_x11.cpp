// GTK-aware window managers read _GTK_THEME_VARIANT from the window.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

#include "app/platform/desktop_window_sdl.h"
#include "app/platform/window_theme.h"

void set_window_frame_theme(const DesktopWindow& desktop_window, bool dark) {
  SDL_Window* window = desktop_window.native().window;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  Atom variant = XInternAtom(display, "_GTK_THEME_VARIANT", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const char* value = dark ? "dark" : "light";
  XChangeProperty(display, info.info.x11.window, variant, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(value), static_cast<int>(std::strlen(value)));
  XFlush(display);
}
