#pragma once
// Following the desktop's light or dark preference (freedesktop appearance
// setting, else GNOME's colour scheme; dark when neither says).
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// What the desktop portal's "color-scheme" answer says: 1 prefers dark, 2 light,
// 0 no preference (the desktop's default look, light). Nothing when unreadable.
std::optional<bool> portal_prefers_dark(const std::string& answer);
// GNOME's 'prefer-dark' / 'prefer-light' / 'default' (light).
std::optional<bool> gsettings_prefers_dark(const std::string& answer);

// Reads the preference on its own thread, at most once a second and only while
// someone follows it, so a slow session bus never holds up a frame.
class SystemTheme {
 public:
  SystemTheme() = default;
  ~SystemTheme();
  SystemTheme(const SystemTheme&) = delete;
  SystemTheme& operator=(const SystemTheme&) = delete;

  // Called each frame while the theme follows the system; starts the reader.
  bool dark();

 private:
  void read_loop();
  std::atomic<bool> dark_{true};
  std::atomic<bool> followed_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread reader_;
};
