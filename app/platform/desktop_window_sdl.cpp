#include "app/platform/desktop_window_sdl.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>
#include <cstdio>

#include "app/ui/app_icon.h"

namespace {

constexpr int kCreateX = 80;
constexpr int kCreateY = 60;
constexpr int kCreateW = 1440;
constexpr int kCreateH = 900;

// True when the rectangle overlaps some display.
bool on_some_display(const WindowPlacement& p) {
  SDL_Rect wanted{p.x, p.y, p.w, p.h};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    SDL_Rect overlap;
    if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_IntersectRect(&wanted, &bounds, &overlap)) return true;
  }
  return false;
}

void set_icon(SDL_Window* window) {
  constexpr int kSize = 64;
  std::vector<std::uint8_t> pixels = draw_app_icon(kSize);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kSize, kSize, 32, kSize * 4,
                                                            SDL_PIXELFORMAT_RGBA32);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

}  // namespace

DesktopWindow::DesktopWindow() : native_(std::make_unique<Native>()) {}

DesktopWindow::~DesktopWindow() { destroy(); }

void DesktopWindow::destroy() {
  if (native_->context != nullptr) SDL_GL_DeleteContext(native_->context);
  if (native_->window != nullptr) SDL_DestroyWindow(native_->window);
  native_->context = nullptr;
  native_->window = nullptr;
}

bool DesktopWindow::create(const std::string& title, float scale, bool no_activate, std::string& error) {
  if (no_activate) SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  native_->window = SDL_CreateWindow(title.c_str(), kCreateX, kCreateY, static_cast<int>(std::lround(kCreateW * scale)),
                             static_cast<int>(std::lround(kCreateH * scale)), flags);
  if (native_->window == nullptr) {
    error = SDL_GetError();
    return false;
  }
  native_->context = SDL_GL_CreateContext(native_->window);
  if (native_->context == nullptr) {
    error = SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(native_->window, native_->context);
  SDL_GL_SetSwapInterval(1);
  set_icon(native_->window);
  track_placement();
  return true;
}

void DesktopWindow::show(const WindowPlacement& stored) {
  if (placement_usable(stored) && on_some_display(stored)) {
    SDL_SetWindowPosition(native_->window, stored.x, stored.y);
    SDL_SetWindowSize(native_->window, stored.w, stored.h);
    restored_ = stored;
  }
  SDL_ShowWindow(native_->window);
  if (stored.maximized) SDL_MaximizeWindow(native_->window);
  track_placement();
}

void DesktopWindow::track_placement() {
  Uint32 flags = SDL_GetWindowFlags(native_->window);
  restored_.maximized = (flags & SDL_WINDOW_MAXIMIZED) != 0;
  // A maximised or minimised window keeps the rectangle it had before.
  if ((flags & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED | SDL_WINDOW_FULLSCREEN)) != 0) return;
  // The stored position is the frame's, as a position given before the window is
  // shown places the frame: saving the client area's would move the window down by
  // its title bar on every start. The size stays the client area's, as created.
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(native_->window, &top, &left, &bottom, &right) == 0) {
    native_->border_left = left;
    native_->border_top = top;
  }
  int x = 0, y = 0;
  SDL_GetWindowPosition(native_->window, &x, &y);
  restored_.x = x - native_->border_left;
  restored_.y = y - native_->border_top;
  SDL_GetWindowSize(native_->window, &restored_.w, &restored_.h);
}

WindowPlacement DesktopWindow::placement() const { return restored_; }

void DesktopWindow::present() { SDL_GL_SwapWindow(native_->window); }

bool DesktopWindow::read_back_buffer(std::vector<std::uint8_t>& rgba, int& width, int& height) const {
  SDL_GL_GetDrawableSize(native_->window, &width, &height);
  if (width <= 0 || height <= 0) return false;
  rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  // Only the read-back's own errors count, not one left over from the frame.
  while (glGetError() != GL_NO_ERROR) {
  }
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return glGetError() == GL_NO_ERROR;
}
