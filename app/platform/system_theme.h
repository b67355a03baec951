#pragma once
// Following the desktop's light or dark preference (freedesktop appearance
// setting, else GNOME's colour scheme; dark when neither says).
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/platform/output_program.h"

// What the desktop portal's "color-scheme" answer says: 1 prefers dark, 2 light,
// 0 no preference (the desktop's default look, light). Nothing when unreadable.
std::optional<bool> portal_prefers_dark(const std::string& answer);
// GNOME's 'prefer-dark' / 'prefer-light' / 'default' (light).
std::optional<bool> gsettings_prefers_dark(const std::string& answer);
// One line of `gdbus monitor` on the portal: the new value when it is the
// colour scheme's change signal, else nothing.
std::optional<bool> portal_change_prefers_dark(const std::string& line);

// Reads the preference once on its own thread, then learns of changes from one
// long-lived monitor program (no polling), so a slow session bus never holds up
// a frame and an idle window starts no process.
class SystemTheme {
 public:
  SystemTheme() = default;
  ~SystemTheme();
  SystemTheme(const SystemTheme&) = delete;
  SystemTheme& operator=(const SystemTheme&) = delete;

  // Called from the reader thread when the preference changed; must be thread-safe.
  void set_wake(std::function<void()> wake);
  // Called each frame while the theme follows the system; starts the reader.
  bool dark();

 private:
  void read_and_watch();
  void publish(bool dark);

  std::atomic<bool> dark_{true};
  std::mutex mutex_;  // guards wake_ and stop_
  std::function<void()> wake_;
  bool stop_ = false;
  OutputProgram monitor_;
  std::thread reader_;
};
