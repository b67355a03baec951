#pragma once
// The program's window with the graphics device it draws on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/platform/window_placement.h"

class DesktopWindow {
 public:
  DesktopWindow();
  ~DesktopWindow();
  void destroy();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  // Creates the hidden window at (80, 60) sized 1440 x 900 times `scale` and its
  // graphics device; false with `error` set when either cannot be made.
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

  // The platform's own window and device, for the platform's other files.
  struct Native;
  Native& native() const { return *native_; }

 private:
  std::unique_ptr<Native> native_;
  WindowPlacement restored_;
};
