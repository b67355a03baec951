#pragma once
// The SDL window and OpenGL context behind DesktopWindow, for the SDL files.
#include <SDL.h>

#include "app/platform/desktop_window.h"

struct DesktopWindow::Native {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  int border_left = 0;  // the window manager's frame, once it says
  int border_top = 0;
};
