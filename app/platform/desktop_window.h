#pragma once
// The SDL window with its OpenGL 3.3 context.
#include <cstdint>
#include <string>
#include <vector>

#include "app/platform/window_placement.h"

struct SDL_Window;

class DesktopWindow {
 public:
  DesktopWindow() = default;
  ~DesktopWindow() { destroy(); }
  void destroy();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  // Creates the hidden window at (80, 60) sized 1440 x 900 times `scale` and its
  // context; false with `error` set when either cannot be made.
  bool create(const std::string& title, float scale, bool no_activate, std::string& error);
  // Moves it to a usable stored placement on some display, shows it (maximised
  // when stored so).
  void show(const WindowPlacement& stored);
  // Keeps the restored rectangle up to date; call on move and resize events.
  // Its position is the frame's top left corner, its size the client area's.
  void track_placement();
  WindowPlacement placement() const;

  void present();  // waits for the vertical blank where the driver does
  // The back buffer as RGBA, bottom row first; false when it cannot be read.
  bool read_back_buffer(std::vector<std::uint8_t>& rgba, int& width, int& height) const;

  SDL_Window* window() const { return window_; }
  void* context() const { return context_; }
  std::uint32_t id() const;

 private:
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  WindowPlacement restored_;
  int border_left_ = 0;  // the window manager's frame, once it says
  int border_top_ = 0;
};
